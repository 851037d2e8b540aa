#include "publish/export_file.h"

#include "core/file_replace.h"

#include <windows.h>

ExportFileOutcome WriteExportFile(const std::wstring& path, const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() + 3);
    bytes = "\xEF\xBB\xBF";
    bytes += text;
    const std::wstring tempPath = path + L".tmp";
    switch (WriteAllBytes(tempPath, bytes)) {
    case FileWriteOutcome::CannotCreate:
        return ExportFileOutcome::CannotCreate;
    case FileWriteOutcome::WriteFailed:
        DeleteFileW(tempPath.c_str());
        return ExportFileOutcome::Failed;
    case FileWriteOutcome::Written:
        break;
    }
    return ReplaceWithTempFile(tempPath, path) ? ExportFileOutcome::Written : ExportFileOutcome::Failed;
}

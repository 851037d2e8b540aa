// An exported file on disk: UTF-8 with a byte-order mark, so that a
// spreadsheet reads it as UTF-8, written whole beside the target and then
// put in its place.
#pragma once

#include <string>

enum class ExportFileOutcome {
    Written,
    CannotCreate, // the temporary file could not be created; nothing was written
    Failed,       // writing or replacing failed; the temporary file is gone
};

// The mark and text go to path + ".tmp", which then replaces path: an
// earlier file of that name (a read-only one too) stays as it was unless a
// complete new one takes its place.
ExportFileOutcome WriteExportFile(const std::wstring& path, const std::string& text);

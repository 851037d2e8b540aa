#include "core/paths.h"

#include <windows.h>

namespace {

// The full path of the running executable, however long. A path cut at the
// buffer's end would name some other folder, so a truncated read is retried
// with a larger buffer and never used.
std::wstring ExecutablePath()
{
    // Beyond the longest path the file system allows there is nothing to gain.
    constexpr DWORD kLongestPath = 32768;
    for (DWORD size = MAX_PATH; size <= kLongestPath * 2; size *= 2) {
        std::wstring buffer(size, L'\0');
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0)
            return std::wstring();
        if (length < size && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            buffer.resize(length);
            return buffer;
        }
    }
    return std::wstring();
}

} // namespace

std::wstring FolderOfPath(std::wstring_view path)
{
    const size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring_view::npos)
        return std::wstring();
    return std::wstring(path.substr(0, cut));
}

std::wstring GetExeDirectory()
{
    return FolderOfPath(ExecutablePath());
}

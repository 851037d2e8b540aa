#include "tests/support/test_folder.h"

#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace {

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

TestFolder::TestFolder()
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base(temp, length);
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    for (;;) {
        path_ = base + L"\\bw-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create a test folder";
            return;
        }
    }
}

TestFolder::~TestFolder()
{
    RemoveTree(path_);
}

void DataFolderTest::SetUp()
{
    SetLogFolder(folder.Path());
    SetDatabasePath(folder.File(L"binderwell.db"));
    SetPreMigrationBackupHook(nullptr);
    SetLogRotateBytes(kLogRotateBytes);
    DebugLogEnabled = true;
}

void DataFolderTest::TearDown()
{
    CloseDebugLog();
    SetLogFolder(L"");
    DebugLogEnabled = false;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool CopyHalfThenDiskFull(const std::wstring& from, const std::wstring& to)
{
    const std::string bytes = ReadFileBytes(from);
    WriteFileBytes(to, bytes.substr(0, bytes.size() / 2));
    SetLastError(ERROR_DISK_FULL);
    return false;
}

bool CopyWithTheMarkThenDiskFull(const std::wstring& from, const std::wstring& to)
{
    CopyFileW(from.c_str(), to.c_str(), TRUE);
    SetLastError(ERROR_DISK_FULL);
    return false;
}

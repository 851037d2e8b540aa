// Every test works in a fresh folder of its own, so tests that run at the
// same time never share a data file.
#pragma once

#include <gtest/gtest.h>

#include <string>

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Points the program's data files (database, debug log) into the test's own
// folder, through the same setters the program uses at start-up, and turns
// the debug log on.
class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TestFolder folder;
};

// Whole-file helpers for checking what the program wrote.
bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// For the backups' copy seam: a copy that breaks off on a full disk
// (ERROR_DISK_FULL) after writing the first half of the file.
bool CopyHalfThenDiskFull(const std::wstring& from, const std::wstring& to);

// The same, after a whole copy that carried the source's read-only mark
// over, as CopyFileW does.
bool CopyWithTheMarkThenDiskFull(const std::wstring& from, const std::wstring& to);

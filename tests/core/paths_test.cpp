#include "core/paths.h"

#include "core/text.h"
#include "tests/support/test_folder.h"

#include <windows.h>

namespace {

std::wstring ModulePath()
{
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    return std::wstring(module, length);
}

} // namespace

TEST(FolderOfPath, CutsAtTheLastSeparator)
{
    EXPECT_EQ(FolderOfPath(L"C:\\Apps\\Cards\\prog.exe"), L"C:\\Apps\\Cards");
    EXPECT_EQ(FolderOfPath(L"C:/Apps/Cards/prog.exe"), L"C:/Apps/Cards");
    EXPECT_EQ(FolderOfPath(L"C:\\Apps/Cards\\prog.exe"), L"C:\\Apps/Cards");
    EXPECT_EQ(FolderOfPath(L"prog.exe"), L"");
}

TEST(GetExeDirectory, IsTheFolderThatHoldsTheRunningProgram)
{
    const std::wstring module = ModulePath();
    const std::wstring folder = GetExeDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    EXPECT_EQ(module.rfind(folder + L"\\", 0), 0u);
    EXPECT_EQ(module.find_first_of(L"\\/", folder.size() + 1), std::wstring::npos);
}

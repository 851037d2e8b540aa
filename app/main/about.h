// Help → About: a task dialog with a link to the maker's web site, or a
// message box where task dialogs are missing.
#pragma once

#include <windows.h>

void ShowAboutBox(HWND main);

// The maker's web site, linked from the About box.
constexpr const wchar_t* kMakerWebSite = L"https://binderwell.example/";

// The recent-sales window: the recorded sales, newest first, for all cards
// or for one, where the user reverses the ticked (or selected) sales, the
// whole batch of one sale, or amends one sale.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr const wchar_t* kRecentSalesClass = L"KovRcDialog";

constexpr int IDC_RC_LIST = 301;
constexpr int IDC_RC_REVERSE_SELECTED = 302;
constexpr int IDC_RC_REVERSE_BATCH = 303;
constexpr int IDC_RC_CLOSE = 304;
constexpr int IDC_RC_AMEND = 305;

// Runs the window over owner, listing the newest sales, or every sale of the
// card cardFilter (a UTF-8 card id) names, and returns when it has closed:
// the number of sales reversed plus the number amended while it was open,
// so the caller reloads what it shows exactly when that is above 0. 0 when
// the window could not be made.
int32_t RecentSales(HINSTANCE instance, HWND owner, const std::string& cardFilter = std::string());

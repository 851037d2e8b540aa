// The amend-sale window: a recorded sale's quantity, unit price and channel,
// opened by the recent-sales window for one sale.
#pragma once

#include "core/sales.h"

#include <windows.h>

#include <cstdint>
#include <string>

constexpr const wchar_t* kAmendWindowClass = L"KovRcAmendDlg";

constexpr int IDC_AMEND_QTY = 401;
constexpr int IDC_AMEND_PRICE = 402;
constexpr int IDC_AMEND_CHANNEL = 403;
constexpr int IDC_AMEND_SAVE = 404;
constexpr int IDC_AMEND_CANCEL = 405;

// Runs the window over owner at the owner's dpi and in the owner's font,
// which stays the owner's. True when the user saved values that passed the
// checks: only then are quantity, price and channel written. Nothing is
// stored here; the caller decides what to do with the values.
bool ShowAmendSaleDialog(HINSTANCE instance, HWND owner, int dpi, HFONT font, const SaleRecord& sale, int32_t& quantity,
                         double& price, std::wstring& channel);

// The review-sales window: the in-stock rows of the ticked cards, a
// quantity and a unit price per row and one channel for all, recorded on
// Sell as one batch with one time of sale.
#pragma once

#include "app/sales/review_rows.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr const wchar_t* kReviewWindowClass = L"KovRSDialog";
constexpr const wchar_t* kReviewViewportClass = L"KovRSViewport";

constexpr int IDC_RS_CHANNEL = 201;
constexpr int IDC_RS_SELL = 202;
constexpr int IDC_RS_CANCEL = 203;
// Every quantity and price edit of every row.
constexpr int IDC_RS_ROW_EDIT = 204;

struct ReviewSalesResult {
    bool committed = false; // a sale was recorded
    int32_t rows = 0;       // sale rows recorded
};

// Runs the window over owner (the main window) for the ticked cards, with
// the channel words in list order and the one chosen at first; returns when
// it has closed. It reports its own problems to the user; {false, 0}
// whenever nothing was recorded.
ReviewSalesResult ReviewSales(HWND owner, const std::vector<CheckedCard>& cards,
                              const std::vector<std::wstring>& channelNames, int defaultChannelIndex);

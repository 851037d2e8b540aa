// The review-sales window over an owner of the test's own: each test acts from
// inside the window's loop and reads back the window, the boxes and the database.
#include "app/sales/review_sales.h"

#include "tests/core/ledger_db_fixture.h"
#include "tests/support/process_window.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <windows.h>

#include <functional>

namespace {

using Lines = std::vector<std::string>;

struct Box {
    HWND owner;
    std::wstring text;
};
std::vector<Box> boxes;

int RecordBox(HWND owner, const wchar_t* text, const wchar_t*, UINT)
{
    boxes.push_back({owner, text});
    return IDOK;
}

std::function<void(HWND)> step;
UINT_PTR stepTimer = 0, hangTimer = 0;

// A step must close the window; one that does not is a fault, not a hang.
void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, hangTimer);
    ADD_FAILURE() << "the window was left open";
    PostMessageW(FindThreadWindow(kReviewWindowClass), WM_CLOSE, 0, 0);
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, stepTimer);
    if (HWND window = FindThreadWindow(kReviewWindowClass)) {
        step(window);
        hangTimer = SetTimer(nullptr, 0, 10000, CloseLeftOpen);
    }
}

HWND Viewport(HWND window) { return FindWindowExW(window, nullptr, kReviewViewportClass, nullptr); }

RECT InViewport(HWND window, HWND control)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, Viewport(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The edit (field 0 quantity, 1 price) now at the row's place.
HWND RowEdit(HWND window, int row, int field)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    GetScrollInfo(Viewport(window), SB_VERT, &info);
    const int top = row * 30 - info.nPos;
    for (HWND child = GetWindow(Viewport(window), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = InViewport(window, child);
        if (GetDlgCtrlID(child) == IDC_RS_ROW_EDIT && place.top >= top && place.top < top + 30 && field-- == 0)
            return child;
    }
    ADD_FAILURE() << "no edit shows row " << row;
    return nullptr;
}

bool InView(HWND window, HWND control)
{
    RECT area;
    GetClientRect(Viewport(window), &area);
    const RECT place = InViewport(window, control);
    return place.top >= 0 && place.bottom <= area.bottom;
}

void Press(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void Scroll(HWND window, UINT message, WPARAM how, int times)
{
    for (int i = 0; i < times; ++i)
        SendMessageW(Viewport(window), message, how, 0);
}

class ReviewSalesTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        boxes.clear();
        Ui().messageBox = RecordBox;
        owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 900, 600,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        Ui() = SystemUiCalls();
        LedgerDbTest::TearDown();
    }

    // rows rows of stock, five each at 1.00, twelve to a card, in list order.
    std::vector<CheckedCard> ManyRows(int rows)
    {
        static const char* variants[] = {"Holo", "Other", "Reverse Holo", "Standard"};
        static const char* conditions[] = {"Mint", "Near Mint", "Played"};
        std::vector<CheckedCard> cards;
        for (int i = 0; i < rows; ++i) {
            const std::string card = "c" + std::to_string(1000 + i / 12);
            if (i % 12 == 0)
                cards.push_back({card, L"Card"});
            Exec(("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('" + card + "', '" +
                  variants[i % 12 / 3] + "', '" + conditions[i % 3] + "', 5, 1);")
                     .c_str());
        }
        return cards;
    }

    ReviewSalesResult Review(const std::vector<CheckedCard>& cards, std::function<void(HWND)> act, int channel = 0)
    {
        step = std::move(act);
        stepTimer = SetTimer(nullptr, 0, 0, RunStep);
        const std::vector<std::wstring> channels(std::begin(SaleChannel::All), std::end(SaleChannel::All));
        const ReviewSalesResult result = ReviewSales(owner, cards, channels, channel);
        KillTimer(nullptr, stepTimer);
        KillTimer(nullptr, hangTimer);
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_FALSE(FindThreadWindow(kReviewWindowClass));
        return result;
    }

    HWND owner = nullptr;
};

TEST_F(ReviewSalesTest, StockSoldElsewhereRecordsNothingThenTheRetryIsOneBatch)
{
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('x', 'Standard', 'Mint', 2, 4.5),"
         "('x', 'Holo', 'Played', 3, 0), ('y', 'Standard', 'Mint', 1, 2);");
    const ReviewSalesResult result = Review(
        {{"x", L"Ex"}, {"y", L"Why"}},
        [this](HWND window) {
            EXPECT_FALSE(IsWindowEnabled(owner));
            EXPECT_EQ(GetFocus(), RowEdit(window, 0, 0));
            SetWindowTextW(RowEdit(window, 1, 0), L"2");
            SetWindowTextW(RowEdit(window, 0, 0), L"1");
            SetWindowTextW(RowEdit(window, 0, 1), L"1.25"); // Holo/Played has no stored price
            bool total = false;
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                total = total || WindowText(child).find(L"3 units   $10.25") != std::wstring::npos;
            EXPECT_TRUE(total);

            Exec("UPDATE inventory SET qty = 1 WHERE card_id = 'x' AND variant = 'Standard';");
            Press(window, IDC_RS_SELL);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].owner, window);
            EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
            EXPECT_TRUE(IsWindowVisible(window));
            SetWindowTextW(RowEdit(window, 1, 0), L"1");
            SendMessageW(window, WM_COMMAND, IDOK, 0); // Enter
        },
        2);
    EXPECT_TRUE(result.committed);
    EXPECT_EQ(result.rows, 2);
    EXPECT_EQ(Rows("SELECT variant, qty, price, channel FROM sales ORDER BY sale_id;"),
              (Lines{"Holo|1|1.25|eBay", "Standard|1|4.5|eBay"}));
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT batch_id), COUNT(DISTINCT sold_at) FROM sales;"), Lines{"1|1"});
    EXPECT_EQ(Rows("SELECT card_id, qty FROM inventory ORDER BY inv_id;"), (Lines{"x|2", "y|1"}));
    EXPECT_EQ(GetFocus(), owner);
}

// Only the rows in view have controls: what is typed must stay with its row
// however the rows move, and a bad field out of view is brought into it.
TEST_F(ReviewSalesTest, WhatIsTypedStaysWithItsRowAndABadFieldOutOfViewIsBroughtIntoIt)
{
    const ReviewSalesResult result = Review(ManyRows(40), [this](HWND window) {
        SetWindowTextW(RowEdit(window, 0, 0), L"1");
        SetFocus(RowEdit(window, 10, 1)); // Tab from the last row in view shows the next
        MSG tab = {};
        tab.hwnd = GetFocus();
        tab.message = WM_KEYDOWN;
        tab.wParam = VK_TAB;
        IsDialogMessageW(window, &tab);
        EXPECT_EQ(GetFocus(), RowEdit(window, 11, 0));
        EXPECT_TRUE(InView(window, GetFocus()));
        SetWindowTextW(GetFocus(), L"2");
        Scroll(window, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 3);
        EXPECT_EQ(GetFocus(), RowEdit(window, 11, 0)); // keeps the keyboard as its row moves

        Scroll(window, WM_VSCROLL, SB_PAGEDOWN, 4);
        EXPECT_TRUE(InView(window, RowEdit(window, 39, 1))); // scrolls to the very end
        SetWindowTextW(RowEdit(window, 39, 0), L"6"); // five in stock
        Scroll(window, WM_VSCROLL, SB_PAGEUP, 4);
        EXPECT_EQ(WindowText(RowEdit(window, 0, 0)), L"1");
        EXPECT_EQ(WindowText(RowEdit(window, 1, 0)), L"0");
        Press(window, IDC_RS_SELL);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(GetFocus(), RowEdit(window, 39, 0));
        EXPECT_TRUE(InView(window, GetFocus()));
        EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
        SetWindowTextW(GetFocus(), L"3");
        Press(window, IDC_RS_SELL);
    });
    EXPECT_TRUE(result.committed);
    EXPECT_EQ(Rows("SELECT card_id, variant, condition, qty FROM sales ORDER BY sale_id;"),
              (Lines{"c1000|Holo|Mint|1", "c1000|Standard|Played|2", "c1003|Other|Mint|3"}));
}

TEST_F(ReviewSalesTest, TheCloseBoxOrAQuitRecordNothingAndGiveTheOwnerBack)
{
    ManyRows(1);
    for (bool quit : {false, true}) {
        const ReviewSalesResult result = Review({{"c1000", L"Card"}}, [quit](HWND window) {
            SetWindowTextW(RowEdit(window, 0, 0), L"1");
            quit ? PostQuitMessage(7) : void(SendMessageW(window, WM_CLOSE, 0, 0));
        });
        EXPECT_FALSE(result.committed);
        EXPECT_EQ(GetFocus(), owner);
    }
    MSG quit; // passed on to the main loop
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
}

int editsToAllow = 0;

LRESULT CALLBACK FailAnEdit(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) { // under a Common Controls 6 manifest the name may carry a version
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        const size_t length = IS_INTRESOURCE(name) ? 0 : wcslen(name);
        if (length >= 4 && _wcsicmp(name + length - 4, L"Edit") == 0 && editsToAllow-- == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ReviewSalesTest, NoStockTooManyRowsOrAFieldThatCannotBeMadeOpenNoWindow)
{
    const auto opened = [](HWND window) {
        ADD_FAILURE() << "the window opened";
        Press(window, IDC_RS_CANCEL);
    };
    EXPECT_FALSE(Review({{"none", L"None"}}, opened).committed);
    // Ticked cards without stock, none of them catalogued, count no rows.
    std::vector<CheckedCard> cards;
    for (const CheckedCard& card : ManyRows(501)) {
        cards.push_back(card);
        for (int i = 0; i < 30; ++i)
            cards.push_back({card.card_id + "-none-" + std::to_string(i), L"None"});
    }
    EXPECT_FALSE(Review(cards, opened).committed);

    Exec("DELETE FROM inventory WHERE inv_id = 1;");
    editsToAllow = 5;
    HHOOK hook = SetWindowsHookExW(WH_CBT, FailAnEdit, nullptr, GetCurrentThreadId());
    EXPECT_FALSE(Review(cards, opened).committed);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(boxes.size(), 3u); // each refusal is said

    bool shown = false; // five hundred rows are taken
    EXPECT_FALSE(Review(cards, [&shown](HWND window) {
                     shown = true;
                     Press(window, IDC_RS_CANCEL);
                 }).committed);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
}

} // namespace

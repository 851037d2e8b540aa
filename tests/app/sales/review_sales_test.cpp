// The review-sales window over an owner of the test's own: each test acts
// from inside the window's loop, as a user would, and reads back the window,
// the message boxes and the database.
#include "app/sales/review_sales.h"

#include "tests/core/ledger_db_fixture.h"
#include "tests/support/process_window.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <windows.h>

#include <functional>

namespace {

struct Box {
    HWND owner;
    std::wstring text;
    UINT type;
};
std::vector<Box> boxes;

int RecordBox(HWND owner, const wchar_t* text, const wchar_t*, UINT type)
{
    boxes.push_back({owner, text, type});
    return IDOK;
}

std::function<void(HWND)> step;
UINT_PTR stepTimer = 0;
UINT_PTR hangTimer = 0;

// A step must close the window; one that does not is a fault, not a hang.
void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, hangTimer);
    ADD_FAILURE() << "the window was left open";
    PostMessageW(FindThreadWindow(kReviewWindowClass), WM_CLOSE, 0, 0);
}

// A thread timer fires from the window's own loop once it is up and drawn.
void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, stepTimer);
    if (HWND window = FindThreadWindow(kReviewWindowClass)) {
        step(window);
        hangTimer = SetTimer(nullptr, 0, 10000, CloseLeftOpen);
    }
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

    // rows rows of stock, five each at 1.00, twelve to a card, in the order
    // the window lists them.
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
        return result;
    }

    void ExpectOwnerBack()
    {
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(GetFocus(), owner);
        EXPECT_FALSE(FindThreadWindow(kReviewWindowClass));
    }

    HWND owner = nullptr;
};

HWND Viewport(HWND window)
{
    return FindWindowExW(window, nullptr, kReviewViewportClass, nullptr);
}

SCROLLINFO Scroll(HWND window)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(Viewport(window), SB_VERT, &info);
    return info;
}

RECT InViewport(HWND window, HWND control)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, Viewport(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The edit (field 0 quantity, 1 price) now at the row's place.
HWND RowEdit(HWND window, int row, int field, int pitch = 30)
{
    const int top = row * pitch - Scroll(window).nPos;
    for (HWND child = GetWindow(Viewport(window), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = InViewport(window, child);
        if (GetDlgCtrlID(child) == IDC_RS_ROW_EDIT && place.top >= top && place.top < top + pitch && field-- == 0)
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

std::wstring TotalText(HWND window)
{
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child).rfind(L"Total:", 0) == 0)
            return WindowText(child);
    return std::wstring();
}

void Press(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

TEST_F(ReviewSalesTest, StockSoldElsewhereRecordsNothingThenTheRetryIsOneBatch)
{
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('x', 'Standard', 'Mint', 2, 4.5),"
         "('x', 'Holo', 'Played', 3, 0), ('y', 'Standard', 'Mint', 1, 2);");

    const ReviewSalesResult result = Review(
        {{"x", L"Ex"}, {"y", L"Why"}},
        [this](HWND window) {
            EXPECT_FALSE(IsWindowEnabled(owner));
            EXPECT_EQ(GetFocus(), RowEdit(window, 0, 0));
            EXPECT_EQ(WindowText(RowEdit(window, 0, 1)), L""); // Holo/Played: no stored price
            SetWindowTextW(RowEdit(window, 1, 0), L"2");
            SetWindowTextW(RowEdit(window, 0, 0), L"1");
            SetWindowTextW(RowEdit(window, 0, 1), L"1.25");
            EXPECT_EQ(TotalText(window), L"Total: 3 units   $10.25");

            Exec("UPDATE inventory SET qty = 1 WHERE card_id = 'x' AND variant = 'Standard';");
            Press(window, IDC_RS_SELL);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].owner, window);
            EXPECT_EQ(boxes[0].text.rfind(L"The sale could not be recorded:\n\n", 0), 0u);
            EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
            EXPECT_TRUE(IsWindowVisible(window));

            SetWindowTextW(RowEdit(window, 1, 0), L"1");
            SendMessageW(window, WM_COMMAND, IDOK, 0); // Enter
        },
        2);

    EXPECT_TRUE(result.committed);
    EXPECT_EQ(result.rows, 2);
    EXPECT_EQ(Rows("SELECT variant, qty, price, channel FROM sales ORDER BY sale_id;"),
              (std::vector<std::string>{"Holo|1|1.25|eBay", "Standard|1|4.5|eBay"}));
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT batch_id), COUNT(DISTINCT sold_at) FROM sales;"),
              std::vector<std::string>{"1|1"});
    EXPECT_EQ(Rows("SELECT card_id, qty FROM inventory ORDER BY inv_id;"), (std::vector<std::string>{"x|2", "y|1"}));
    ExpectOwnerBack();
}

TEST_F(ReviewSalesTest, TwelveRowsScrollExactlyToTheEndAndABadFieldOutOfViewIsBroughtIntoIt)
{
    const ReviewSalesResult result = Review(ManyRows(12), [](HWND window) {
        EXPECT_EQ(Scroll(window).nMax + 1, 12 * 30);
        SendMessageW(Viewport(window), WM_VSCROLL, SB_PAGEDOWN, 0);
        SendMessageW(Viewport(window), WM_VSCROLL, SB_PAGEDOWN, 0);
        EXPECT_EQ(Scroll(window).nPos, 30);
        EXPECT_TRUE(InView(window, RowEdit(window, 11, 1)));
        SendMessageW(Viewport(window), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        EXPECT_EQ(Scroll(window).nPos, 0);

        SetWindowTextW(RowEdit(window, 11, 0), L"6");
        Press(window, IDC_RS_SELL);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, L"You only have 5 in stock for Standard / Played.");
        EXPECT_EQ(GetFocus(), RowEdit(window, 11, 0));
        EXPECT_TRUE(InView(window, GetFocus()));
        Press(window, IDC_RS_CANCEL);
    });
    EXPECT_FALSE(result.committed);
    EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
}

// Only the rows in view have controls: what is typed must stay with its row
// however the rows move under them.
TEST_F(ReviewSalesTest, WhatIsTypedStaysWithItsRowWhileManyRowsScroll)
{
    const ReviewSalesResult result = Review(ManyRows(40), [](HWND window) {
        SetWindowTextW(RowEdit(window, 0, 0), L"1");
        // Tab from the last row in view steps into the next and shows it.
        SetFocus(RowEdit(window, 10, 1));
        MSG tab = {};
        tab.hwnd = GetFocus();
        tab.message = WM_KEYDOWN;
        tab.wParam = VK_TAB;
        IsDialogMessageW(window, &tab);
        EXPECT_EQ(GetFocus(), RowEdit(window, 11, 0));
        EXPECT_TRUE(InView(window, GetFocus()));
        SetWindowTextW(GetFocus(), L"2");
        // The field typed in keeps the keyboard as its row moves.
        for (int notch = 0; notch < 3; ++notch)
            SendMessageW(Viewport(window), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
        EXPECT_EQ(GetFocus(), RowEdit(window, 11, 0));

        for (int page = 0; page < 4; ++page)
            SendMessageW(Viewport(window), WM_VSCROLL, SB_PAGEDOWN, 0);
        SetWindowTextW(RowEdit(window, 39, 0), L"3");
        for (int page = 0; page < 4; ++page)
            SendMessageW(Viewport(window), WM_VSCROLL, SB_PAGEUP, 0);
        EXPECT_EQ(WindowText(RowEdit(window, 0, 0)), L"1");
        EXPECT_EQ(WindowText(RowEdit(window, 1, 0)), L"0");
        Press(window, IDC_RS_SELL);
    });
    EXPECT_TRUE(result.committed);
    EXPECT_EQ(Rows("SELECT card_id, variant, condition, qty FROM sales ORDER BY sale_id;"),
              (std::vector<std::string>{"c1000|Holo|Mint|1", "c1000|Standard|Played|2", "c1003|Other|Mint|3"}));
}

TEST_F(ReviewSalesTest, TheCloseBoxOrAQuitRecordNothingAndGiveTheOwnerBack)
{
    ManyRows(1);
    for (bool quit : {false, true}) {
        const ReviewSalesResult result = Review({{"c1000", L"Card"}}, [quit](HWND window) {
            SetWindowTextW(RowEdit(window, 0, 0), L"1");
            if (quit)
                PostQuitMessage(7);
            else
                SendMessageW(window, WM_CLOSE, 0, 0);
        });
        EXPECT_FALSE(result.committed);
        EXPECT_EQ(result.rows, 0);
        ExpectOwnerBack();
    }
    MSG quit; // passed on to the main loop
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
}

int editsToAllow = 0;

LRESULT CALLBACK FailAnEdit(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        // Under a Common Controls 6 manifest the name may carry a version.
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
    const std::vector<CheckedCard> cards = ManyRows(501);
    EXPECT_FALSE(Review(cards, opened).committed);

    Exec("DELETE FROM inventory WHERE inv_id = 1;");
    editsToAllow = 5;
    HHOOK hook = SetWindowsHookExW(WH_CBT, FailAnEdit, nullptr, GetCurrentThreadId());
    EXPECT_FALSE(Review(cards, opened).committed);
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(IsWindowEnabled(owner));

    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, L"None of the ticked cards have stock to sell.");
    EXPECT_NE(boxes[1].text.find(L"at most 500 can be reviewed at once"), std::wstring::npos);
    EXPECT_EQ(boxes[2].text.rfind(L"The review window could not be opened", 0), 0u);

    // Five hundred rows are taken.
    EXPECT_FALSE(Review(cards, [](HWND window) {
                     EXPECT_EQ(Scroll(window).nMax + 1, 500 * 30);
                     Press(window, IDC_RS_CANCEL);
                 }).committed);
    EXPECT_TRUE(Rows("SELECT * FROM sales;").empty());
}

} // namespace

// The recent-sales and amend windows over an owner of the test's own: each
// step acts from inside a window's loop, as a user would (an Amend… press
// runs the amend window's loop, where the next step acts), and reads back
// the windows, the message boxes and the database.
#include "app/sales/amend_sale.h"
#include "app/sales/recent_sales.h"

#include "tests/core/ledger_db_fixture.h"
#include "tests/support/process_window.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>
#include <map>

namespace {

struct Box {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT type;
};
std::vector<Box> boxes;
std::deque<int> answers; // for questions; Yes when none is scripted

int RecordBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type)
{
    boxes.push_back({owner, text, title, type});
    if ((type & MB_TYPEMASK) != MB_YESNO)
        return IDOK;
    if (answers.empty())
        return IDYES;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

struct Step {
    const wchar_t* className;
    std::function<void(HWND)> act;
};
std::map<UINT_PTR, Step> steps;

// A thread timer fires from whichever loop runs once its window is up and
// drawn.
void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    const auto found = steps.find(id);
    if (found == steps.end())
        return;
    const Step step = found->second;
    steps.erase(found);
    if (HWND window = FindThreadWindow(step.className))
        step.act(window);
    else
        ADD_FAILURE() << "no window to act in";
}

void Later(const wchar_t* className, std::function<void(HWND)> act)
{
    steps[SetTimer(nullptr, 0, 0, RunStep)] = {className, std::move(act)};
}

// A step must close its window; one left open is a fault, not a hang.
void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    ADD_FAILURE() << "a window was left open";
    for (const wchar_t* name : {kAmendWindowClass, kRecentSalesClass})
        PostMessageW(FindThreadWindow(name), WM_CLOSE, 0, 0);
}

void Press(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

HWND List(HWND window)
{
    return GetDlgItem(window, IDC_RC_LIST);
}

int Items(HWND window)
{
    return static_cast<int>(SendMessageW(List(window), LVM_GETITEMCOUNT, 0, 0));
}

std::wstring Cell(HWND window, int item, int column)
{
    wchar_t text[128] = {};
    LVITEMW read = {};
    read.iSubItem = column;
    read.pszText = text;
    read.cchTextMax = 128;
    SendMessageW(List(window), LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&read));
    return text;
}

// The state image: 0 no box, 1 an empty box, 2 a ticked one.
void SetBox(HWND window, int item, int image)
{
    SetListItemState(List(window), item, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
}

void Tick(HWND window, int item)
{
    SetBox(window, item, 2);
}

// Focus and selection on item alone; -1 for none.
void Point(HWND window, int item, UINT states = LVIS_FOCUSED | LVIS_SELECTED)
{
    SetListItemState(List(window), -1, 0, LVIS_FOCUSED | LVIS_SELECTED);
    if (item >= 0)
        SetListItemState(List(window), item, states, states);
}

std::wstring Status(HWND window)
{
    return WindowText(GetWindow(window, GW_CHILD)); // the first control made
}

class RecentSalesTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        boxes.clear();
        answers.clear();
        Ui().messageBox = RecordBox;
        owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 900, 600, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        for (const auto& step : steps)
            KillTimer(nullptr, step.first);
        steps.clear();
        Ui() = SystemUiCalls();
        LedgerDbTest::TearDown();
    }

    int32_t Recent(std::function<void(HWND)> act, const std::string& card = std::string())
    {
        Later(kRecentSalesClass, std::move(act));
        const UINT_PTR guard = SetTimer(nullptr, 0, 20000, CloseLeftOpen);
        const int32_t changes = RecentSales(GetModuleHandleW(nullptr), owner, card);
        KillTimer(nullptr, guard);
        EXPECT_TRUE(steps.empty()) << "a step never ran";
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_FALSE(FindThreadWindow(kRecentSalesClass));
        return changes;
    }

    void Stock(const char* values)
    {
        Exec((std::string("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ") + values + ";")
                 .c_str());
    }

    // One recording: one batch.
    void Sell(const std::vector<SaleLine>& lines)
    {
        std::string error;
        ASSERT_TRUE(RecordSales(db.get(), lines, error)) << error;
    }

    std::vector<std::string> SaleStock()
    {
        return Rows("SELECT card_id, variant, condition, qty, price FROM inventory ORDER BY card_id, variant;");
    }

    HWND owner = nullptr;
};

TEST_F(RecentSalesTest, ListsTheNewestFiveHundredOrEveryOneOfACardAndNothingFromALedgerItCannotRead)
{
    Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 502) "
         "INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, channel, batch_id) "
         "SELECT CASE WHEN i <= 2 THEN 'old' ELSE 'new' END, 'Holo', 'Mint', 1, 2.5, "
         "printf('2024-05-01 10:%02d:%02d', i / 60 % 60, i % 60), 'eBay', i FROM n;");

    EXPECT_EQ(Recent([](HWND window) {
                  EXPECT_EQ(WindowText(window), L"Recent sales");
                  EXPECT_EQ(Items(window), 500);
                  EXPECT_EQ(Status(window), L"Latest 500 of 502 sales (most recent first)");
                  EXPECT_EQ(Cell(window, 0, 0), L"2024-05-01 10:08:22"); // sale 502
                  EXPECT_EQ(Cell(window, 499, 5), L"$2.50");
                  SendMessageW(window, WM_COMMAND, IDCANCEL, 0); // Escape
              }),
              0);

    // The card's sales lie beyond the newest 500, and all of them show.
    EXPECT_EQ(Recent(
                  [](HWND window) {
                      EXPECT_EQ(WindowText(window), L"Recent sales \u2014 this card");
                      ASSERT_EQ(Items(window), 2);
                      EXPECT_EQ(Status(window), L"2 sales for this card (most recent first)");
                      EXPECT_EQ(Cell(window, 1, 1), L"old"); // not in the catalogue: its card id
                      Press(window, IDC_RC_CLOSE);
                  },
                  "old"),
              0);

    Exec("CREATE TABLE catalogue (card_id TEXT PRIMARY KEY);"); // no name column: every read fails
    EXPECT_EQ(Recent([](HWND window) {
                  EXPECT_EQ(Items(window), 0);
                  EXPECT_EQ(Status(window), L"Couldn't load sales \u2014 database error. Reverse/Amend disabled.");
                  for (int id : {IDC_RC_REVERSE_SELECTED, IDC_RC_REVERSE_BATCH, IDC_RC_AMEND})
                      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id)));
                  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_RC_CLOSE)));
                  SendMessageW(window, WM_CLOSE, 0, 0);
              }),
              0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM sales;"), std::vector<std::string>{"502"});
}

TEST_F(RecentSalesTest, ReverseSelectedTakesOnlyTheTickedRowsOverTheSelectedOne)
{
    Stock("('a', 'Holo', 'Mint', 5, 1), ('b', 'Holo', 'Mint', 5, 1), ('c', 'Holo', 'Mint', 5, 1), "
          "('d', 'Holo', 'Mint', 5, 1)");
    for (const char* card : {"a", "b", "c", "d"})
        Sell({{card, L"Holo", L"Mint", 2, 3.0, L"eBay"}});
    // Listed newest first: d, c, b, a.

    EXPECT_EQ(Recent([](HWND window) {
                  Tick(window, 1);
                  Tick(window, 3);
                  Point(window, 2);
                  // A row without a box is not a ticked one.
                  SetBox(window, 0, 0);

                  answers = {IDNO};
                  Press(window, IDC_RC_REVERSE_SELECTED);
                  ASSERT_EQ(boxes.size(), 1u);
                  EXPECT_EQ(boxes[0].owner, window);
                  EXPECT_EQ(boxes[0].title, L"Reverse sales");
                  EXPECT_EQ(boxes[0].text, L"Reverse 2 selected sales? The stock will be restored.");
                  EXPECT_EQ(Items(window), 4);

                  Press(window, IDC_RC_REVERSE_SELECTED);
                  ASSERT_EQ(boxes.size(), 2u);
                  ASSERT_EQ(Items(window), 2);
                  EXPECT_EQ(Cell(window, 0, 1), L"d");
                  EXPECT_EQ(Cell(window, 1, 1), L"b");
                  EXPECT_EQ(Status(window), L"2 sales (most recent first)");

                  Tick(window, 1);
                  Press(window, IDC_RC_REVERSE_SELECTED);
                  EXPECT_EQ(Status(window), L"1 sale (most recent first)");
                  Press(window, IDC_RC_CLOSE);
              }),
              3);
    EXPECT_EQ(Rows("SELECT card_id FROM sales;"), std::vector<std::string>{"d"});
    EXPECT_EQ(SaleStock(), (std::vector<std::string>{"a|Holo|Mint|5|1.0", "b|Holo|Mint|5|1.0", "c|Holo|Mint|5|1.0",
                                                     "d|Holo|Mint|3|1.0"}));
}

TEST_F(RecentSalesTest, ABatchNeedsOneTargetAndIsReversedWholeAcrossCards)
{
    Stock("('a', 'Holo', 'Mint', 4, 2), ('b', 'Standard', 'Played', 1, 5)");
    Sell({{"a", L"Holo", L"Mint", 2, 2.5, L"Market"}, {"b", L"Standard", L"Played", 1, 6.0, L"Market"}});
    Sell({{"a", L"Holo", L"Mint", 1, 2.0, L"eBay"}});
    ASSERT_EQ(SaleStock(), std::vector<std::string>{"a|Holo|Mint|1|2.0"}); // b sold out
    // Listed: the later a, then b and a of the first batch.

    EXPECT_EQ(Recent([](HWND window) {
                  // Two ticks, even of one batch, are refused.
                  Tick(window, 1);
                  Tick(window, 2);
                  Press(window, IDC_RC_REVERSE_BATCH);
                  Press(window, IDC_RC_AMEND);
                  ASSERT_EQ(boxes.size(), 2u);
                  EXPECT_EQ(boxes[0].title, L"Reverse batch");
                  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONINFORMATION));
                  EXPECT_EQ(boxes[1].title, L"Amend sale");
                  EXPECT_EQ(Items(window), 3);

                  SetBox(window, 1, 1);
                  Press(window, IDC_RC_REVERSE_BATCH);
                  ASSERT_EQ(boxes.size(), 3u);
                  EXPECT_EQ(boxes[2].title, L"Reverse batch");
                  EXPECT_EQ(boxes[2].text.rfind(L"Reverse the whole batch sold at 20", 0), 0u);
                  ASSERT_EQ(Items(window), 1);

                  // Nothing ticked: the focused row, selected or not.
                  Point(window, 0, LVIS_FOCUSED);
                  Press(window, IDC_RC_REVERSE_BATCH);
                  EXPECT_EQ(Items(window), 0);
                  EXPECT_EQ(Status(window), L"No sales recorded yet.");

                  Press(window, IDC_RC_REVERSE_BATCH);
                  EXPECT_EQ(boxes.back().text, L"Tick or select a sale first \u2014 its whole batch (everything sold "
                                               L"at the same moment) will be reversed.");
                  Press(window, IDC_RC_CLOSE);
              }),
              3);
    // The sold-out row comes back at the price it was sold for.
    EXPECT_EQ(SaleStock(), (std::vector<std::string>{"a|Holo|Mint|4|2.0", "b|Standard|Played|1|6.0"}));
}

TEST_F(RecentSalesTest, OneSaleThatCannotBeReversedReversesNoneAndKeepsTheList)
{
    Stock("('a', 'Holo', 'Mint', 5, 1)");
    for (int i = 0; i < 3; ++i)
        Sell({{"a", L"Holo", L"Mint", 1, 1.0, L"eBay"}});

    EXPECT_EQ(Recent([this](HWND window) {
                  Tick(window, 0);
                  Tick(window, 1);
                  Exec("DELETE FROM sales WHERE sale_id = 2;"); // gone behind the window's back
                  Press(window, IDC_RC_REVERSE_SELECTED);
                  ASSERT_EQ(boxes.size(), 2u);
                  EXPECT_EQ(boxes[1].text, L"Could not reverse the sales:\n\nsale not found");
                  EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_ICONERROR));
                  EXPECT_EQ(Items(window), 3);
                  Press(window, IDC_RC_CLOSE);
              }),
              0);
    EXPECT_EQ(Rows("SELECT sale_id FROM sales ORDER BY sale_id;"), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"a|Holo|Mint|2|1.0"});
}

HWND AmendField(HWND amend, int id)
{
    return GetDlgItem(amend, id);
}

std::wstring ChosenChannel(HWND amend)
{
    HWND combo = AmendField(amend, IDC_AMEND_CHANNEL);
    return ComboItemText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
}

// Presses Amend… on the window's one pointed-at row and acts in the amend
// window that opens.
void Amend(HWND window, std::function<void(HWND)> act)
{
    Point(window, 0);
    Later(kAmendWindowClass, std::move(act));
    Press(window, IDC_RC_AMEND);
}

TEST_F(RecentSalesTest, AmendWritesOnlyRealChangesAndKeepsWhatWasNotTouched)
{
    Stock("('a', 'Holo', 'Mint', 4, 1)");
    Sell({{"a", L"Holo", L"Mint", 1, 4.999, L"Car boot"}});
    const auto sale = [this] { return Rows("SELECT qty, price, channel FROM sales;"); };

    EXPECT_EQ(Recent([&](HWND window) {
                  Amend(window, [&](HWND amend) {
                      EXPECT_FALSE(IsWindowEnabled(window));
                      EXPECT_EQ(GetFocus(), AmendField(amend, IDC_AMEND_QTY));
                      EXPECT_EQ(WindowText(GetWindow(amend, GW_CHILD)), L"a");
                      EXPECT_EQ(WindowText(AmendField(amend, IDC_AMEND_PRICE)), L"5.00");
                      EXPECT_EQ(SendMessageW(AmendField(amend, IDC_AMEND_CHANNEL), CB_GETCOUNT, 0, 0), 6);
                      EXPECT_EQ(ChosenChannel(amend), L"Car boot");
                      // The owner's font, which stays the owner's.
                      EXPECT_EQ(SendMessageW(AmendField(amend, IDC_AMEND_QTY), WM_GETFONT, 0, 0),
                                SendMessageW(List(window), WM_GETFONT, 0, 0));
                      SendMessageW(amend, WM_COMMAND, IDOK, 0); // Enter, nothing changed
                  });
                  EXPECT_EQ(sale(), std::vector<std::string>{"1|4.999|Car boot"});

                  Amend(window, [](HWND amend) {
                      SendMessageW(AmendField(amend, IDC_AMEND_CHANNEL), CB_SETCURSEL, 0, 0);
                      Press(amend, IDC_AMEND_SAVE);
                  });
                  EXPECT_EQ(sale(), std::vector<std::string>{"1|4.999|Market"});
                  EXPECT_EQ(SaleStock(), std::vector<std::string>{"a|Holo|Mint|3|1.0"});
                  EXPECT_EQ(Cell(window, 0, 6), L"Market");

                  Amend(window, [&](HWND amend) {
                      for (const wchar_t* qty : {L"0", L""}) {
                          SetWindowTextW(AmendField(amend, IDC_AMEND_QTY), qty);
                          SetFocus(AmendField(amend, IDC_AMEND_PRICE));
                          Press(amend, IDC_AMEND_SAVE);
                          EXPECT_EQ(boxes.back().owner, amend);
                          EXPECT_EQ(boxes.back().type, static_cast<UINT>(MB_ICONWARNING));
                          EXPECT_EQ(GetFocus(), AmendField(amend, IDC_AMEND_QTY));
                      }
                      SetWindowTextW(AmendField(amend, IDC_AMEND_QTY), L"5"); // four more than the three left
                      Press(amend, IDC_AMEND_SAVE);
                  });
                  ASSERT_EQ(boxes.size(), 3u);
                  EXPECT_EQ(boxes[0].text,
                            L"Quantity must be at least 1. To remove the sale entirely, reverse it instead.");
                  EXPECT_EQ(boxes[2].owner, window);
                  EXPECT_EQ(boxes[2].text,
                            L"Could not amend the sale:\n\nnot enough stock to raise this sale by 4 (a [Holo / Mint])");
                  EXPECT_EQ(sale(), std::vector<std::string>{"1|4.999|Market"});

                  Amend(window, [](HWND amend) {
                      SetWindowTextW(AmendField(amend, IDC_AMEND_QTY), L"4");
                      Press(amend, IDC_AMEND_SAVE);
                  });
                  Amend(window, [](HWND amend) {
                      SetWindowTextW(AmendField(amend, IDC_AMEND_PRICE), L"9.00");
                      SendMessageW(amend, WM_COMMAND, IDCANCEL, 0); // Escape: nothing saved
                  });
                  Press(window, IDC_RC_CLOSE);
              }),
              2);
    EXPECT_EQ(sale(), std::vector<std::string>{"4|4.999|Market"});
    EXPECT_TRUE(SaleStock().empty()); // the last three went into the sale
}

TEST_F(RecentSalesTest, AQuitInTheAmendWindowClosesBothAndReachesTheMainLoop)
{
    Stock("('a', 'Holo', 'Mint', 3, 1)");
    Sell({{"a", L"Holo", L"Mint", 1, 2.0, L"eBay"}});
    EXPECT_EQ(Recent([](HWND window) {
                  Amend(window, [](HWND amend) {
                      SetWindowTextW(AmendField(amend, IDC_AMEND_QTY), L"2");
                      PostQuitMessage(3);
                  });
              }),
              0);
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
    EXPECT_EQ(Rows("SELECT qty FROM sales;"), std::vector<std::string>{"1"});
}

TEST_F(RecentSalesTest, TheAmendWindowHandsBackValuesOnlyWhenSavedAndLeavesTheFontAlone)
{
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Segoe UI");
    SaleRecord sale;
    sale.card_id = "sv1-1";
    sale.name = L"Sprigatito";
    sale.qty = 2;
    sale.price = 1.5;
    sale.channel = L"Website";
    int32_t qty = -1;
    double price = -1.0;
    std::wstring channel = L"untouched";

    Later(kAmendWindowClass, [](HWND amend) {
        SetWindowTextW(AmendField(amend, IDC_AMEND_QTY), L"3");
        SendMessageW(amend, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(ShowAmendSaleDialog(GetModuleHandleW(nullptr), owner, 96, font, sale, qty, price, channel));
    EXPECT_EQ(qty, -1);
    EXPECT_EQ(channel, L"untouched");

    Later(kAmendWindowClass, [font](HWND amend) {
        EXPECT_EQ(WindowText(GetWindow(amend, GW_CHILD)), L"Sprigatito");
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(AmendField(amend, IDC_AMEND_PRICE), WM_GETFONT, 0, 0)), font);
        SetWindowTextW(AmendField(amend, IDC_AMEND_PRICE), L"2.25");
        Press(amend, IDC_AMEND_SAVE);
    });
    EXPECT_TRUE(ShowAmendSaleDialog(GetModuleHandleW(nullptr), owner, 96, font, sale, qty, price, channel));
    EXPECT_EQ(qty, 2);
    EXPECT_EQ(price, 2.25);
    EXPECT_EQ(channel, L"Website");
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    EXPECT_TRUE(IsWindowEnabled(owner));
    DeleteObject(font);
}

} // namespace

// The owner-drawn look, read back pixel by pixel from a memory bitmap.
#include "tests/app/main_window_fixture.h"

#include "app/grid_header.h"
#include "app/paint.h"

namespace {

// A 24-bit bitmap selected into a memory device context.
class Canvas {
public:
    Canvas(int width, int height)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
        const RECT all = {0, 0, width, height};
        HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        FillRect(dc_, &all, black);
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    bool Holds(const RECT& r, COLORREF colour) const
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) == colour)
                    return true;
        return false;
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override { CreateSharedBrushes(); }
    void TearDown() override { DeleteSharedBrushes(); }
};

TEST_F(PaintTest, BrushesAreMadeOnceAndDeletingTwiceDoesNothing)
{
    const HBRUSH first = Brushes().window;
    ASSERT_NE(first, nullptr);
    CreateSharedBrushes();
    EXPECT_EQ(Brushes().window, first);
    DeleteSharedBrushes();
    EXPECT_EQ(Brushes().window, nullptr);
    EXPECT_EQ(Brushes().frame, nullptr);
    DeleteSharedBrushes();
    EXPECT_EQ(Brushes().white, nullptr);
}

TEST_F(PaintTest, CheckBoxIsFramedWhiteAndTickedOnlyWhenChecked)
{
    Canvas canvas(20, 20);
    const RECT box = {2, 2, 15, 15};
    PaintCheckBox(canvas.Dc(), box, false);
    EXPECT_EQ(canvas.At(2, 2), kFrameColour);
    EXPECT_EQ(canvas.At(14, 8), kFrameColour);
    EXPECT_FALSE(canvas.Holds({3, 3, 14, 14}, kInk));
    EXPECT_EQ(canvas.At(8, 8), kWhite);

    PaintCheckBox(canvas.Dc(), box, true);
    EXPECT_TRUE(canvas.Holds({3, 3, 14, 14}, kInk));
    EXPECT_EQ(canvas.At(15, 15), RGB(0, 0, 0));  // nothing outside the box
}

DRAWITEMSTRUCT Item(HDC dc, HWND control, RECT rect, UINT state)
{
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hDC = dc;
    item.hwndItem = control;
    item.rcItem = rect;
    item.itemState = state;
    return item;
}

TEST_F(PaintTest, ModeTogglePaintsTheCurrentHalfInTheAccent)
{
    Canvas canvas(140, 28);
    const RECT r = {0, 0, 140, 28};
    PaintModeToggle(Item(canvas.Dc(), nullptr, r, 0), true);
    EXPECT_EQ(canvas.At(105, 4), kAccent);
    EXPECT_NE(canvas.At(35, 4), kAccent);
    EXPECT_TRUE(canvas.Holds({72, 3, 138, 25}, kWhite));  // "Collection" in white
    EXPECT_TRUE(canvas.Holds({2, 3, 68, 25}, kMuted));     // "Sales" in grey

    PaintModeToggle(Item(canvas.Dc(), nullptr, r, 0), false);
    EXPECT_EQ(canvas.At(35, 4), kAccent);
    EXPECT_NE(canvas.At(105, 4), kAccent);
}

class OwnerButtonTest : public PaintTest {
protected:
    void SetUp() override
    {
        PaintTest::SetUp();
        button = CreateWindowExW(0, L"BUTTON", L"Save", WS_POPUP | BS_OWNERDRAW, 0, 0, 90, 28, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    void TearDown() override
    {
        DestroyWindow(button);
        PaintTest::TearDown();
    }
    HWND button = nullptr;
};

TEST_F(OwnerButtonTest, RestingPressedAndDisabledLooks)
{
    Canvas canvas(90, 28);
    const RECT r = {0, 0, 90, 28};

    PaintOwnerButton(Item(canvas.Dc(), button, r, 0));
    EXPECT_EQ(canvas.At(0, 0), kFrameColour);
    EXPECT_EQ(canvas.At(2, 2), kButtonFace);
    EXPECT_TRUE(canvas.Holds(r, kInk));

    PaintOwnerButton(Item(canvas.Dc(), button, r, ODS_SELECTED));
    EXPECT_EQ(canvas.At(2, 2), kButtonPressed);

    PaintOwnerButton(Item(canvas.Dc(), button, r, ODS_DISABLED));
    EXPECT_EQ(canvas.At(2, 2), kButtonFace);
    EXPECT_FALSE(canvas.Holds(r, kInk));
    EXPECT_TRUE(canvas.Holds(r, kMuted));
}

using GridHeaderTest = MainWindowTest;

TEST_F(GridHeaderTest, HeaderItemsArePaintedWithTheCheckAllBoxInTheFirst)
{
    OpenWindow();
    HWND header = ListView_GetHeader(Controls().grid);
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(header, GWL_STYLE) & HDS_CHECKBOXES);
    EXPECT_FALSE(IsHeaderCheckAllChecked());

    RECT item;
    Header_GetItemRect(header, 0, &item);
    Canvas canvas(item.right, item.bottom);
    NMCUSTOMDRAW draw = {};
    draw.hdr.hwndFrom = header;
    draw.hdr.code = static_cast<UINT>(NM_CUSTOMDRAW);
    draw.hdc = canvas.Dc();
    draw.rc = item;
    draw.dwItemSpec = 0;
    draw.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(SendMessageW(Controls().grid, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)), CDRF_NOTIFYITEMDRAW);
    draw.dwDrawStage = CDDS_ITEMPREPAINT;
    EXPECT_EQ(SendMessageW(Controls().grid, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)), CDRF_SKIPDEFAULT);

    const int dpi = MainWindow().dpi;
    const int box = MulDiv(13, dpi, 96);
    const int left = MulDiv(5, dpi, 96);
    const int top = (item.bottom - item.top - box) / 2;
    EXPECT_EQ(canvas.At(1, 1), kHeaderColour);
    EXPECT_EQ(canvas.At(item.right - 1, 1), kWindowColour);
    EXPECT_EQ(canvas.At(left, top), kFrameColour);
    EXPECT_EQ(canvas.At(left + box - 1, top + box - 1), kFrameColour);
    EXPECT_EQ(canvas.At(left + box / 2, top + 1), kWhite);
    EXPECT_TRUE(canvas.Holds({left + box, 0, item.right - 1, item.bottom}, kInk));  // "Card"
}

} // namespace

// The shared controls: status bar panes, input box, pictures, text fitting,
// menu pictures and the two owner-drawn buttons.
#include "tests/support/TempTree.h"
#include "tests/ui/TestResources.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/common/AutosizeMultipaneStatusBar.h"
#include "ui/common/ButtonST.h"
#include "ui/common/CustomButton.h"
#include "ui/common/ImageBitmap.h"
#include "ui/common/ImageEx.h"
#include "ui/common/InputBox.h"
#include "ui/common/MenuImageTable.h"
#include "ui/common/TextFit.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

class StatusBarTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent_.Create(500, 300), nullptr);
        HWND bar = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
            parent_, nullptr, AppModule().Instance(), nullptr);
        ASSERT_TRUE(bar_.SubclassWindow(bar));
    }
    int Width(int index) const
    {
        const std::vector<int> edges = bar_.PaneEdges();
        return edges[index] - (index > 0 ? edges[index - 1] : 0);
    }
    int FreeRight() const
    {
        return bar_.GetClientRect().right - ::GetSystemMetrics(SM_CXVSCROLL) - ::GetSystemMetrics(SM_CXEDGE);
    }

    uitest::CRecordingParent parent_;
    CAutosizeMultipaneStatusBar bar_;
};

TEST_F(StatusBarTest, SinglePaneIsExactlyAsWideAsAsked)
{
    ASSERT_TRUE(bar_.SetPanes({137}));
    bar_.SetPaneWidth(137, 180);
    EXPECT_EQ(bar_.PaneEdges(), std::vector<int>{180});
    bar_.SetPaneWidth(137, 64);
    EXPECT_EQ(Width(0), 64);
    // A pane that is not there changes nothing.
    bar_.SetPaneWidth(138, 300);
    EXPECT_EQ(Width(0), 64);
}

TEST_F(StatusBarTest, DefaultPaneTakesWhatTheOthersLeave)
{
    ASSERT_TRUE(bar_.SetPanes({5, CAutosizeMultipaneStatusBar::kDefaultPane, 137}));
    EXPECT_EQ(bar_.PaneEdges().back(), FreeRight());

    // Before the default pane: its right edge moves; after it: its left edge.
    bar_.SetPaneWidth(5, 60);
    bar_.SetPaneWidth(137, 150);
    EXPECT_EQ(Width(0), 60);
    EXPECT_EQ(Width(2), 150);
    EXPECT_EQ(bar_.PaneEdges().back(), FreeRight());

    // Resizing follows the parent's width; the default pane absorbs it.
    ::SetWindowPos(parent_, nullptr, 0, 0, 700, 300, SWP_NOMOVE | SWP_NOZORDER);
    ::SendMessageW(bar_, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(bar_.PaneEdges().back(), FreeRight());
    EXPECT_EQ(Width(0), 60);
    EXPECT_EQ(Width(2), 150);

    // Too narrow for the fixed panes: the default pane is not made negative.
    const std::vector<int> before = bar_.PaneEdges();
    ::SetWindowPos(parent_, nullptr, 0, 0, 120, 300, SWP_NOMOVE | SWP_NOZORDER);
    ::SendMessageW(bar_, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(bar_.PaneEdges(), before);
}

TEST_F(StatusBarTest, TextsAreKeptPerPane)
{
    ASSERT_TRUE(bar_.SetPanes({CAutosizeMultipaneStatusBar::kDefaultPane, 137}));
    EXPECT_TRUE(bar_.SetPaneText(137, L"12 files in 3 groups"));
    EXPECT_TRUE(bar_.SetPaneText(0, L"Ready"));
    std::wstring text = L"stale";
    EXPECT_TRUE(bar_.GetPaneText(137, text));
    EXPECT_EQ(text, L"12 files in 3 groups");
    EXPECT_FALSE(bar_.GetPaneText(99, text));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(bar_.SetPaneText(99, L"nowhere"));
    EXPECT_FALSE(bar_.SetPanes({}));
}

// What the timer saw of the open input box, and what it did.
struct InputBoxScript {
    std::wstring typed;
    bool confirm = true;
    std::wstring caption;
    std::wstring prompt;
    std::wstring okText;
    std::wstring cancelText;
    bool allDefaultFont = false;
    bool editHasFocus = false;
    bool found = false;
};
InputBoxScript* script = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK PlayInputBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
        return;
    }
    ::KillTimer(nullptr, id);
    script->found = true;
    script->caption = CWindow(dialog).GetText();
    script->prompt = CWindow(::GetDlgItem(dialog, CInputBox::kPromptId)).GetText();
    script->okText = CWindow(::GetDlgItem(dialog, IDOK)).GetText();
    script->cancelText = CWindow(::GetDlgItem(dialog, IDCANCEL)).GetText();
    const auto guiFont = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
    script->allDefaultFont = true;
    for (int item : {CInputBox::kPromptId, CInputBox::kEditId, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)}) {
        script->allDefaultFont = script->allDefaultFont &&
                                 static_cast<WPARAM>(::SendDlgItemMessageW(dialog, item, WM_GETFONT, 0, 0)) == guiFont;
    }
    script->editHasFocus = ::GetFocus() == ::GetDlgItem(dialog, CInputBox::kEditId);
    ::SetDlgItemTextW(dialog, CInputBox::kEditId, script->typed.c_str());
    const int button = script->confirm ? IDOK : IDCANCEL;
    ::PostMessageW(
        dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

int RunScriptedInputBox(InputBoxScript& played, HWND owner)
{
    script = &played;
    ::SetTimer(nullptr, 0, 20, PlayInputBox);
    CInputBox box(L"Adding a new search preset...", L"Enter a name for the new search preset:", L"OK", L"Cancel");
    const int result = box.Run(owner);
    played.typed = box.Text();
    script = nullptr;
    return result;
}

TEST(InputBox, ReturnsOneWithTheTextOnOkAndZeroOnCancel)
{
    uitest::CRecordingParent owner;
    ASSERT_NE(owner.Create(), nullptr);

    InputBoxScript ok;
    ok.typed = L"Photos of 2024";
    EXPECT_EQ(RunScriptedInputBox(ok, owner), 1);
    ASSERT_TRUE(ok.found);
    EXPECT_EQ(ok.typed, L"Photos of 2024");
    EXPECT_EQ(ok.caption, L"Adding a new search preset...");
    EXPECT_EQ(ok.prompt, L"Enter a name for the new search preset:");
    EXPECT_EQ(ok.okText, L"OK");
    EXPECT_EQ(ok.cancelText, L"Cancel");
    EXPECT_TRUE(ok.allDefaultFont);
    EXPECT_TRUE(ok.editHasFocus);

    InputBoxScript cancel;
    cancel.typed = L"never used";
    cancel.confirm = false;
    EXPECT_EQ(RunScriptedInputBox(cancel, owner), 0);
    EXPECT_TRUE(cancel.found);
    EXPECT_EQ(cancel.typed, L"");
}

// The pixels of a bitmap as 32-bit BGRA, top row first.
std::vector<RGBQUAD> Pixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width * height));
    MemoryDC dc;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

std::string ResourceBytes(const wchar_t* name, const wchar_t* type)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, name, type);
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
    return std::string(bytes, ::SizeofResource(module, resource));
}

void ExpectHalfTransparent(const GdiBitmap& bitmap)
{
    ASSERT_TRUE(bitmap);
    BITMAP description{};
    ASSERT_NE(::GetObjectW(bitmap.Get(), sizeof(description), &description), 0);
    EXPECT_EQ(description.bmWidth, 16);
    EXPECT_EQ(description.bmBitsPixel, 32);
    const std::vector<RGBQUAD> pixels = Pixels(bitmap.Get(), 16, 16);
    // The left half is opaque green, the right half fully transparent.
    const RGBQUAD opaque = pixels[8 * 16 + 2];
    const RGBQUAD clear = pixels[8 * 16 + 12];
    EXPECT_EQ(opaque.rgbReserved, 255);
    EXPECT_GT(opaque.rgbGreen, opaque.rgbRed);
    EXPECT_EQ(clear.rgbReserved, 0);
}

TEST(LoadImageBitmap, KeepsPerPixelAlphaFromResourcesAndFiles)
{
    ExpectHalfTransparent(LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));

    TempTree tree;
    const std::wstring path = tree.MakeFile(L"half.png", ResourceBytes(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));
    ExpectHalfTransparent(LoadImageBitmap(path.c_str(), nullptr));

    const GdiBitmap plain = LoadImageBitmap(MAKEINTRESOURCEW(IDB_PLAIN), RT_BITMAP);
    ASSERT_TRUE(plain);
    BITMAP description{};
    ::GetObjectW(plain.Get(), sizeof(description), &description);
    EXPECT_EQ(description.bmWidth, 8);
    EXPECT_EQ(description.bmBitsPixel, 32);
}

TEST(LoadImageBitmap, MissingOrBrokenPicturesGiveNothing)
{
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(999), L"PNG"));
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(IDP_CORRUPT), L"PNG"));
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(999), RT_BITMAP));
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), nullptr));
    EXPECT_FALSE(LoadImageBitmap(nullptr, L"PNG"));
    TempTree tree;
    EXPECT_FALSE(LoadImageBitmap(tree.Path(L"absent.png").c_str(), nullptr));
    const std::wstring broken = tree.MakeFile(L"broken.png", "\x89PNG\r\n\x1a\n but nothing after");
    EXPECT_FALSE(LoadImageBitmap(broken.c_str(), nullptr));
}

TEST(ImageEx, PlaysPausesResumesAndStops)
{
    uitest::CRecordingParent owner;
    ASSERT_NE(owner.Create(), nullptr);
    std::unique_ptr<ImageEx> loader = ImageEx::Create();
    ASSERT_NE(loader, nullptr);
    ASSERT_TRUE(loader->IsLoaded());
    EXPECT_EQ(loader->FrameCount(), 4u);
    EXPECT_EQ(loader->FrameDelay(0), 2u);
    EXPECT_EQ(loader->Width(), 32u);
    ASSERT_TRUE(loader->Start(owner, 5, 5));

    // Frames change while it plays (20 ms apart).
    const UINT seen = loader->CurrentFrame();
    uitest::PumpMessages(3000, [&] { return loader->CurrentFrame() != seen; });
    EXPECT_NE(loader->CurrentFrame(), seen);

    loader->Pause();
    EXPECT_TRUE(loader->IsPaused());
    // A pass already under way may finish; after it nothing moves.
    uitest::PumpMessages(150);
    const UINT paused = loader->CurrentFrame();
    uitest::PumpMessages(200);
    EXPECT_EQ(loader->CurrentFrame(), paused);

    loader->Resume();
    EXPECT_FALSE(loader->IsPaused());
    uitest::PumpMessages(3000, [&] { return loader->CurrentFrame() != paused; });
    EXPECT_NE(loader->CurrentFrame(), paused);

    // Destroying a paused animation still ends its thread.
    loader->Pause();
    loader->Destroy();
    EXPECT_FALSE(loader->IsLoaded());
    EXPECT_FALSE(loader->Start(owner, 0, 0));
}

TEST(ImageEx, MissingResourceOrSingleFrameGivesNoAnimation)
{
    std::unique_ptr<ImageEx> missing = ImageEx::Create(nullptr, L"NOTTHERE", L"GIF");
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->IsLoaded());
    EXPECT_EQ(missing->FrameCount(), 0u);
    EXPECT_FALSE(missing->Start(nullptr, 0, 0));
    // Nothing plays, so there is nothing to pause.
    missing->Pause();
    EXPECT_FALSE(missing->IsPaused());
    missing->Resume();

    std::unique_ptr<ImageEx> broken = ImageEx::Create(nullptr, MAKEINTRESOURCEW(IDP_CORRUPT), L"PNG");
    ASSERT_NE(broken, nullptr);
    EXPECT_FALSE(broken->IsLoaded());

    std::unique_ptr<ImageEx> still = ImageEx::Create(nullptr, L"STILL", L"GIF");
    ASSERT_NE(still, nullptr);
    EXPECT_TRUE(still->IsLoaded());
    EXPECT_FALSE(still->IsAnimated());
    EXPECT_TRUE(still->Start(nullptr, 0, 0));
}

// Pixels of `canvas` that are no longer `background`, inside and outside `box`.
std::pair<int, int> ChangedPixels(const uitest::Canvas& canvas, SIZE size, const RECT& box, COLORREF background)
{
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            if (canvas.Color(x, y) != background) {
                const POINT point{x, y};
                ++(::PtInRect(&box, point) ? inside : outside);
            }
        }
    }
    return {inside, outside};
}

TEST(ImageEx, DrawsAtTheStartPositionInItsNaturalSize)
{
    std::unique_ptr<ImageEx> still = ImageEx::Create(nullptr, L"STILL", L"GIF");
    ASSERT_NE(still, nullptr);
    ASSERT_EQ(still->Width(), 32u);
    ASSERT_EQ(still->Height(), 32u);
    constexpr SIZE kCanvas{90, 60};
    // The picture has no blue in it: whatever it covers changes colour.
    constexpr COLORREF kBlue = RGB(0, 0, 255);
    const auto drawnAt = [&](int x, int y) {
        EXPECT_TRUE(still->Start(nullptr, x, y));
        uitest::Canvas canvas(kCanvas.cx, kCanvas.cy);
        canvas.Fill(kBlue);
        still->Draw(canvas.Dc());
        return ChangedPixels(canvas, kCanvas, RECT{x, y, x + 32, y + 32}, kBlue);
    };
    const auto [first, firstOutside] = drawnAt(10, 6);
    EXPECT_GT(first, 0);
    EXPECT_EQ(firstOutside, 0);
    // Started again, it draws at the new place.
    const auto [moved, movedOutside] = drawnAt(50, 20);
    EXPECT_EQ(moved, first);
    EXPECT_EQ(movedOutside, 0);
}

TEST(ImageEx, FramesWithoutADelayDoNotSpin)
{
    std::unique_ptr<ImageEx> image = ImageEx::Create(nullptr, L"ZERODELAY", L"GIF");
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->FrameCount(), 2u);
    EXPECT_EQ(image->FrameDelay(0), 0u);
    // Without an owner it only turns its frames: count how often in 350 ms.
    ASSERT_TRUE(image->Start(nullptr, 0, 0));
    int changes = 0;
    UINT last = image->CurrentFrame();
    const ULONGLONG end = ::GetTickCount64() + 350;
    while (::GetTickCount64() < end) {
        ::Sleep(1);
        if (image->CurrentFrame() != last) {
            last = image->CurrentFrame();
            ++changes;
        }
    }
    EXPECT_LE(changes, 5);
}

TEST(SetTextAndFit, ClientAreaBecomesTheTextSize)
{
    uitest::CRecordingParent parent;
    ASSERT_NE(parent.Create(), nullptr);
    HWND label = uitest::CreateChild(L"Static", parent, RECT{5, 7, 15, 17}, WS_BORDER);
    const auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    CWindow(label).SetFont(font);
    const std::wstring text = L"Some icons are by";
    ASSERT_TRUE(SetTextAndFit(label, text));

    SIZE expected{};
    {
        ClientDC dc(label);
        SelectedObject selected(dc, font);
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &expected);
    }
    const RECT client = CWindow(label).GetClientRect();
    EXPECT_EQ(client.right, expected.cx);
    EXPECT_EQ(client.bottom, expected.cy);
    const RECT placed = CWindow(label).GetRectInParent();
    EXPECT_EQ(placed.left, 5);
    EXPECT_EQ(placed.top, 7);
    EXPECT_EQ(placed.right - placed.left, expected.cx + 2);
    EXPECT_EQ(CWindow(label).GetText(), text);
    EXPECT_FALSE(SetTextAndFit(nullptr, text));
}

TEST(MenuImageTable, ReplacesAndOwnsItsPictures)
{
    MenuImageTable table;
    GdiBitmap first = LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG");
    const HBITMAP firstHandle = first.Get();
    table.Add(32882, std::move(first));
    table.Add(32882, LoadImageBitmap(MAKEINTRESOURCEW(IDP_INFO), L"PNG"));
    EXPECT_EQ(table.Size(), 1u);
    EXPECT_NE(table.Find(32882), firstHandle);
    EXPECT_EQ(::GetObjectType(firstHandle), 0u);
    table.Add(32882, GdiBitmap());
    EXPECT_EQ(table.Find(32882), nullptr);

    table.Add(1, LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));
    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, 1, L"with picture");
    ::AppendMenuW(menu.Get(), MF_STRING, 2, L"without");
    table.AttachTo(menu.Get());
    for (UINT id : {1u, 2u}) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_BITMAP;
        ::GetMenuItemInfoW(menu.Get(), id, FALSE, &info);
        EXPECT_EQ(info.hbmpItem, id == 1 ? HBMMENU_CALLBACK : nullptr) << id;
    }
}

TEST(MenuImageTable, MeasuresAndDrawsNormalAndGreyed)
{
    MenuImageTable table;
    table.Add(7, LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = 7;
    measure.itemWidth = 10;
    measure.itemHeight = 5;
    EXPECT_TRUE(table.MeasureItem(measure));
    EXPECT_EQ(measure.itemWidth, 12u);
    EXPECT_EQ(measure.itemHeight, 16u);
    measure.itemHeight = 30;
    table.MeasureItem(measure);
    EXPECT_EQ(measure.itemHeight, 30u);
    measure.itemID = 8;
    EXPECT_FALSE(table.MeasureItem(measure));

    const auto draw = [&](UINT state) {
        uitest::Canvas canvas(60, 40);
        canvas.Fill(RGB(255, 255, 255));
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = 7;
        item.itemState = state;
        item.hDC = canvas.Dc();
        item.rcItem = RECT{30, 0, 60, 40};
        EXPECT_TRUE(table.DrawItem(item));
        // Left of the text area, centred: x = 30 - 16, y = (40 - 16) / 2.
        return std::pair{canvas.Color(14 + 2, 12 + 8), canvas.Color(14 + 12, 12 + 8)};
    };
    const auto [normal, normalClear] = draw(0);
    EXPECT_EQ(normal, RGB(0x20, 0xa0, 0x40));
    EXPECT_EQ(normalClear, RGB(255, 255, 255));
    const auto [greyed, greyedClear] = draw(ODS_GRAYED);
    EXPECT_EQ(GetRValue(greyed), GetGValue(greyed));
    EXPECT_EQ(GetGValue(greyed), GetBValue(greyed));
    EXPECT_NE(greyed, RGB(255, 255, 255));
    EXPECT_EQ(greyedClear, RGB(255, 255, 255));
}

class ButtonTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(parent_.Create(), nullptr); }

    HWND MakeButton(int id, const wchar_t* text, int width = 100)
    {
        return uitest::CreateChild(L"Button", parent_, RECT{0, 0, width, 30}, BS_PUSHBUTTON, id, text);
    }
    // Draws the button through its parent, as the system asks for it.
    static void Draw(HWND parent, HWND button, uitest::Canvas& canvas, UINT state = 0)
    {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(::GetDlgCtrlID(button));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button;
        item.hDC = canvas.Dc();
        item.rcItem = CWindow(button).GetClientRect();
        ::SendMessageW(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    }

    uitest::CRecordingParent parent_;
};

TEST_F(ButtonTest, ButtonStDrawsItsColoursForNormalHoverAndFocus)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(21, L"Go")));
    EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    button.SetColor(CButtonST::Color::BackgroundOut, RGB(10, 20, 30));
    button.SetColor(CButtonST::Color::BackgroundIn, RGB(200, 100, 50));
    button.SetColor(CButtonST::Color::BackgroundFocus, RGB(0, 128, 0));

    uitest::Canvas canvas(100, 30);
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(2, 2), RGB(10, 20, 30));
    Draw(parent_, button, canvas, ODS_FOCUS);
    EXPECT_EQ(canvas.Color(2, 2), RGB(0, 128, 0));

    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHovering());
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(2, 2), RGB(200, 100, 50));
    ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.IsHovering());
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(2, 2), RGB(10, 20, 30));

    // System colour changes bring the system's colours back.
    ::SendMessageW(button, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(button.GetColor(CButtonST::Color::BackgroundOut), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(ButtonTest, ButtonStDrawsItsBitmapLeftOfTheTextWithItsAlpha)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(25, L"")));
    const COLORREF white = RGB(255, 255, 255);
    button.SetColor(CButtonST::Color::BackgroundOut, white);
    const GdiBitmap picture = LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG");
    ASSERT_TRUE(picture);
    button.SetBitmap(picture.Get());

    // Inside the 4 × 3 pixel padding, centred on the 24 pixels left of a
    // 30-pixel button: the picture spans x 4..20, y 7..23.
    uitest::Canvas canvas(100, 30);
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(6, 15), RGB(0x20, 0xa0, 0x40));
    EXPECT_EQ(canvas.Color(6, 5), white);
    // The transparent half shows the background.
    EXPECT_EQ(canvas.Color(16, 15), white);

    // Disabled, the picture is drawn at half strength over the background.
    Draw(parent_, button, canvas, ODS_DISABLED);
    const COLORREF faded = canvas.Color(6, 15);
    EXPECT_NE(faded, RGB(0x20, 0xa0, 0x40));
    EXPECT_NE(faded, white);
    EXPECT_EQ(canvas.Color(16, 15), white);
}

// A 16 × 16 icon of one opaque colour.
IconHandle SolidIcon(COLORREF rgb)
{
    const BITMAPINFO info = TopDownBitmapInfo(16, 16);
    void* bits = nullptr;
    GdiBitmap color(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || bits == nullptr) {
        return IconHandle();
    }
    const DWORD pixel = 0xFF000000u | (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
    std::fill_n(static_cast<DWORD*>(bits), 16 * 16, pixel);
    const std::vector<BYTE> nothingMasked(16 * 16 / 8, 0);
    GdiBitmap mask(::CreateBitmap(16, 16, 1, 1, nothingMasked.data()));
    ICONINFO parts{};
    parts.fIcon = TRUE;
    parts.hbmColor = color.Get();
    parts.hbmMask = mask.Get();
    return IconHandle(::CreateIconIndirect(&parts));
}

TEST_F(ButtonTest, ButtonStDrawsItsIconInItsOwnSize)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(26, L"")));
    const COLORREF white = RGB(255, 255, 255);
    button.SetColor(CButtonST::Color::BackgroundOut, white);
    const IconHandle icon = SolidIcon(RGB(200, 30, 60));
    ASSERT_TRUE(icon);
    button.SetIcon(icon.Get());

    // Like a bitmap: x 4..20, y 7..23, measured from the icon itself.
    uitest::Canvas canvas(100, 30);
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(6, 15), RGB(200, 30, 60));
    EXPECT_EQ(canvas.Color(19, 22), RGB(200, 30, 60));
    EXPECT_EQ(canvas.Color(21, 15), white);
    EXPECT_EQ(canvas.Color(6, 24), white);
}

TEST_F(ButtonTest, ButtonStClicksReachTheParentAndAutoRepeatRepeatsWhileHeld)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(22, L"More")));
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    uitest::PumpMessages(50);
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].id, 22);
    EXPECT_EQ(parent_.commands[0].code, BN_CLICKED);

    parent_.commands.clear();
    button.SetAutoRepeat(true, 20);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    uitest::PumpMessages(3000, [&] { return parent_.commands.size() >= 4; });
    EXPECT_GE(parent_.commands.size(), 4u);
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    const size_t released = parent_.commands.size();
    uitest::PumpMessages(150);
    EXPECT_EQ(parent_.commands.size(), released);
    EXPECT_EQ(::SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
}

// Dark pixels (the arrow) in the strip at the right edge of a drawn button.
int DarkPixelsInStrip(const uitest::Canvas& canvas, int width, int height)
{
    int dark = 0;
    for (int x = width - ::GetSystemMetrics(SM_CXVSCROLL) + 3; x < width - 3; ++x) {
        for (int y = 4; y < height - 4; ++y) {
            const COLORREF color = canvas.Color(x, y);
            dark += GetRValue(color) + GetGValue(color) + GetBValue(color) < 150 ? 1 : 0;
        }
    }
    return dark;
}

// While the menu is open: a click on the button closes it.
HWND clickedWhileMenuOpen = nullptr;
void CALLBACK ClickTheButtonWhileTheMenuIsOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::PostMessageW(clickedWhileMenuOpen, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ::EndMenu();
}

TEST_F(ButtonTest, CustomButtonOpensItsMenuFromTheRightEdgeOnly)
{
    CCustomButton button;
    HWND handle = MakeButton(23, L"Delete", 120);
    ASSERT_TRUE(button.SubclassWindow(handle));
    const int strip = ::GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_FALSE(button.InDropDownPart(POINT{119, 10}));

    uitest::Canvas plain(120, 30);
    plain.Fill(RGB(255, 255, 255));
    Draw(parent_, button, plain);
    EXPECT_EQ(DarkPixelsInStrip(plain, 120, 30), 0);

    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, 32807, L"Permanently");
    button.SetMenu(menu.Get());
    EXPECT_TRUE(button.InDropDownPart(POINT{119, 10}));
    EXPECT_TRUE(button.InDropDownPart(POINT{120 - strip, 10}));
    EXPECT_FALSE(button.InDropDownPart(POINT{120 - strip - 1, 10}));
    EXPECT_FALSE(button.InDropDownPart(POINT{130, 10}));
    uitest::Canvas arrow(120, 30);
    arrow.Fill(RGB(255, 255, 255));
    Draw(parent_, button, arrow);
    EXPECT_GT(DarkPixelsInStrip(arrow, 120, 30), 0);

    // A press on the strip opens the menu and does not press the button; the
    // click that closed the menu is dropped, so its release clicks nothing.
    clickedWhileMenuOpen = button;
    ::SetTimer(nullptr, 0, 50, ClickTheButtonWhileTheMenuIsOpen);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(115, 10));
    EXPECT_EQ(parent_.menuPopups.size(), 1u);
    uitest::PumpMessages(50);
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    uitest::PumpMessages(50);
    EXPECT_TRUE(parent_.commands.empty());

    // Elsewhere it is an ordinary button.
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    uitest::PumpMessages(50);
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].id, 23);
    EXPECT_EQ(parent_.menuPopups.size(), 1u);
}

TEST_F(ButtonTest, CustomButtonIsOwnerDrawnAndFollowsTheMouse)
{
    CCustomButton button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(24, L"Start")));
    EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_FALSE(button.IsHovering());
    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHovering());
    ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.IsHovering());
}

} // namespace

// The demonstration window: a frame with a toolbar band and a status bar,
// splitters, a form laid out by a grid, the shared buttons, menu pictures,
// the animated loader and the input box, working together.
#include "tools/ui-demo/Demo.h"

#include "tools/ui-demo/DemoResources.h"
#include "ui/common/AutosizeMultipaneStatusBar.h"
#include "ui/common/ButtonST.h"
#include "ui/common/CustomButton.h"
#include "ui/common/ImageBitmap.h"
#include "ui/common/ImageEx.h"
#include "ui/common/InputBox.h"
#include "ui/common/Layout.h"
#include "ui/common/MenuImageTable.h"
#include "ui/common/TextFit.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"
#include "ui/framework/Splitter.h"
#include "ui/framework/UpdateUI.h"

#include <commctrl.h>

#include <memory>
#include <string>

namespace uidemo {

using namespace vandrelcommon::ui;

namespace {

constexpr UINT ID_DEMO_ASK = 40001;
constexpr UINT ID_DEMO_SINGLE_PANE = 40002;
constexpr UINT ID_DEMO_LOCK_DIVIDER = 40003;
constexpr UINT ID_DEMO_INFORMATION = 40101;
constexpr UINT ID_DEMO_WARNING = 40102;
constexpr UINT ID_DEMO_DISABLED = 40103;
constexpr int kPaneDivider = 137;
constexpr UINT_PTR kPressTimer = 1;

// The form on the left: a grid of labelled fields, two shared buttons, the
// loader picture and a notes box that takes the rest of the height.
class CDemoForm : public CDialogImpl {
public:
    CDemoForm() : CDialogImpl(IDD_DEMO_FORM) { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_MEASUREITEM, OnMeasureItem)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_COMMAND(IDC_DEMO_ASK, OnAsk)
    ON_COMMAND_RANGE(ID_DEMO_INFORMATION, ID_DEMO_WARNING, OnMenuChoice)
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()

private:
    LRESULT OnInitDialog(Message& msg)
    {
        (void)msg;
        askButton_.SubclassWindow(GetDlgItem(IDC_DEMO_ASK));
        askIcon_ = LoadImageBitmap(MAKEINTRESOURCEW(IDP_INFO), L"PNG");
        askButton_.SetBitmap(askIcon_.Get());
        askButton_.SetColor(CButtonST::Color::BackgroundIn, RGB(220, 235, 252));
        askButton_.SetColor(CButtonST::Color::ForegroundIn, RGB(0, 60, 140));
        askButton_.SetTooltipText(L"Opens the input box");

        menuButton_.SubclassWindow(GetDlgItem(IDC_DEMO_MENU_BUTTON));
        menu_.Reset(::LoadMenuW(AppModule().ResourceInstance(), MAKEINTRESOURCEW(IDM_DEMO_POPUP)));
        HMENU popup = ::GetSubMenu(menu_.Get(), 0);
        menuButton_.SetMenu(popup);
        menuImages_.Add(ID_DEMO_INFORMATION, LoadImageBitmap(MAKEINTRESOURCEW(IDP_INFO), L"PNG"));
        menuImages_.Add(ID_DEMO_WARNING, LoadImageBitmap(MAKEINTRESOURCEW(IDP_WARNING), L"PNG"));
        menuImages_.Add(ID_DEMO_DISABLED, LoadImageBitmap(MAKEINTRESOURCEW(IDP_WARNING), L"PNG"));
        menuImages_.AttachTo(popup);

        ::SetDlgItemTextW(hwnd_, IDC_DEMO_NOTES,
            L"The form is laid out by a grid: the fields line up at the widest label.\r\n"
            L"Drag the divider, or lock it from the toolbar.");
        loader_ = ImageEx::Create();
        if (loader_ != nullptr) {
            loader_->Start(GetDlgItem(IDC_DEMO_LOADER), 0, 0);
        }
        return TRUE;
    }

    LRESULT OnSize(Message& msg)
    {
        (void)msg;
        const int margin = ScaleX(8);
        RECT area = GetClientRect();
        ::InflateRect(&area, -margin, -margin);
        CVerticalLayout layout(hwnd_, area);

        auto grid = std::make_unique<CGridLayout>(hwnd_, area);
        const int fields[][2] = {{IDC_DEMO_NAME_LABEL, IDC_DEMO_NAME}, {IDC_DEMO_FOLDER_LABEL, IDC_DEMO_FOLDER},
            {IDC_DEMO_SIZE_LABEL, IDC_DEMO_SIZE}};
        for (const auto& field : fields) {
            CHorizontalLayout* row = grid->AddRow();
            row->AddWindow(GetDlgItem(field[0]), Placement::Start, 0, Placement::Center, 0, 0);
            row->AddWindow(GetDlgItem(field[1]), Placement::Start, ScaleX(6), Placement::Start, 0, ScaleY(6));
        }
        layout.AddLayout(std::move(grid));

        auto buttons = std::make_unique<CHorizontalLayout>(hwnd_, area);
        buttons->AddWindow(GetDlgItem(IDC_DEMO_ASK), Placement::Start, 0, Placement::Center, 0, 0);
        buttons->AddWindow(GetDlgItem(IDC_DEMO_MENU_BUTTON), Placement::Start, ScaleX(6), Placement::Center, 0, 0);
        buttons->AddWindow(GetDlgItem(IDC_DEMO_LOADER), Placement::Start, ScaleX(12), Placement::Center, 0, 0);
        layout.AddLayout(std::move(buttons));
        layout.Items().back().topMargin = ScaleY(6);

        layout.AddWindow(GetDlgItem(IDC_DEMO_NOTES), Placement::Stretch, 0, Placement::Stretch, ScaleY(10), 0);
        layout.Arrange(true);
        return 0;
    }

    LRESULT OnMeasureItem(Message& msg)
    {
        msg.handled = menuImages_.MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam));
        return TRUE;
    }

    LRESULT OnDrawItem(Message& msg)
    {
        msg.handled = menuImages_.DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(msg.lParam));
        return TRUE;
    }

    LRESULT OnDestroy(Message& msg)
    {
        // The loader draws on a child of this form: it stops first.
        loader_.reset();
        msg.handled = false;
        return 0;
    }

    LRESULT OnAsk(Message& msg)
    {
        (void)msg;
        ::PostMessageW(::GetAncestor(hwnd_, GA_ROOT), WM_COMMAND, ID_DEMO_ASK, 0);
        return 0;
    }

    LRESULT OnMenuChoice(Message& msg)
    {
        const std::wstring text =
            msg.CommandId() == ID_DEMO_INFORMATION ? L"You chose the information." : L"You chose the warning.";
        ::SetDlgItemTextW(hwnd_, IDC_DEMO_NOTES, text.c_str());
        return 0;
    }

    CButtonST askButton_;
    GdiBitmap askIcon_;
    CCustomButton menuButton_;
    MenuHandle menu_;
    MenuImageTable menuImages_;
    std::unique_ptr<ImageEx> loader_;
};

class CDemoFrame : public CFrameWindow, public CUpdateUI {
public:
    explicit CDemoFrame(DemoStart start) : start_(start) { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_COMMAND(ID_DEMO_ASK, OnAsk)
    ON_COMMAND(ID_DEMO_SINGLE_PANE, OnSinglePane)
    ON_COMMAND(ID_DEMO_LOCK_DIVIDER, OnLockDivider)
    ON_MESSAGE(WM_TIMER, OnTimer)
    CHAIN_TO_BASE(CUpdateUI)
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        CreateSimpleReBar();
        toolbar_ = CreateToolBar(hwnd_, kToolBarId, kToolBarStyle | TBSTYLE_LIST);
        const CToolBarCtrl toolbar(toolbar_);
        toolbar.SetExtendedStyle(TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
        toolbar.LoadStandardImages(IDB_STD_SMALL_COLOR);
        TBBUTTON buttons[] = {
            {STD_FILENEW, ID_DEMO_ASK, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT | BTNS_AUTOSIZE, {}, 0,
                reinterpret_cast<INT_PTR>(L"Ask for a name...")},
            {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
            {STD_PROPERTIES, ID_DEMO_SINGLE_PANE, TBSTATE_ENABLED, BTNS_CHECK | BTNS_SHOWTEXT | BTNS_AUTOSIZE, {}, 0,
                reinterpret_cast<INT_PTR>(L"First pane only")},
            {STD_REPLACE, ID_DEMO_LOCK_DIVIDER, TBSTATE_ENABLED, BTNS_CHECK | BTNS_SHOWTEXT | BTNS_AUTOSIZE, {}, 0,
                reinterpret_cast<INT_PTR>(L"Lock the divider")},
        };
        toolbar.AddButtons(static_cast<int>(std::size(buttons)), buttons);
        toolbar.AutoSize();
        AddReBarBand(toolbar_);
        UIAddToolBar(toolbar_);

        CreateSimpleStatusBar(L"Ready");
        statusBar_.SubclassWindow(StatusBar());
        statusBar_.SetPanes({CAutosizeMultipaneStatusBar::kDefaultPane, kPaneDivider});
        statusBar_.SetPaneText(CAutosizeMultipaneStatusBar::kDefaultPane, L"Ready");

        mainSplitter_.Create(hwnd_);
        SetClient(mainSplitter_);
        form_.Create(mainSplitter_);
        rightSplitter_.Create(mainSplitter_);
        mainSplitter_.SetPanes(form_, rightSplitter_);
        mainSplitter_.SetMinimumPaneSize(ScaleX(200));
        mainSplitter_.SetSplitterPos(ScaleX(320));

        events_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, rightSplitter_, nullptr,
            AppModule().Instance(), nullptr);
        CWindow(events_).SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        previewSplitter_.Create(rightSplitter_);
        rightSplitter_.SetPanes(events_, previewSplitter_);
        rightSplitter_.SetMinimumPaneSize(ScaleY(100));
        rightSplitter_.SetSplitterPos();

        previewSplitter_.SetProportional(true);
        previewSplitter_.SetDraggable(false);
        for (int pane = 0; pane < 2; ++pane) {
            previews_[pane] = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", pane == 0 ? L"First pane" : L"Second pane",
                WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0, 0, 0, 0, previewSplitter_, nullptr,
                AppModule().Instance(), nullptr);
            CWindow(previews_[pane]).SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        }
        previewSplitter_.SetPanes(previews_[0], previews_[1]);
        previewSplitter_.SetSplitterPos();

        Log(L"The frame, its bars and three splitters are up.");
        ShowDividerPosition();
        if (CMessageLoop* loop = AppModule().GetMessageLoop()) {
            loop->AddIdleHandler(this);
        }
        if (start_ == DemoStart::InputBox) {
            PostMessage(WM_COMMAND, ID_DEMO_ASK);
        } else if (start_ == DemoStart::Menu) {
            // Once the window is up, a press on the drop-down part of the Actions button.
            ::SetTimer(hwnd_, kPressTimer, 500, nullptr);
        }
        return 0;
    }

    LRESULT OnDestroy(Message& msg)
    {
        if (CMessageLoop* loop = AppModule().GetMessageLoop()) {
            loop->RemoveIdleHandler(this);
        }
        msg.handled = false;
        return 0;
    }

    bool OnIdle(int idleCount) override
    {
        UISetCheck(ID_DEMO_SINGLE_PANE, previewSplitter_.GetSinglePaneMode() == 0);
        UISetCheck(ID_DEMO_LOCK_DIVIDER, !mainSplitter_.IsDraggable());
        ShowDividerPosition();
        return CUpdateUI::OnIdle(idleCount);
    }

    void ShowDividerPosition()
    {
        const std::wstring text = L"Divider at " + std::to_wstring(mainSplitter_.GetSplitterPos()) + L" px";
        std::wstring shown;
        statusBar_.GetPaneText(kPaneDivider, shown);
        if (shown != text) {
            statusBar_.SetPaneWidth(kPaneDivider, MeasureText(statusBar_, text).cx + 32);
            statusBar_.FitPanes();
            statusBar_.SetPaneText(kPaneDivider, text);
        }
    }

    LRESULT OnTimer(Message& msg)
    {
        if (msg.wParam != kPressTimer) {
            msg.handled = false;
            return 0;
        }
        ::KillTimer(hwnd_, kPressTimer);
        CWindow button(form_.GetDlgItem(IDC_DEMO_MENU_BUTTON));
        button.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(button.GetClientRect().right - 3, 5));
        return 0;
    }

    LRESULT OnAsk(Message& msg)
    {
        (void)msg;
        CInputBox box(L"Adding a new name...", L"Enter a name for the demonstration:", L"OK", L"Cancel");
        if (box.Run(hwnd_) == 1) {
            statusBar_.SetPaneText(CAutosizeMultipaneStatusBar::kDefaultPane, L"Hello, " + box.Text() + L"!");
            Log(L"The input box gave \"" + box.Text() + L"\".");
        } else {
            Log(L"The input box was cancelled.");
        }
        return 0;
    }

    LRESULT OnSinglePane(Message& msg)
    {
        (void)msg;
        const bool single = previewSplitter_.GetSinglePaneMode() != 0;
        previewSplitter_.SetSinglePaneMode(single ? 0 : CSplitterWindow::kBothPanes);
        Log(single ? L"Preview splitter: first pane only." : L"Preview splitter: both panes.");
        return 0;
    }

    LRESULT OnLockDivider(Message& msg)
    {
        (void)msg;
        mainSplitter_.SetDraggable(!mainSplitter_.IsDraggable());
        Log(mainSplitter_.IsDraggable() ? L"The divider can be dragged." : L"The divider is locked.");
        return 0;
    }

    void Log(const std::wstring& line)
    {
        ::SendMessageW(events_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }

    DemoStart start_;
    HWND toolbar_ = nullptr;
    CAutosizeMultipaneStatusBar statusBar_;
    CSplitterWindow mainSplitter_{true};
    CSplitterWindow rightSplitter_{false};
    CSplitterWindow previewSplitter_{true};
    CDemoForm form_;
    HWND events_ = nullptr;
    HWND previews_[2] = {nullptr, nullptr};
};

} // namespace

void HighlightOpenMenuItem(int item)
{
    const HWND menu = ::FindWindowW(L"#32768", nullptr);
    for (int i = 0; menu != nullptr && i < item; ++i) {
        ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
}

int RunWindowLoop(const std::function<bool()>& open)
{
    CMessageLoop loop;
    AppModule().AddMessageLoop(&loop);
    const int result = open() ? loop.Run() : 0;
    AppModule().RemoveMessageLoop();
    return result;
}

int RunDemo(DemoStart start)
{
    CDemoFrame frame(start);
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(846), ScaleY(600)};
        if (frame.CreateFrame(IDR_DEMO_FRAME, rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, L"Framework demonstration") == nullptr) {
            return false;
        }
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo

#pragma once
// A top-level frame: a rebar band with a toolbar on top, a status bar at the
// bottom and a client window laid out between them; accelerators go through
// the thread's message loop. The keyboard moves between the frame's panes:
// Tab and Shift+Tab through the tab stops of all of them, F6 and Shift+F6
// from pane to pane; the focus comes back where it was when the frame is
// activated again.
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Window.h"

#include <windows.h>

#include <map>
#include <vector>

namespace vandrelcommon::ui {

constexpr UINT kReBarId = 0xE804;
constexpr UINT kStatusBarId = 0xE801;
constexpr UINT kToolBarId = 0xE800;

constexpr DWORD kReBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_VARHEIGHT |
                              RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER;
constexpr DWORD kStatusBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | SBARS_SIZEGRIP;
// A toolbar that lives in a rebar band: the band places and sizes it.
constexpr DWORD kToolBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | CCS_NODIVIDER |
                                CCS_NORESIZE | CCS_NOPARENTALIGN | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT;

// Creates an empty toolbar child of `parent`, ready for TB_ADDBUTTONS.
HWND CreateToolBar(HWND parent, UINT id = kToolBarId, DWORD style = kToolBarStyle);

class CFrameWindow : public CWindowImpl, public IPreTranslateFilter {
public:
    ~CFrameWindow() override;

    // Creates the frame. Without `caption` the title is string `resourceId`;
    // the menu, accelerator table and icons `resourceId` are used when the
    // module has them.
    HWND CreateFrame(UINT resourceId, const RECT& rect,
        DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
        DWORD exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, const wchar_t* caption = nullptr, HWND parent = nullptr);

    HWND CreateSimpleReBar(DWORD style = kReBarStyle, UINT id = kReBarId);
    // Puts `child` (a toolbar or any window) into a new band whose height
    // follows it; a chevron shows what does not fit.
    bool AddReBarBand(HWND child, bool newRow = false);
    HWND CreateSimpleStatusBar(const wchar_t* text, UINT id = kStatusBarId, DWORD style = kStatusBarStyle);

    // Bars at the top and bottom, the client between them. `resizeBars`
    // false keeps the bars as they are (after they sized themselves).
    void UpdateLayout(bool resizeBars = true);

    HWND ReBar() const { return rebar_; }
    HWND StatusBar() const { return statusBar_; }
    HWND Client() const { return client_; }
    void SetClient(HWND client) { client_ = client; }
    HACCEL Accelerators() const { return accelerators_; }

    // Whether destroying the frame ends the thread's message loop (it does
    // by default for a top-level frame).
    void SetEndsMessageLoop(bool ends) { endsMessageLoop_ = ends; }

    bool PreTranslateMessage(MSG& msg) override;

    // Moves the focus to the next (or previous) tab stop of the panes, or to
    // the next pane; false when there is nowhere to go.
    bool MoveFocus(bool wholePanes, bool backwards);
    // Gives `control` the focus as the dialog holding it would (a default
    // button, an edit's text selected).
    static void FocusControl(HWND control);
    // Gives `control` the focus now when the frame is active, else when it
    // is activated next.
    void FocusWhenActive(HWND control);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_ACTIVATE, OnActivate)
    ON_MESSAGE(WM_SETFOCUS, OnSetFocus)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_NCDESTROY, OnNcDestroy)
    ON_NOTIFY_CODE(RBN_AUTOSIZE, OnReBarAutoSize)
    ON_NOTIFY_CODE(RBN_CHEVRONPUSHED, OnChevronPushed)
    END_MESSAGE_MAP()

protected:
    WindowClass GetWindowClass() const override;
    // The panes the keyboard moves through, in order, as they are shown now
    // (hidden ones are passed over): a control, or a window holding
    // controls (a dialog, any window with WS_EX_CONTROLPARENT).
    virtual std::vector<HWND> KeyboardPanes() const { return {}; }

private:
    LRESULT OnSize(Message& msg);
    LRESULT OnActivate(Message& msg);
    LRESULT OnSetFocus(Message& msg);
    LRESULT OnDestroy(Message& msg);
    LRESULT OnNcDestroy(Message& msg);
    LRESULT OnReBarAutoSize(Message& msg);
    LRESULT OnChevronPushed(Message& msg);
    void StopFiltering();

    UINT resourceId_ = 0;
    HWND savedFocus_ = nullptr;      // while the frame is inactive
    std::map<HWND, HWND> paneFocus_; // the focus each pane had when F6 left it
    HWND rebar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND client_ = nullptr;
    HACCEL accelerators_ = nullptr;
    CMessageLoop* filteringLoop_ = nullptr;
    bool endsMessageLoop_ = true;
};

} // namespace vandrelcommon::ui

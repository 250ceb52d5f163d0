#pragma once
// The view of one file in a preview pane: a picture drawn by the image
// library, a text file as lines, anything else as a hex dump. Text and hex
// are read through a read-only mapping, a window at a time; a text file's
// lines are found by a scanner thread while the first ones already show.
#include "imaging/ImageClonarium.h"
#include "system/FileIdentity.h"
#include "ui/PreviewFile.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Window.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace clonarium {

// Posted by the scanner to its control: wParam 0 when the first lines are
// known, 1 when the scan has ended; lParam the number of the Load it scans
// for, so that a late message of an earlier file is told apart.
constexpr UINT PreviewRefreshMessage = 32868;

// Owner of a drawer of the picture library.
struct ImageDrawerDeleter {
    void operator()(ImageClonarium::IImageDraw* drawer) const { ImageClonarium::FreeImageDrawer(drawer); }
};
using ImageDrawerOwner = std::unique_ptr<ImageClonarium::IImageDraw, ImageDrawerDeleter>;

class CFilePreviewCtrl : public vandrelcommon::ui::CWindowImpl {
public:
    CFilePreviewCtrl();
    ~CFilePreviewCtrl() override;

    // Takes over a static control of a pane (it needs SS_NOTIFY for the mouse).
    bool Attach(HWND control);

    // Shows the file at `path` ("\\?\" form), or nothing when it is empty.
    void Load(const std::wstring& path);
    // Picture when the image library reads it (it then stays loaded);
    // otherwise text or hex by the file's first bytes and its extension.
    PreviewKind DetectKind(const std::wstring& path);
    // True when the shown file is the one `identity` names, or, when the
    // shown file could not be identified, has the same path.
    bool Shows(const vandrelcommon::system::FileIdentity& identity, const std::wstring& path) const;

    void SetNoPreviewText(const std::wstring& text);

    const std::wstring& Path() const { return path_; }
    PreviewKind Kind() const { return kind_; }
    // While the scanner runs (until its last refresh has arrived).
    bool IsScanning() const { return scanning_; }
    // Lines and widest line (in columns) as the scan has found them.
    uint64_t LineCount() const;
    uint64_t WidthInColumns() const;
    int CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_PRINTCLIENT, OnPrintClient)
    ON_MESSAGE(WM_ERASEBKGND, OnEraseBackground)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_VSCROLL, OnScroll)
    ON_MESSAGE(WM_HSCROLL, OnScroll)
    ON_MESSAGE(WM_MOUSEWHEEL, OnMouseWheel)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
    ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
    ON_MESSAGE(WM_RBUTTONUP, OnRButtonUp)
    ON_MESSAGE(WM_SETFOCUS, OnFocusChange)
    ON_MESSAGE(WM_KILLFOCUS, OnFocusChange)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(PreviewRefreshMessage, OnRefresh)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    END_MESSAGE_MAP()

private:
    // One scroll bar's state, in rows or columns.
    struct ScrollAxis {
        int page = 0;
        int maximum = 0;
        int position = 0;
        int LastPosition() const { return std::max(0, maximum - page + 1); }
    };

    LRESULT OnPaint(vandrelcommon::ui::Message& msg);
    LRESULT OnPrintClient(vandrelcommon::ui::Message& msg);
    LRESULT OnEraseBackground(vandrelcommon::ui::Message& msg);
    LRESULT OnSize(vandrelcommon::ui::Message& msg);
    LRESULT OnScroll(vandrelcommon::ui::Message& msg);
    LRESULT OnMouseWheel(vandrelcommon::ui::Message& msg);
    LRESULT OnKeyDown(vandrelcommon::ui::Message& msg);
    LRESULT OnGetDlgCode(vandrelcommon::ui::Message& msg);
    LRESULT OnLButtonDown(vandrelcommon::ui::Message& msg);
    LRESULT OnRButtonUp(vandrelcommon::ui::Message& msg);
    LRESULT OnFocusChange(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnRefresh(vandrelcommon::ui::Message& msg);
    LRESULT OnDestroy(vandrelcommon::ui::Message& msg);

    void StopScanner();
    void ScanLines(uint64_t size, LPARAM load);
    void Publish(const LineScan& scan);

    void UpdateScrollBars();
    void ScrollTo(int bar, int64_t position);
    void ScrollBy(int bar, int code);

    void Draw(HDC dc, const RECT& client);
    void DrawPicture(HDC dc, const RECT& client);
    void DrawLines(HDC dc, const RECT& client);
    void DrawHexRows(HDC dc, const RECT& client);

    std::wstring path_; // "\\?\" form; empty when nothing is shown
    PreviewKind kind_ = PreviewKind::None;
    vandrelcommon::system::FileIdentity identity_;
    bool identified_ = false;

    MappedFile file_;

    // What the scanner has found, published once per window it reads.
    mutable std::mutex stateLock_;
    LineScan lines_;

    std::thread scanner_;
    LPARAM load_ = 0; // counts the calls of Load
    std::atomic<bool> cancel_{false};
    bool scanning_ = false;

    vandrelcommon::ui::GdiFont font_;
    int charWidth_ = 7;
    int lineHeight_ = 14;
    ScrollAxis vertical_;
    ScrollAxis horizontal_;
    uint64_t rows_ = 0;    // lines of text or rows of hex
    uint64_t columns_ = 0; // widest line, or a hex row

    std::wstring noPreviewText_ = L"No preview available";
    ImageDrawerOwner drawer_;
};

} // namespace clonarium

#include "ui/FilePreviewCtrl.h"

#include "ui/framework/Dpi.h"

#include <algorithm>
#include <climits>

namespace clonarium {

using namespace vandrelcommon::ui;
using vandrelcommon::system::FileIdentity;
using vandrelcommon::system::IdentifyFile;

namespace {

constexpr UINT_PTR kScanTimer = 1;
constexpr UINT kScanRefreshMilliseconds = 250;
// The scanner reads the file through views of this size.
constexpr size_t kScanWindow = 1024 * 1024;
// Scroll bars count in int: longer files show their first this many rows.
constexpr uint64_t kMaxRows = INT_MAX - 1;

SCROLLINFO ScrollInfo(UINT mask)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    return info;
}

int ClampToInt(uint64_t value)
{
    return static_cast<int>(std::min<uint64_t>(value, kMaxRows));
}

} // namespace

CFilePreviewCtrl::CFilePreviewCtrl() : drawer_(ImageClonarium::CreateImageDrawer())
{ }

CFilePreviewCtrl::~CFilePreviewCtrl()
{
    StopScanner();
}

bool CFilePreviewCtrl::Attach(HWND control)
{
    if (!SubclassWindow(control)) {
        return false;
    }
    charWidth_ = ScaleX(7);
    lineHeight_ = ScaleY(14);
    font_.Reset(::CreateFontW(lineHeight_, charWidth_, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier"));
    UpdateScrollBars();
    return true;
}

PreviewKind CFilePreviewCtrl::DetectKind(const std::wstring& path)
{
    if (drawer_ != nullptr && drawer_->Load(path)) {
        return PreviewKind::Image;
    }
    return ClassifyFile(path);
}

void CFilePreviewCtrl::Load(const std::wstring& path)
{
    StopScanner();
    ::KillTimer(hwnd_, kScanTimer);
    file_.Close();
    {
        std::lock_guard lock(stateLock_);
        lines_ = LineScan{};
    }
    ++load_;
    path_ = path;
    kind_ = path.empty() ? PreviewKind::None : DetectKind(path);
    identified_ = false;
    if (kind_ == PreviewKind::Hex || kind_ == PreviewKind::Text) {
        if (file_.Open(path)) {
            identified_ = IdentifyFile(file_.File(), identity_);
        } else {
            path_.clear();
            kind_ = PreviewKind::None;
        }
    } else if (kind_ == PreviewKind::Image) {
        identified_ = IdentifyFile(path, identity_);
    }

    vertical_.position = horizontal_.position = 0;
    rows_ = columns_ = 0;
    if (kind_ == PreviewKind::Hex) {
        columns_ = file_.Size() > 0 ? HexRowColumns(file_.Size()) : 0;
        rows_ = (file_.Size() + kHexBytesPerLine - 1) / kHexBytesPerLine;
    } else if (kind_ == PreviewKind::Text) {
        cancel_ = false;
        scanning_ = true;
        scanner_ = std::thread(&CFilePreviewCtrl::ScanLines, this, file_.Size(), load_);
        ::SetTimer(hwnd_, kScanTimer, kScanRefreshMilliseconds, nullptr);
    } else if (kind_ == PreviewKind::Image) {
        PostMessage(PreviewRefreshMessage, 1, load_);
    }
    UpdateScrollBars();
    Invalidate();
    UpdateWindow();
}

bool CFilePreviewCtrl::Shows(const FileIdentity& identity, const std::wstring& path) const
{
    if (path_.empty()) {
        return false;
    }
    if (identified_) {
        return identity == identity_;
    }
    return ::CompareStringOrdinal(path_.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void CFilePreviewCtrl::SetNoPreviewText(const std::wstring& text)
{
    noPreviewText_ = text;
    if (kind_ == PreviewKind::None && IsWindow()) {
        Invalidate();
    }
}

uint64_t CFilePreviewCtrl::LineCount() const
{
    std::lock_guard lock(stateLock_);
    return lines_.lineCount;
}

uint64_t CFilePreviewCtrl::WidthInColumns() const
{
    std::lock_guard lock(stateLock_);
    return lines_.widest;
}

void CFilePreviewCtrl::StopScanner()
{
    if (scanner_.joinable()) {
        cancel_ = true;
        scanner_.join();
    }
    scanning_ = false;
}

// The scanner thread: reads the file one window at a time, looks at the
// cancel flag once per window and takes the lock only to publish.
void CFilePreviewCtrl::ScanLines(uint64_t size, LPARAM load)
{
    LineScan scan;
    scan.Begin(size);
    Publish(scan);
    for (uint64_t offset = 0; offset < size && !cancel_; offset += kScanWindow) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kScanWindow, size - offset));
        size_t length = wanted;
        const uint8_t* bytes = file_.Map(offset, length);
        if (bytes == nullptr) {
            break;
        }
        scan.Feed(bytes, length);
        Publish(scan);
        if (offset == 0) {
            ::PostMessageW(hwnd_, PreviewRefreshMessage, 0, load);
        }
        if (length < wanted) {
            break; // the file has shrunk
        }
    }
    file_.Unmap();
    scan.Finish();
    Publish(scan);
    ::PostMessageW(hwnd_, PreviewRefreshMessage, 1, load);
}

void CFilePreviewCtrl::Publish(const LineScan& scan)
{
    std::lock_guard lock(stateLock_);
    lines_.marks.insert(lines_.marks.end(), scan.marks.begin() + lines_.marks.size(), scan.marks.end());
    lines_.lineCount = scan.lineCount;
    lines_.widest = scan.widest;
    lines_.scannedEnd = scan.scannedEnd;
}

LRESULT CFilePreviewCtrl::OnTimer(Message& msg)
{
    if (msg.wParam != kScanTimer) {
        msg.handled = false;
        return 0;
    }
    UpdateScrollBars();
    return 0;
}

LRESULT CFilePreviewCtrl::OnRefresh(Message& msg)
{
    if (msg.lParam != load_) {
        return 0;
    }
    if (msg.wParam == 1) {
        ::KillTimer(hwnd_, kScanTimer);
        if (scanner_.joinable()) {
            scanner_.join();
        }
        scanning_ = false;
    }
    UpdateScrollBars();
    Invalidate();
    return 0;
}

LRESULT CFilePreviewCtrl::OnDestroy(Message& msg)
{
    StopScanner();
    ::KillTimer(hwnd_, kScanTimer);
    file_.Close();
    msg.handled = false;
    return 0;
}

void CFilePreviewCtrl::UpdateScrollBars()
{
    if (kind_ == PreviewKind::Text) {
        std::lock_guard lock(stateLock_);
        rows_ = lines_.lineCount;
        columns_ = lines_.widest;
    }
    const RECT client = GetClientRect();
    vertical_.maximum = rows_ > 0 ? ClampToInt(rows_ - 1) : 0;
    vertical_.page = std::min(static_cast<int>(client.bottom / lineHeight_), ClampToInt(rows_));
    horizontal_.maximum = columns_ > 0 ? ClampToInt(columns_ - 1) : 0;
    horizontal_.page = std::min(static_cast<int>(client.right / charWidth_), ClampToInt(columns_ + 1));
    for (auto [bar, axis] : {std::pair{SB_VERT, &vertical_}, std::pair{SB_HORZ, &horizontal_}}) {
        axis->position = std::clamp(axis->position, 0, axis->LastPosition());
        SCROLLINFO info = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS);
        info.nMax = axis->maximum;
        info.nPage = static_cast<UINT>(axis->page);
        info.nPos = axis->position;
        ::SetScrollInfo(hwnd_, bar, &info, TRUE);
    }
}

void CFilePreviewCtrl::ScrollTo(int bar, int64_t position)
{
    ScrollAxis& axis = bar == SB_VERT ? vertical_ : horizontal_;
    const int clamped = static_cast<int>(std::clamp<int64_t>(position, 0, axis.LastPosition()));
    if (clamped == axis.position) {
        return;
    }
    axis.position = clamped;
    ::SetScrollPos(hwnd_, bar, clamped, TRUE);
    Invalidate(false);
}

void CFilePreviewCtrl::ScrollBy(int bar, int code)
{
    const ScrollAxis& axis = bar == SB_VERT ? vertical_ : horizontal_;
    const int64_t position = axis.position;
    const int64_t page = std::max(axis.page, 1);
    switch (code) {
    case SB_LINEUP:
        ScrollTo(bar, position - 1);
        break;
    case SB_LINEDOWN:
        ScrollTo(bar, position + 1);
        break;
    case SB_PAGEUP:
        ScrollTo(bar, position - page);
        break;
    case SB_PAGEDOWN:
        ScrollTo(bar, position + page);
        break;
    case SB_TOP:
        ScrollTo(bar, 0);
        break;
    case SB_BOTTOM:
        ScrollTo(bar, axis.LastPosition());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = ScrollInfo(SIF_TRACKPOS);
        ::GetScrollInfo(hwnd_, bar, &info);
        ScrollTo(bar, info.nTrackPos);
        break;
    }
    default:
        break;
    }
}

LRESULT CFilePreviewCtrl::OnScroll(Message& msg)
{
    ScrollBy(msg.message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(msg.wParam));
    return 0;
}

LRESULT CFilePreviewCtrl::OnMouseWheel(Message& msg)
{
    // One page per message: up when the wheel turned away from the user.
    ScrollBy(SB_VERT, GET_WHEEL_DELTA_WPARAM(msg.wParam) > 0 ? SB_PAGEUP : SB_PAGEDOWN);
    return 0;
}

LRESULT CFilePreviewCtrl::OnKeyDown(Message& msg)
{
    switch (msg.wParam) {
    case VK_UP:
        ScrollBy(SB_VERT, SB_LINEUP);
        break;
    case VK_DOWN:
        ScrollBy(SB_VERT, SB_LINEDOWN);
        break;
    case VK_PRIOR:
        ScrollBy(SB_VERT, SB_PAGEUP);
        break;
    case VK_NEXT:
        ScrollBy(SB_VERT, SB_PAGEDOWN);
        break;
    case VK_HOME:
        ScrollBy(SB_VERT, SB_TOP);
        break;
    case VK_END:
        ScrollBy(SB_VERT, SB_BOTTOM);
        break;
    case VK_LEFT:
        ScrollBy(SB_HORZ, SB_LINEUP);
        break;
    case VK_RIGHT:
        ScrollBy(SB_HORZ, SB_LINEDOWN);
        break;
    default:
        msg.handled = false;
        break;
    }
    return 0;
}

LRESULT CFilePreviewCtrl::OnGetDlgCode(Message& msg)
{
    (void)msg;
    return DLGC_WANTARROWS;
}

LRESULT CFilePreviewCtrl::OnLButtonDown(Message& msg)
{
    (void)msg;
    SetFocus();
    return 0;
}

LRESULT CFilePreviewCtrl::OnRButtonUp(Message& msg)
{
    (void)msg;
    NMHDR notification{hwnd_, static_cast<UINT_PTR>(GetDlgCtrlID()), NM_RCLICK};
    ::SendMessageW(GetParent(), WM_NOTIFY, notification.idFrom, reinterpret_cast<LPARAM>(&notification));
    return 0;
}

LRESULT CFilePreviewCtrl::OnFocusChange(Message& msg)
{
    (void)msg;
    Invalidate(false);
    return 0;
}

LRESULT CFilePreviewCtrl::OnSize(Message& msg)
{
    (void)msg;
    UpdateScrollBars();
    Invalidate(false);
    return 0;
}

LRESULT CFilePreviewCtrl::OnEraseBackground(Message& msg)
{
    (void)msg;
    return 1; // painting covers everything
}

// Everything is drawn into a bitmap the size of the update rectangle and
// copied to the screen in one step, so nothing flickers.
LRESULT CFilePreviewCtrl::OnPaint(Message& msg)
{
    (void)msg;
    PaintDC paint(hwnd_);
    const RECT update = paint.UpdateRect();
    const int width = update.right - update.left;
    const int height = update.bottom - update.top;
    if (width <= 0 || height <= 0) {
        return 0;
    }
    MemoryDC memory(paint);
    GdiBitmap bitmap(::CreateCompatibleBitmap(paint, width, height));
    SelectedObject selected(memory, bitmap.Get());
    ::SetViewportOrgEx(memory, -update.left, -update.top, nullptr);
    const RECT client = GetClientRect();
    ::FillRect(memory, &update, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    Draw(memory, client);
    if (::GetFocus() == hwnd_) {
        ::DrawFocusRect(memory, &client);
    }
    ::BitBlt(paint, update.left, update.top, width, height, memory, update.left, update.top, SRCCOPY);
    return 0;
}

LRESULT CFilePreviewCtrl::OnPrintClient(Message& msg)
{
    const HDC dc = reinterpret_cast<HDC>(msg.wParam);
    const RECT client = GetClientRect();
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    Draw(dc, client);
    return 0;
}

void CFilePreviewCtrl::Draw(HDC dc, const RECT& client)
{
    SelectedObject font(dc, font_.Get());
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    switch (kind_) {
    case PreviewKind::None: {
        RECT area = client;
        ::DrawTextW(dc, noPreviewText_.c_str(), -1, &area, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        break;
    }
    case PreviewKind::Image:
        DrawPicture(dc, client);
        break;
    case PreviewKind::Text:
        DrawLines(dc, client);
        break;
    case PreviewKind::Hex:
        DrawHexRows(dc, client);
        break;
    }
}

void CFilePreviewCtrl::DrawPicture(HDC dc, const RECT& client)
{
    if (drawer_ == nullptr || !drawer_->Prepare(dc)) {
        return;
    }
    const RECT place = FitPicture(drawer_->GetWidth(), drawer_->GetHeight(), client.right, client.bottom);
    drawer_->Draw(dc, place.left, place.top, place.right - place.left, place.bottom - place.top);
}

void CFilePreviewCtrl::DrawLines(HDC dc, const RECT& client)
{
    const uint64_t first = static_cast<uint64_t>(vertical_.position);
    const size_t count = static_cast<size_t>(client.bottom / lineHeight_) + 1;
    std::vector<LineMark> block;
    uint64_t lineCount = 0, scannedEnd = 0;
    {
        // Only the marks around the visible lines are copied under the lock.
        std::lock_guard lock(stateLock_);
        const auto& marks = lines_.marks;
        auto from = std::upper_bound(
            marks.begin(), marks.end(), first, [](uint64_t line, const LineMark& mark) { return line < mark.line; });
        if (from == marks.begin()) {
            return;
        }
        auto to = std::upper_bound(
            from, marks.end(), first + count, [](uint64_t line, const LineMark& mark) { return line < mark.line; });
        block.assign(from - 1, to == marks.end() ? to : to + 1);
        lineCount = lines_.lineCount;
        scannedEnd = lines_.scannedEnd;
    }
    const std::vector<LineSpan> spans = FindLines(file_, block, lineCount, scannedEnd, first, count);
    // A byte takes at least a column: nothing past the right edge is read.
    const uint64_t firstColumn = static_cast<uint64_t>(horizontal_.position);
    const size_t columns = static_cast<size_t>(horizontal_.page) + 1;
    for (size_t row = 0; row < spans.size(); ++row) {
        const uint64_t lineLength = spans[row].end - spans[row].begin;
        size_t length = static_cast<size_t>(std::min(lineLength, firstColumn + columns));
        const uint8_t* bytes = length > 0 ? file_.Map(spans[row].begin, length) : nullptr;
        if (bytes == nullptr) {
            continue;
        }
        if (length == lineLength && bytes[length - 1] == '\r') {
            --length; // the line end of a Windows text file
        }
        const std::string text = VisibleColumns(bytes, length, firstColumn, columns);
        ::TextOutA(dc, 0, static_cast<int>(row) * lineHeight_, text.data(), static_cast<int>(text.size()));
    }
    file_.Unmap();
}

void CFilePreviewCtrl::DrawHexRows(HDC dc, const RECT& client)
{
    const int step = std::max(lineHeight_ - 1, 1);
    const uint64_t first = static_cast<uint64_t>(vertical_.position);
    const uint64_t count = std::min<uint64_t>(client.bottom / step + 1, rows_ > first ? rows_ - first : 0);
    size_t length = static_cast<size_t>(count * kHexBytesPerLine);
    const uint8_t* bytes = count > 0 ? file_.Map(first * kHexBytesPerLine, length) : nullptr;
    if (bytes == nullptr) {
        return;
    }
    const int digits = HexOffsetDigits(file_.Size());
    for (uint64_t row = 0; row * kHexBytesPerLine < length; ++row) {
        const size_t at = static_cast<size_t>(row * kHexBytesPerLine);
        const std::string text = HexRow(bytes + at, length - at, (first + row) * kHexBytesPerLine, digits);
        ::TextOutA(dc, -horizontal_.position * charWidth_, static_cast<int>(row) * step, text.data(),
            static_cast<int>(text.size()));
    }
    file_.Unmap();
}

} // namespace clonarium

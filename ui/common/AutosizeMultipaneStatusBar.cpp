#include "ui/common/AutosizeMultipaneStatusBar.h"

#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"

#include <algorithm>

namespace vandrelcommon::ui {

namespace {

// A status bar holds at most this many parts.
constexpr int kMostPanes = 255;

} // namespace

bool CAutosizeMultipaneStatusBar::SetPanes(const std::vector<int>& ids)
{
    if (hwnd_ == nullptr || ids.empty() || ids.size() > kMostPanes) {
        return false;
    }
    ids_ = ids;
    std::vector<int> edges;
    int right = 0;
    for (int id : ids_) {
        right += id == kDefaultPane ? 0 : ScaleX(100);
        edges.push_back(right);
    }
    SetPaneEdges(edges);
    FitPanes();
    return true;
}

int CAutosizeMultipaneStatusBar::PaneIndex(int id) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), id);
    return found == ids_.end() ? -1 : static_cast<int>(found - ids_.begin());
}

std::vector<int> CAutosizeMultipaneStatusBar::PaneEdges() const
{
    const CStatusBarCtrl bar(hwnd_);
    const int count = bar.GetParts(0, nullptr);
    std::vector<int> edges(static_cast<size_t>(std::max(count, 0)));
    if (count > 0) {
        bar.GetParts(count, edges.data());
    }
    return edges;
}

void CAutosizeMultipaneStatusBar::SetPaneEdges(std::vector<int> edges)
{
    CStatusBarCtrl(hwnd_).SetParts(static_cast<int>(edges.size()), edges.data());
}

void CAutosizeMultipaneStatusBar::SetPaneWidth(int id, int width)
{
    std::vector<int> edges = PaneEdges();
    const int p = PaneIndex(id);
    if (p < 0 || p >= static_cast<int>(edges.size())) {
        return;
    }
    const int d = width - (edges[p] - (p > 0 ? edges[p - 1] : 0));
    int q = PaneIndex(kDefaultPane);
    if (q < 0) {
        q = static_cast<int>(edges.size());
    }
    if (p < q) {
        for (int i = p; i < q; ++i) {
            edges[i] += d;
        }
    } else {
        for (int i = q; i < p; ++i) {
            edges[i] -= d;
        }
    }
    SetPaneEdges(edges);
}

void CAutosizeMultipaneStatusBar::FitPanes()
{
    std::vector<int> edges = PaneEdges();
    if (edges.empty()) {
        return;
    }
    int free = GetClientRect().right - edges.back();
    if ((GetStyle() & SBARS_SIZEGRIP) != 0) {
        free -= ::GetSystemMetrics(SM_CXVSCROLL) + ::GetSystemMetrics(SM_CXEDGE);
    }
    const int q = PaneIndex(kDefaultPane);
    if (q < 0 || q >= static_cast<int>(edges.size())) {
        return;
    }
    // The default pane never becomes narrower than nothing.
    const int before = q > 0 ? edges[q - 1] : 0;
    if (before < free + edges[q]) {
        for (size_t i = static_cast<size_t>(q); i < edges.size(); ++i) {
            edges[i] += free;
        }
        SetPaneEdges(edges);
    }
}

bool CAutosizeMultipaneStatusBar::SetPaneText(int id, const std::wstring& text)
{
    const int index = PaneIndex(id);
    if (index < 0) {
        return false;
    }
    return CStatusBarCtrl(hwnd_).SetText(index, text);
}

bool CAutosizeMultipaneStatusBar::GetPaneText(int id, std::wstring& text) const
{
    text.clear();
    const int index = PaneIndex(id);
    if (index < 0) {
        return false;
    }
    text = CStatusBarCtrl(hwnd_).GetText(index);
    return true;
}

bool CAutosizeMultipaneStatusBar::SetPaneIcon(int id, HICON icon)
{
    const int index = PaneIndex(id);
    return index >= 0 && CStatusBarCtrl(hwnd_).SetIcon(index, icon);
}

LRESULT CAutosizeMultipaneStatusBar::OnSize(Message& msg)
{
    const LRESULT result = DefaultProcedure(msg);
    if (msg.wParam != SIZE_MINIMIZED) {
        FitPanes();
    }
    return result;
}

} // namespace vandrelcommon::ui

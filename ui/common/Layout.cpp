#include "ui/common/Layout.h"

#include <algorithm>

namespace vandrelcommon::ui {

namespace {

// Where an item ends up, worked out before any window moves.
struct Slot {
    RECT rect{};
    bool placed = false;
    bool keepSize = false; // windows of the trailing run are only moved
};

int Near(const RECT& rect, bool vertical)
{
    return vertical ? rect.top : rect.left;
}

int Far(const RECT& rect, bool vertical)
{
    return vertical ? rect.bottom : rect.right;
}

int Extent(const RECT& rect, bool vertical)
{
    return Far(rect, vertical) - Near(rect, vertical);
}

void SetSpan(RECT& rect, bool vertical, int position, int size)
{
    if (vertical) {
        rect.top = position;
        rect.bottom = position + size;
    } else {
        rect.left = position;
        rect.right = position + size;
    }
}

int NearMargin(const LayoutItem& item, bool vertical)
{
    return vertical ? item.topMargin : item.leftMargin;
}

int FarMargin(const LayoutItem& item, bool vertical)
{
    return vertical ? item.bottomMargin : item.rightMargin;
}

Placement PlacementOn(const LayoutItem& item, bool vertical)
{
    return vertical ? item.vertical : item.horizontal;
}

// The item's position (and, stretched, its size) across the layout, which
// spans c0 to c1 on that axis.
void PlaceAcross(RECT& rect, const LayoutItem& item, bool vertical, int c0, int c1, int size)
{
    const int m0 = NearMargin(item, vertical);
    const int m1 = FarMargin(item, vertical);
    switch (PlacementOn(item, vertical)) {
    case Placement::Start:
        SetSpan(rect, vertical, c0 + m0, size);
        break;
    case Placement::End:
        SetSpan(rect, vertical, c1 - m1 - size, size);
        break;
    case Placement::Center:
        SetSpan(rect, vertical, c0 + (c1 - c0 - m1 - m0 - size) / 2, size);
        break;
    case Placement::Stretch:
        SetSpan(rect, vertical, c0 + m0, c1 - c0 - m1 - m0);
        break;
    default:
        SetSpan(rect, vertical, c0, size);
        break;
    }
}

RECT CurrentRect(const LayoutItem& item, HWND parent)
{
    RECT rect{};
    if (item.isWindow) {
        if (item.window != nullptr && ::GetWindowRect(item.window, &rect)) {
            ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        }
        return rect;
    }
    if (item.layout != nullptr) {
        RECT size{};
        item.layout->Measure(size);
        const RECT& at = item.layout->Rect();
        rect = RECT{at.left, at.top, at.left + size.right, at.top + size.bottom};
    }
    return rect;
}

// One arrangement of a layout's items along its main axis: every item's
// place is worked out first, then the windows move and nested layouts follow.
class Arrangement {
public:
    // `vertical`: the main axis is the vertical one.
    Arrangement(std::vector<LayoutItem>& items, HWND parent, const RECT& rect, bool vertical)
        : items_(items),
          rect_(rect),
          main_(vertical),
          cross_(!vertical),
          slots_(items.size()),
          last_(static_cast<int>(items.size())),
          y_(Near(rect, vertical)),
          z_(Far(rect, vertical))
    {
        for (size_t i = 0; i < items.size(); ++i) {
            slots_[i].rect = CurrentRect(items[i], parent);
        }
    }

    // Items at the start, one after the other.
    void PlaceLeadingRun()
    {
        for (; first_ < last_ && MainPlacement(first_) == Placement::Start; ++first_) {
            const LayoutItem& item = items_[first_];
            const int size = MainSize(first_);
            Place(first_, y_ + NearMargin(item, main_), size);
            y_ += NearMargin(item, main_) + size + FarMargin(item, main_);
        }
    }

    // Items at the end, from the last backwards.
    void PlaceTrailingRun()
    {
        while (last_ > first_ && MainPlacement(last_ - 1) == Placement::End) {
            const int i = --last_;
            const LayoutItem& item = items_[i];
            z_ -= FarMargin(item, main_);
            const int size = MainSize(i);
            Place(i, z_ - size, size);
            slots_[i].keepSize = item.isWindow;
            z_ -= NearMargin(item, main_) + size;
        }
    }

    // Centre items between the runs: the middle one centred in the band, the
    // others centred in turn in the parts before and after it.
    void PlaceCentreItems()
    {
        std::vector<int> centred;
        for (int i = first_; i < last_; ++i) {
            if (MainPlacement(i) == Placement::Center) {
                centred.push_back(i);
            }
        }
        Centre(centred, 0, centred.size(), y_, z_);
    }

    // Fill items between the runs share the space between the fixed items
    // around them.
    void PlaceFillItems()
    {
        int c = y_;
        std::vector<int> queue;
        for (int i = first_; i < last_; ++i) {
            const LayoutItem& item = items_[i];
            if (MainPlacement(i) == Placement::Stretch) {
                queue.push_back(i);
                continue;
            }
            Share(queue, c, Near(slots_[i].rect, main_) - NearMargin(item, main_));
            c = Far(slots_[i].rect, main_) + FarMargin(item, main_);
        }
        Share(queue, c, z_);
    }

    // Moves the placed windows and arranges the nested layouts.
    void Apply()
    {
        for (size_t i = 0; i < items_.size(); ++i) {
            LayoutItem& item = items_[i];
            const Slot& slot = slots_[i];
            // A space too small for its margins gives an empty item, not a negative one.
            const int width = std::max<int>(0, slot.rect.right - slot.rect.left);
            const int height = std::max<int>(0, slot.rect.bottom - slot.rect.top);
            if (item.isWindow) {
                if (slot.placed && item.window != nullptr) {
                    ::SetWindowPos(item.window, nullptr, slot.rect.left, slot.rect.top, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (slot.keepSize ? SWP_NOSIZE : 0));
                }
            } else if (item.layout != nullptr) {
                if (slot.placed) {
                    item.layout->SetRect(
                        RECT{slot.rect.left, slot.rect.top, slot.rect.left + width, slot.rect.top + height});
                }
                item.layout->Arrange(false);
            }
        }
    }

private:
    Placement MainPlacement(int i) const { return PlacementOn(items_[i], main_); }
    int MainSize(int i) const { return Extent(slots_[i].rect, main_); }

    // Item `i` at `position` with `size` on the main axis, and across as its
    // cross placement says.
    void Place(int i, int position, int size)
    {
        Slot& slot = slots_[i];
        const int acrossSize = Extent(slot.rect, cross_);
        SetSpan(slot.rect, main_, position, size);
        PlaceAcross(slot.rect, items_[i], cross_, Near(rect_, cross_), Far(rect_, cross_), acrossSize);
        slot.placed = true;
    }

    // Centres centred[begin, end) in the band from `bandStart` to `bandEnd`.
    void Centre(const std::vector<int>& centred, size_t begin, size_t end, int bandStart, int bandEnd)
    {
        const size_t n = end - begin;
        if (n == 0) {
            return;
        }
        const size_t k = n / 2;
        if (n % 2 == 1) {
            const int i = centred[begin + k];
            const int size = MainSize(i);
            const int position = bandEnd - (size + (bandEnd - bandStart)) / 2;
            Place(i, position, size);
            Centre(centred, begin, begin + k, bandStart, position);
            Centre(centred, begin + k + 1, end, position + size, bandEnd);
        } else {
            const int middle = bandStart + (bandEnd - bandStart) / 2;
            Centre(centred, begin, begin + k, bandStart, middle);
            Centre(centred, begin + k, end, middle, bandEnd);
        }
    }

    // The queued fill items share the space from `from` to `to` evenly; the
    // queue empties.
    void Share(std::vector<int>& queue, int from, int to)
    {
        if (queue.empty()) {
            return;
        }
        const int n = static_cast<int>(queue.size());
        const int each = (to - from) / n;
        for (int j = 0; j < n; ++j) {
            const LayoutItem& item = items_[queue[j]];
            const int nearMargin = NearMargin(item, main_);
            Place(queue[j], from + j * each + nearMargin, each - nearMargin - FarMargin(item, main_));
        }
        queue.clear();
    }

    std::vector<LayoutItem>& items_;
    const RECT rect_;
    // Whether the main and the cross axis are the vertical one.
    const bool main_;
    const bool cross_;
    std::vector<Slot> slots_;
    int first_ = 0; // the first item after the leading run
    int last_;      // one past the last item before the trailing run
    int y_;         // the band between the runs starts here
    int z_;         // and ends here
};

} // namespace

CAbstractLayout::CAbstractLayout(HWND parent) : parent_(parent), rect_{}
{
    ::GetClientRect(parent, &rect_);
}

LayoutItem& CAbstractLayout::AddWindow(
    HWND window, Placement horizontal, int32_t leftMargin, Placement vertical, int32_t topMargin, int32_t bottomMargin)
{
    LayoutItem& item = items_.emplace_back();
    item.isWindow = true;
    item.window = window;
    item.horizontal = horizontal;
    item.leftMargin = leftMargin;
    item.vertical = vertical;
    item.topMargin = topMargin;
    item.bottomMargin = bottomMargin;
    return item;
}

CAbstractLayout* CAbstractLayout::AddLayout(std::unique_ptr<CAbstractLayout> layout)
{
    LayoutItem& item = items_.emplace_back();
    item.isWindow = false;
    item.layout = std::move(layout);
    return item.layout.get();
}

SIZE CAbstractLayout::ItemSize(const LayoutItem& item)
{
    RECT rect{};
    if (item.isWindow) {
        if (item.window != nullptr) {
            ::GetWindowRect(item.window, &rect);
        }
    } else if (item.layout != nullptr) {
        item.layout->Measure(rect);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

SIZE CAbstractLayout::ParentClientSize() const
{
    RECT client{};
    ::GetClientRect(parent_, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

void CAbstractLayout::BeginRedraw(bool redraw) const
{
    if (redraw) {
        ::SendMessageW(parent_, WM_SETREDRAW, FALSE, 0);
    }
}

void CAbstractLayout::EndRedraw(bool redraw) const
{
    if (redraw) {
        ::SendMessageW(parent_, WM_SETREDRAW, TRUE, 0);
        ::RedrawWindow(parent_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

void CAbstractLayout::ArrangeAlong(Axis mainAxis, bool redraw)
{
    if (items_.empty()) {
        return;
    }
    BeginRedraw(redraw);
    Arrangement arrangement(items_, parent_, rect_, mainAxis == Axis::Vertical);
    arrangement.PlaceLeadingRun();
    arrangement.PlaceTrailingRun();
    arrangement.PlaceCentreItems();
    arrangement.PlaceFillItems();
    arrangement.Apply();
    EndRedraw(redraw);
}

void CVerticalLayout::Measure(RECT& size) const
{
    int width = 0;
    int height = 0;
    for (const LayoutItem& item : items_) {
        const SIZE itemSize = ItemSize(item);
        width = std::max<int>(width, itemSize.cx + item.leftMargin + item.rightMargin);
        height += itemSize.cy + item.topMargin + item.bottomMargin;
    }
    size = RECT{0, 0, width, height};
}

void CVerticalLayout::Arrange(bool redraw)
{
    ArrangeAlong(Axis::Vertical, redraw);
}

void CHorizontalLayout::Measure(RECT& size) const
{
    int width = 0;
    int height = 0;
    bool stretchesAcross = false;
    bool stretchesDown = false;
    for (const LayoutItem& item : items_) {
        const SIZE itemSize = ItemSize(item);
        width += itemSize.cx + item.leftMargin + item.rightMargin;
        height = std::max<int>(height, itemSize.cy + item.topMargin + item.bottomMargin);
        stretchesAcross = stretchesAcross || item.horizontal == Placement::Stretch;
        stretchesDown = stretchesDown || item.vertical == Placement::Stretch;
    }
    if (stretchesAcross || stretchesDown) {
        const SIZE parent = ParentClientSize();
        if (stretchesAcross) {
            width = parent.cx;
        }
        if (stretchesDown) {
            height = parent.cy;
        }
    }
    size = RECT{0, 0, width, height};
}

void CHorizontalLayout::Arrange(bool redraw)
{
    ArrangeAlong(Axis::Horizontal, redraw);
}

CHorizontalLayout* CGridLayout::AddRow()
{
    return static_cast<CHorizontalLayout*>(AddLayout(std::make_unique<CHorizontalLayout>(parent_)));
}

void CGridLayout::Arrange(bool redraw)
{
    if (items_.empty()) {
        return;
    }
    BeginRedraw(redraw);
    CVerticalLayout::Arrange(false);

    std::vector<int> columnWidths;
    for (const LayoutItem& row : items_) {
        if (row.layout == nullptr) {
            continue;
        }
        const std::vector<LayoutItem>& cells = row.layout->Items();
        for (size_t i = 0; i < cells.size(); ++i) {
            const int width = ItemSize(cells[i]).cx + cells[i].leftMargin + cells[i].rightMargin;
            if (i == columnWidths.size()) {
                columnWidths.push_back(width);
            } else {
                columnWidths[i] = std::max(columnWidths[i], width);
            }
        }
    }
    for (LayoutItem& row : items_) {
        if (row.layout == nullptr) {
            continue;
        }
        std::vector<LayoutItem>& cells = row.layout->Items();
        for (size_t i = 0; i < cells.size(); ++i) {
            // Margins only grow, so arranging twice changes nothing.
            const int slack = columnWidths[i] - cells[i].leftMargin - ItemSize(cells[i]).cx;
            if (slack >= cells[i].rightMargin) {
                cells[i].rightMargin = slack;
            }
        }
        row.layout->Arrange(false);
    }
    EndRedraw(redraw);
}

} // namespace vandrelcommon::ui

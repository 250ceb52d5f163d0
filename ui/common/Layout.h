#pragma once
// Layouts place child windows, and nested layouts, along one axis at the
// start, the end, the centre, or stretched over the free space, each with its
// own margins; a grid lines up the cells of its rows in columns.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vandrelcommon::ui {

enum class Placement : int32_t {
    Start = 0, // left or top
    End = 1,   // right or bottom
    Center = 2,
    Stretch = 3, // main axis: a share of the free space; cross axis: all of it
};

class CAbstractLayout;

struct LayoutItem {
    bool isWindow = true;
    HWND window = nullptr;
    std::unique_ptr<CAbstractLayout> layout; // owned when the item is a nested layout
    Placement vertical = Placement::Start;
    Placement horizontal = Placement::Start;
    int32_t leftMargin = 0;
    int32_t topMargin = 0;
    int32_t rightMargin = 0;
    int32_t bottomMargin = 0;
};

class CAbstractLayout {
public:
    // Places items in `rect`, in the client coordinates of `parent`.
    CAbstractLayout(HWND parent, const RECT& rect) : parent_(parent), rect_(rect) { }
    // Over the parent's client rectangle.
    explicit CAbstractLayout(HWND parent);
    virtual ~CAbstractLayout() = default;
    CAbstractLayout(const CAbstractLayout&) = delete;
    CAbstractLayout& operator=(const CAbstractLayout&) = delete;

    // The size the items need, as a rectangle at (0, 0).
    virtual void Measure(RECT& size) const = 0;
    virtual void Arrange(bool redraw) = 0;

    // The returned item (for a right margin, say) stays valid until the next
    // item is added.
    LayoutItem& AddWindow(HWND window, Placement horizontal, int32_t leftMargin, Placement vertical, int32_t topMargin,
        int32_t bottomMargin);
    // Takes `layout` over; it is placed at the start on both axes.
    CAbstractLayout* AddLayout(std::unique_ptr<CAbstractLayout> layout);

    HWND Parent() const { return parent_; }
    const RECT& Rect() const { return rect_; }
    void SetRect(const RECT& rect) { rect_ = rect; }
    std::vector<LayoutItem>& Items() { return items_; }
    const std::vector<LayoutItem>& Items() const { return items_; }

protected:
    enum class Axis { Horizontal, Vertical };

    // The arrangement along `main`, shared by both directions.
    void ArrangeAlong(Axis main, bool redraw);
    // An item's current size: its window's, or what its layout measures.
    static SIZE ItemSize(const LayoutItem& item);
    SIZE ParentClientSize() const;
    void BeginRedraw(bool redraw) const;
    void EndRedraw(bool redraw) const;

    HWND parent_;
    RECT rect_;
    std::vector<LayoutItem> items_;
};

class CVerticalLayout : public CAbstractLayout {
public:
    using CAbstractLayout::CAbstractLayout;

    void Measure(RECT& size) const override;
    void Arrange(bool redraw) override;
};

class CHorizontalLayout : public CAbstractLayout {
public:
    using CAbstractLayout::CAbstractLayout;

    // A stretched item makes the layout as wide (or as high) as the parent.
    void Measure(RECT& size) const override;
    void Arrange(bool redraw) override;
};

// Rows (horizontal layouts) arranged top to bottom whose cells line up in
// columns: each cell's right margin grows to its column's width.
class CGridLayout : public CVerticalLayout {
public:
    using CVerticalLayout::CVerticalLayout;

    // A new row over the parent's client rectangle, owned by the grid.
    CHorizontalLayout* AddRow();
    void Arrange(bool redraw) override;
};

} // namespace vandrelcommon::ui

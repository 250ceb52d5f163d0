#pragma once
// What the owner-drawn push buttons share: taking over a push button, the
// hover look that follows the mouse, and the focus rectangle.
#include "ui/framework/Window.h"

#include <windows.h>

namespace vandrelcommon::ui {

class COwnerDrawnButton : public CWindowImpl {
public:
    // Takes over a push button and makes it owner-drawn.
    bool SubclassWindow(HWND button);

    bool IsHovering() const { return hovering_; }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    END_MESSAGE_MAP()

protected:
    // The dotted rectangle of a focused button, unless the keyboard cues hide it.
    static void DrawFocus(const DRAWITEMSTRUCT& item);

private:
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnMouseLeave(Message& msg);

    bool hovering_ = false;
};

} // namespace vandrelcommon::ui

#include "ui/common/CheckBoxImages.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

namespace vandrelcommon::ui {

ImageListHandle MakeCheckBoxImages(HWND window, int size)
{
    constexpr int kImages = 4;
    const COLORREF background = ::GetSysColor(COLOR_WINDOW);
    ClientDC screen(window);
    GdiBitmap strip(::CreateCompatibleBitmap(screen, kImages * size, size));
    {
        MemoryDC dc(screen);
        SelectedObject selected(dc, strip.Get());
        RECT all{0, 0, kImages * size, size};
        GdiBrush brush(::CreateSolidBrush(background));
        ::FillRect(dc, &all, brush.Get());

        const ThemeHandle theme(::OpenThemeData(window, L"Button"));
        const int themedStates[] = {CBS_UNCHECKEDNORMAL, CBS_CHECKEDNORMAL, CBS_MIXEDNORMAL};
        const UINT classicStates[] = {
            DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED, DFCS_BUTTON3STATE | DFCS_CHECKED};
        // A box of 13 pixels in 16, in the middle of its square.
        const int box = MulDiv(size, 13, 16);
        const int margin = (size - box) / 2;
        for (int image = 1; image < kImages; ++image) {
            RECT square{image * size + margin, margin, image * size + margin + box, margin + box};
            if (theme) {
                ::DrawThemeBackground(theme.Get(), dc, BP_CHECKBOX, themedStates[image - 1], &square, nullptr);
            } else {
                ::DrawFrameControl(dc, &square, DFC_BUTTON, classicStates[image - 1]);
            }
        }
    }
    ImageListHandle images(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kImages, 0));
    ::ImageList_AddMasked(images.Get(), strip.Get(), background);
    return images;
}

} // namespace vandrelcommon::ui

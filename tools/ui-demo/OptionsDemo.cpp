// The search options pane on its own, filled from a preset with some of
// every kind of bound set, in a language of choice.
#include "tools/ui-demo/Demo.h"

#include "i18n/Localizer.h"
#include "ui/SearchOptionsPane.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"

#include <windows.h>

namespace uidemo {

using namespace vandrelcommon::ui;
using clonarium::CSearchOptionsPane;
using clonarium::SearchParameters;

namespace {

SearchParameters DemoPreset(bool images)
{
    SearchParameters preset;
    preset.SearchMode = images ? clonarium::SimilarImages : clonarium::ExactDuplicates;
    preset.UseScanMasks = true;
    preset.ScanMasks = {L"*.jpg", L"*.png", L"*.tif"};
    preset.UseGreater = true;
    preset.GreaterBound = 16;
    preset.GreaterMultiplier = clonarium::Kilobytes;
    preset.UseModifiedAfter = true;
    preset.SearchHidden = true;
    return preset;
}

class COptionsDemoFrame : public CFrameWindow {
public:
    explicit COptionsDemoFrame(bool images) : preset_(DemoPreset(images)) { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message&)
    {
        if (pane_.Create(hwnd_) == nullptr) {
            return -1;
        }
        pane_.ApplyPreset(&preset_);
        SetClient(pane_);
        pane_.ShowWindow(SW_SHOWNA);
        return 0;
    }

    SearchParameters preset_;
    CSearchOptionsPane pane_;
};

} // namespace

int RunOptionsDemo(const std::string& language, bool images)
{
    vandrelcommon::system::LoadLanguage(language);
    COptionsDemoFrame frame(images);
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(820), ScaleY(540)};
        if (frame.CreateFrame(0, rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, L"Clonarium") == nullptr) {
            return false;
        }
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo

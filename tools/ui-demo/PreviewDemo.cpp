// The preview area on its own: one file, or two side by side, as the result
// view would show them, so that it can be looked at without a search.
#include "tools/ui-demo/Demo.h"

#include "engine/FileIndexer.h"
#include "i18n/Localizer.h"
#include "results/DuplicateResult.h"
#include "ui/PreviewManager.h"
#include "ui/framework/Dpi.h"

#include <memory>
#include <string>
#include <vector>

namespace uidemo {

using namespace vandrelcommon::ui;
using clonarium::CDuplicateItem;

namespace {

// A result item for a file as the indexer would record it.
std::unique_ptr<CDuplicateItem> ItemFor(const std::wstring& file)
{
    clonarium::FileRecord record;
    clonarium::RecordFile(file, record);
    return CDuplicateItem::Create(record, static_cast<int64_t>(record.size), 0);
}

class CPreviewDemoWindow : public CWindowImpl {
public:
    explicit CPreviewDemoWindow(const std::vector<std::wstring>& files)
    {
        for (const std::wstring& file : files) {
            items_.push_back(ItemFor(file));
        }
    }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        if (preview_.Create(hwnd_, GetClientRect()) == nullptr) {
            return -1;
        }
        preview_.SetSinglePane(items_.size() < 2);
        preview_.ShowFirst(items_.empty() ? nullptr : items_[0].get());
        preview_.ShowSecond(items_.size() < 2 ? nullptr : items_[1].get());
        return 0;
    }

    LRESULT OnSize(Message& msg)
    {
        (void)msg;
        CWindow(preview_.Window()).MoveWindow(GetClientRect());
        return 0;
    }

    LRESULT OnDestroy(Message& msg)
    {
        (void)msg;
        ::PostQuitMessage(0);
        return 0;
    }

    std::vector<std::unique_ptr<CDuplicateItem>> items_;
    clonarium::CPreviewManager preview_;
};

} // namespace

int RunPreviewDemo(const std::vector<std::wstring>& files)
{
    vandrelcommon::system::LoadLanguage("en");
    CPreviewDemoWindow window(files);
    return RunWindowLoop([&] {
        if (window.Create(nullptr, RECT{0, 0, ScaleX(820), ScaleY(520)}, L"Preview demonstration",
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN) == nullptr) {
            return false;
        }
        window.CenterWindow();
        window.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo

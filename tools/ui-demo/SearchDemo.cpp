// A search of a folder under the search progress dialog, its groups shown in
// a result tree afterwards: the road from "Start search" to the results,
// without the main window around it.
#include "tools/ui-demo/Demo.h"

#include "i18n/Localizer.h"
#include "results/DuplicateResult.h"
#include "ui/SearchProgressDialog.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace uidemo {

using namespace vandrelcommon::ui;
using clonarium::CSearchProgressDialog;
using vandrelcommon::system::Localize;

namespace {

constexpr UINT kSearchMessage = WM_APP + 1;
constexpr UINT_PTR kPauseTimer = 1;

// The frame of the demonstration: a result tree as its client, the search
// dialog run over it as soon as it is on screen.
class CSearchDemoFrame : public CFrameWindow {
public:
    CSearchDemoFrame(clonarium::SearchRequest& request, int pauseAfterSeconds)
        : request_(request), pauseAfterSeconds_(pauseAfterSeconds)
    { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(kSearchMessage, OnSearch)
    ON_MESSAGE(WM_TIMER, OnTimer)
    REFLECT_NOTIFICATIONS()
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message&)
    {
        CreateSimpleStatusBar(L"");
        const HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0, 0, hwnd_,
            nullptr, nullptr, nullptr);
        SetClient(list);
        tree_.Attach(list);
        SHFILEINFOW info{};
        const auto systemImages = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY,
            &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
        CListViewCtrl(list).SetImageList(systemImages, LVSIL_SMALL);
        request_.groupIcon = info.iIcon;
        request_.results = &tree_;
        AddColumns();
        PostMessage(kSearchMessage);
        return 0;
    }

    void AddColumns() const
    {
        const bool images = request_.parameters.SearchMode == clonarium::SimilarImages;
        const struct {
            const char* key;
            int width;
        } columns[] = {{"tree.header-filename", 250}, {nullptr, 16}, {"tree.header-folder", 300},
            {"tree.header-size", 100}, {"tree.header-last-write-date", 150}, {"tree.header-creation-date", 150},
            {"tree.header-last-access-date", 150}, {images ? "tree.header-resolution" : "tree.header-remark", 150},
            {images ? "tree.header-remark" : nullptr, 200}};
        const int count = images ? 9 : 8;
        for (int i = 0; i < count; ++i) {
            std::wstring title =
                columns[i].key == nullptr ? L" " : Localize(std::string("duplicates-pane.") + columns[i].key);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = title.data();
            column.cx = ScaleX(columns[i].width);
            tree_.ListView().InsertColumn(i, column);
        }
    }

    LRESULT OnSearch(Message&)
    {
        CSearchProgressDialog dialog(request_, hwnd_, nullptr);
        if (pauseAfterSeconds_ > 0) {
            ::SetTimer(hwnd_, kPauseTimer, pauseAfterSeconds_ * 1000, nullptr);
        }
        const INT_PTR result = dialog.DoModal(hwnd_);
        ::KillTimer(hwnd_, kPauseTimer);
        if (result != CSearchProgressDialog::kFound) {
            DestroyWindow();
            return 0;
        }
        clonarium::SortGroups(tree_, clonarium::GroupSortOrder::TotalSize, false);
        tree_.ExpandAll();
        const auto mode = static_cast<clonarium::ResultMode>(request_.parameters.SearchMode);
        ::SetWindowTextW(StatusBar(), StatisticsText(clonarium::ComputeStatistics(tree_), mode).c_str());
        return 0;
    }

    // Presses Pause in the dialog, for a picture of a search under way.
    LRESULT OnTimer(Message& msg)
    {
        if (msg.wParam != kPauseTimer) {
            msg.handled = false;
            return 0;
        }
        ::KillTimer(hwnd_, kPauseTimer);
        const HWND dialog = ::GetLastActivePopup(hwnd_);
        if (dialog != hwnd_) {
            ::SendMessageW(::GetDlgItem(dialog, IDC_SEARCH_PAUSE), BM_CLICK, 0, 0);
        }
        return 0;
    }

    clonarium::SearchRequest& request_;
    int pauseAfterSeconds_;
    CVirtualTreeView tree_;
};

} // namespace

int RunSearchDemo(const SearchDemoOptions& options)
{
    vandrelcommon::system::LoadLanguage(options.language);
    clonarium::SearchRequest request;
    request.roots = {clonarium::SearchRoot{options.folder, true}};
    request.parameters.SearchMode = options.images ? clonarium::SimilarImages : clonarium::ExactDuplicates;
    CSearchDemoFrame frame(request, options.pauseAfterSeconds);
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(900), ScaleY(560)};
        if (frame.CreateFrame(0, rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, L"Search demonstration") == nullptr) {
            return false;
        }
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo

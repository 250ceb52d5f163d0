// Demonstrations of two shared controls: the virtual tree view with a few
// hundred groups of files, and the list of expressions edited in place.
#include "tools/ui-demo/Demo.h"

#include "ui/common/EditListBox.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Module.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <regex>
#include <string>

namespace uidemo {

using namespace vandrelcommon::ui;

namespace {

constexpr int kDemoGroups = 300;

void CopyText(LVITEMW& item, const std::wstring& text)
{
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
}

// Index of the system's small icon for files like `name`, or for folders.
int SystemIcon(const wchar_t* name, DWORD attributes)
{
    SHFILEINFOW info{};
    ::SHGetFileInfoW(
        name, attributes, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

class DemoFile : public IVirtualNodeData, public IIterableTextColumn {
public:
    DemoFile(std::wstring folder, std::wstring name, int64_t size, int icon)
        : folder_(std::move(folder)), name_(std::move(name)), size_(size), icon_(icon)
    { }
    void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) override
    {
        CopyText(item, GetColumnText(item.iSubItem, node));
        if (item.iSubItem == 0 && (item.mask & LVIF_IMAGE) != 0) {
            item.iImage = icon_;
        }
    }
    std::wstring GetColumnText(int column, CVirtualNode*) override
    {
        switch (column) {
        case 0:
            return name_;
        case 1:
            return folder_;
        case 2:
            return std::to_wstring(size_);
        default:
            return {};
        }
    }
    int GetColumnCount() override { return 3; }

private:
    std::wstring folder_;
    std::wstring name_;
    int64_t size_;
    int icon_;
};

class DemoGroup : public IVirtualNodeData, public IIterableTextColumn {
public:
    DemoGroup(int64_t size, int icon) : size_(size), icon_(icon) { }
    void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) override
    {
        CopyText(item, GetColumnText(item.iSubItem, node));
        if (item.iSubItem == 0 && (item.mask & LVIF_IMAGE) != 0) {
            item.iImage = icon_;
        }
    }
    std::wstring GetColumnText(int column, CVirtualNode* node) override
    {
        if (column == 0) {
            return std::to_wstring(node->childCount) + L" files, " + std::to_wstring(size_) + L" bytes each";
        }
        if (column == 2) {
            return std::to_wstring(size_ * node->childCount);
        }
        return {};
    }
    int GetColumnCount() override { return 3; }

private:
    int64_t size_;
    int icon_;
};

class CTreeDemoFrame : public CFrameWindow {
public:
    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    REFLECT_NOTIFICATIONS()
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        CreateSimpleStatusBar(L"");
        const HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0, 0, hwnd_,
            nullptr, AppModule().Instance(), nullptr);
        SetClient(list);
        SHFILEINFOW info{};
        const auto systemImages = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L"file.txt", FILE_ATTRIBUTE_NORMAL,
            &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
        tree_.Attach(list);
        const CListViewCtrl view(list);
        view.SetImageList(systemImages, LVSIL_SMALL);
        const struct {
            const wchar_t* title;
            int width;
        } columns[] = {{L"File name", 300}, {L"Folder", 330}, {L"Size, B", 110}};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = i == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            column.pszText = const_cast<wchar_t*>(columns[i].title);
            column.cx = ScaleX(columns[i].width);
            view.InsertColumn(i, column);
        }
        Fill();
        return 0;
    }

    void Fill()
    {
        const wchar_t* extensions[] = {L".jpg", L".txt", L".pdf", L".zip", L".mp3", L".docx", L".exe", L".png"};
        const wchar_t* folders[] = {L"C:\\Users\\Demo\\Pictures\\2019", L"C:\\Users\\Demo\\Documents",
            L"D:\\Backup\\Old laptop", L"C:\\Users\\Demo\\Downloads", L"E:\\Music\\Albums"};
        std::map<std::wstring, int> icons;
        const int groupIcon = SystemIcon(L"folder", FILE_ATTRIBUTE_DIRECTORY);
        uint32_t seed = 12345;
        const auto next = [&seed](uint32_t range) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % range;
        };
        tree_.SetRedraw(false);
        int files = 0;
        for (int g = 0; g < kDemoGroups; ++g) {
            const int64_t size = 1024 + static_cast<int64_t>(next(4000000));
            CVirtualNode* group = tree_.AddNode(nullptr, std::make_unique<DemoGroup>(size, groupIcon));
            const std::wstring extension = extensions[next(std::size(extensions))];
            auto icon = icons.find(extension);
            if (icon == icons.end()) {
                icon = icons.emplace(extension, SystemIcon((L"x" + extension).c_str(), FILE_ATTRIBUTE_NORMAL)).first;
            }
            const int count = 2 + static_cast<int>(next(4));
            const std::wstring stem = L"file-" + std::to_wstring(1000 + g);
            for (int f = 0; f < count; ++f) {
                const std::wstring name = (f == 0 ? stem : stem + L" (" + std::to_wstring(f) + L")") + extension;
                tree_.AddNode(
                    group, std::make_unique<DemoFile>(folders[next(std::size(folders))], name, size, icon->second));
                ++files;
            }
        }
        // A marked file, a fully marked group, and a few open groups.
        CVirtualNode* first = tree_.Root().firstChild;
        tree_.SetCheckState(first->firstChild->nextSibling, Checked);
        tree_.SetCheckState(first->nextSibling, Checked);
        tree_.Expand(3);
        tree_.Expand(1);
        tree_.Expand(0);
        tree_.SelectOnly(2);
        tree_.SetRedraw(true);
        tree_.Invalidate();
        ::SetWindowTextW(StatusBar(), (std::to_wstring(kDemoGroups) + L" groups, " + std::to_wstring(files) +
                                          L" files: click a box to mark, a square or + and - to open and close")
                                          .c_str());
    }

    CVirtualTreeView tree_;
};

// The helpers offered by the button beside the edit box: a template and the
// part of it that is meant to be typed over.
struct Helper {
    const wchar_t* title;
    const wchar_t* text;
    int selectFrom;
    int selectTo;
};
constexpr Helper kHelpers[] = {
    {L"File with the extension", L".*?\\.doc$", 5, 8},
    {L"File on the disk", L"d:\\\\.*?", 0, 1},
    {L"File with the name", L".*?\\\\FILENAME(\\.[^.]*$|$)", 5, 13},
};

constexpr int kListId = 100;
constexpr int kAddId = 101;
constexpr int kRemoveId = 102;
constexpr UINT kStartEditing = WM_APP + 1;

class CEditListDemo : public CWindowImpl {
public:
    explicit CEditListDemo(bool startEditing) : startEditing_(startEditing) { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_NOTIFY(kListId, CEditListBox::kHelperPressed, OnHelper)
    ON_NOTIFY(kListId, CEditListBox::kCommitting, OnCommitting)
    ON_NOTIFY(kListId, CEditListBox::kListChanged, OnListChanged)
    ON_COMMAND_CODE(kListId, LBN_SELCHANGE, OnListChanged)
    ON_COMMAND(kAddId, OnAdd)
    ON_COMMAND(kRemoveId, OnRemove)
    ON_MESSAGE(WM_SETFOCUS, OnSetFocus)
    ON_MESSAGE(kStartEditing, OnStartEditing)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    END_MESSAGE_MAP()

protected:
    WindowClass GetWindowClass() const override
    {
        WindowClass windowClass;
        windowClass.name = L"uitest.EditListDemo";
        windowClass.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        return windowClass;
    }

private:
    HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height, int id,
        DWORD exStyle = 0)
    {
        const HWND child = ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, ScaleX(x),
            ScaleY(y), ScaleX(width), ScaleY(height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
            AppModule().Instance(), nullptr);
        CWindow(child).SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        return child;
    }

    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        Child(L"STATIC",
            L"Regular expressions: F2 or a double click edits an item, Insert adds one, Delete removes the "
            L"selected one.",
            0, 12, 8, 450, 28, 0);
        const HWND list = Child(L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 12, 40,
            360, 172, kListId, WS_EX_CLIENTEDGE);
        Child(L"BUTTON", L"Add", WS_TABSTOP | BS_PUSHBUTTON, 380, 40, 80, 24, kAddId);
        Child(L"BUTTON", L"Remove", WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, 380, 70, 80, 24, kRemoveId);
        status_ = Child(L"STATIC", L"", SS_LEFTNOWORDWRAP, 12, 220, 450, 16, 0);
        list_.SubclassWindow(list);
        for (const wchar_t* text : {L".*?\\.doc$", L"d:\\\\.*?", L".*?\\\\thumbs\\.db", L"c:\\\\temp\\\\.*"}) {
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        if (startEditing_) {
            PostMessage(kStartEditing); // once the window is up and active
        }
        return 0;
    }

    LRESULT OnStartEditing(Message& msg)
    {
        list_.BeginEdit(1);
        return OnListChanged(msg);
    }

    LRESULT OnSetFocus(Message& msg)
    {
        (void)msg;
        list_.SetFocus();
        return 0;
    }

    LRESULT OnDestroy(Message& msg)
    {
        msg.handled = false;
        ::PostQuitMessage(0);
        return 0;
    }

    LRESULT OnHelper(Message& msg)
    {
        (void)msg;
        MenuHandle menu(::CreatePopupMenu());
        for (UINT i = 0; i < std::size(kHelpers); ++i) {
            ::AppendMenuW(menu.Get(), MF_STRING, i + 1, kHelpers[i].title);
        }
        POINT at{};
        ::GetCursorPos(&at);
        const UINT chosen =
            ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
        if (chosen >= 1 && chosen <= std::size(kHelpers)) {
            const Helper& helper = kHelpers[chosen - 1];
            CWindow edit(list_.EditBox());
            edit.SetText(helper.text);
            edit.SendMessage(EM_SETSEL, helper.selectFrom, helper.selectTo);
        }
        return 0;
    }

    LRESULT OnCommitting(Message& msg)
    {
        const auto& notification = *msg.NotificationAs<EditListNotification>();
        std::wstring text = notification.text != nullptr ? notification.text : L"";
        try {
            std::wregex check(text, std::regex_constants::ECMAScript);
            SetStatus(text.empty() ? L"" : L"\"" + text + L"\" is a valid expression.");
        } catch (const std::regex_error&) {
            SetStatus(L"\"" + text + L"\" is not a valid regular expression.");
        }
        return 0; // never vetoed here
    }

    LRESULT OnListChanged(Message& msg)
    {
        (void)msg;
        const bool selected = ::SendDlgItemMessageW(hwnd_, kListId, LB_GETCURSEL, 0, 0) >= 0;
        ::EnableWindow(::GetDlgItem(hwnd_, kRemoveId), selected);
        return 0;
    }

    LRESULT OnAdd(Message& msg)
    {
        list_.AddItem();
        return OnListChanged(msg);
    }

    LRESULT OnRemove(Message& msg)
    {
        list_.RemoveSelectedItem();
        return OnListChanged(msg);
    }

    void SetStatus(const std::wstring& text) { ::SetWindowTextW(status_, text.c_str()); }

    bool startEditing_;
    CEditListBox list_;
    HWND status_ = nullptr;
};

} // namespace

int RunTreeDemo()
{
    CTreeDemoFrame frame;
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(800), ScaleY(560)};
        if (frame.CreateFrame(0, rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, L"Virtual tree view demonstration") == nullptr) {
            return false;
        }
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

int RunEditListDemo(bool startEditing)
{
    CEditListDemo window(startEditing);
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(490), ScaleY(290)};
        if (window.Create(nullptr, rect, L"In-place editable list demonstration",
                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN) == nullptr) {
            return false;
        }
        window.CenterWindow();
        window.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo

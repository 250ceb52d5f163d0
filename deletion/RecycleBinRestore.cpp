#include "deletion/RecycleBinRestore.h"

#include "deletion/DeleteOperation.h"
#include "deletion/FileOperations.h"
#include "system/LongPath.h"

#include <shlguid.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <optional>

namespace clonarium {

namespace {

const SHCOLUMNID kDeletedFrom{FMTID_Displaced, PID_DISPLACED_FROM};
const SHCOLUMNID kDateDeleted{FMTID_Displaced, PID_DISPLACED_DATE};
const SHCOLUMNID kSize{FMTID_Storage, 12}; // PID_STG_SIZE

struct PidlFree {
    void operator()(ITEMIDLIST* pidl) const { ::CoTaskMemFree(pidl); }
};
using PidlOwner = std::unique_ptr<ITEMIDLIST, PidlFree>;

ComOwner<IShellFolder2> OpenRecycleBin()
{
    IShellFolder* desktop = nullptr;
    if (FAILED(::SHGetDesktopFolder(&desktop))) {
        return nullptr;
    }
    const ComOwner<IShellFolder> desktopOwner(desktop);
    ITEMIDLIST* binPidl = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &binPidl))) {
        return nullptr;
    }
    const PidlOwner binOwner(binPidl);
    IShellFolder2* bin = nullptr;
    if (FAILED(desktop->BindToObject(binPidl, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&bin)))) {
        return nullptr;
    }
    return ComOwner<IShellFolder2>(bin);
}

std::wstring TakeString(STRRET& value, const ITEMIDLIST* item)
{
    wchar_t* text = nullptr;
    if (FAILED(::StrRetToStrW(&value, item, &text))) {
        return {};
    }
    std::wstring result = text;
    ::CoTaskMemFree(text);
    return result;
}

// The column a detail is shown in, for bins that give details only as texts.
std::optional<UINT> ColumnOf(IShellFolder2& bin, const SHCOLUMNID& wanted)
{
    SHCOLUMNID id{};
    for (UINT column = 0; column < 64 && SUCCEEDED(bin.MapColumnToSCID(column, &id)); ++column) {
        if (id.fmtid == wanted.fmtid && id.pid == wanted.pid) {
            return column;
        }
    }
    return std::nullopt;
}

// What the bin tells of one item; the numbers only where it gives them as
// values (Windows), not as texts alone (Wine).
struct BinItem {
    std::wstring folder;
    std::wstring name;
    std::optional<uint64_t> size;
    double deleted = 0; // a variant date; 0 when unknown
};

BinItem Describe(IShellFolder2& bin, const ITEMIDLIST* item, std::optional<UINT> fromColumn)
{
    BinItem described;
    VARIANT value;
    ::VariantInit(&value);
    if (SUCCEEDED(bin.GetDetailsEx(item, &kDeletedFrom, &value)) && value.vt == VT_BSTR) {
        described.folder = value.bstrVal;
    } else if (SHELLDETAILS details{}; fromColumn && SUCCEEDED(bin.GetDetailsOf(item, *fromColumn, &details))) {
        described.folder = TakeString(details.str, item);
    }
    ::VariantClear(&value);
    if (SUCCEEDED(bin.GetDetailsEx(item, &kDateDeleted, &value)) && value.vt == VT_DATE) {
        described.deleted = value.date;
    }
    ::VariantClear(&value);
    if (SUCCEEDED(bin.GetDetailsEx(item, &kSize, &value)) &&
        SUCCEEDED(::VariantChangeType(&value, &value, 0, VT_UI8))) {
        described.size = value.ullVal;
    }
    ::VariantClear(&value);
    STRRET name{};
    if (SUCCEEDED(bin.GetDisplayNameOf(item, SHGDN_INFOLDER, &name))) {
        described.name = TakeString(name, item);
    }
    return described;
}

// The shell may hide a known extension from the name it shows.
bool NamesMatch(const std::wstring& shown, const std::wstring& name)
{
    if (::lstrcmpiW(shown.c_str(), name.c_str()) == 0) {
        return true;
    }
    const size_t dot = name.rfind(L'.');
    return dot != std::wstring::npos && dot > 0 && ::lstrcmpiW(shown.c_str(), name.substr(0, dot).c_str()) == 0;
}

bool FoldersMatch(std::wstring shown, std::wstring folder)
{
    for (std::wstring* text : {&shown, &folder}) {
        while (text->size() > 3 && text->back() == L'\\') {
            text->pop_back();
        }
    }
    return ::lstrcmpiW(shown.c_str(), folder.c_str()) == 0;
}

// Runs the item's command whose verb is "undelete" (the bin's Restore).
bool Undelete(IShellFolder2& bin, const ITEMIDLIST* item)
{
    IContextMenu* made = nullptr;
    if (FAILED(bin.GetUIObjectOf(nullptr, 1, &item, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&made)))) {
        return false;
    }
    const ComOwner<IContextMenu> menu(made);
    constexpr UINT kFirst = 1;
    HMENU popup = ::CreatePopupMenu();
    std::optional<UINT> restore;
    if (popup != nullptr && SUCCEEDED(menu->QueryContextMenu(popup, 0, kFirst, 0x7FFF, CMF_NORMAL))) {
        for (int index = 0; index < ::GetMenuItemCount(popup) && !restore; ++index) {
            const UINT id = ::GetMenuItemID(popup, index);
            wchar_t verb[64] = {};
            if (id != static_cast<UINT>(-1) && id >= kFirst &&
                SUCCEEDED(menu->GetCommandString(id - kFirst, GCS_VERBW, nullptr, reinterpret_cast<char*>(verb),
                    static_cast<UINT>(std::size(verb)))) &&
                std::wcscmp(verb, L"undelete") == 0) {
                restore = id - kFirst;
            }
        }
    }
    if (popup != nullptr) {
        ::DestroyMenu(popup);
    }
    // Without a command that names its verb, the verb itself is asked for.
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof(invoke);
    invoke.fMask = CMIC_MASK_FLAG_NO_UI;
    invoke.lpVerb = restore ? MAKEINTRESOURCEA(*restore) : "undelete";
    invoke.nShow = SW_HIDE;
    return SUCCEEDED(menu->InvokeCommand(&invoke));
}

} // namespace

RestoreResult RestoreFromRecycleBin(const std::wstring& path, uint64_t size)
{
    const size_t slash = path.rfind(L'\\');
    const ComOwner<IShellFolder2> bin = OpenRecycleBin();
    IEnumIDList* listed = nullptr;
    if (slash == std::wstring::npos || bin == nullptr ||
        bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &listed) != S_OK) {
        return RestoreResult::NotInBin;
    }
    const ComOwner<IEnumIDList> items(listed);
    const std::optional<UINT> fromColumn = ColumnOf(*bin, kDeletedFrom);
    PidlOwner best;
    double bestDeleted = -1;
    ITEMIDLIST* item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        PidlOwner owner(item);
        const BinItem described = Describe(*bin, item, fromColumn);
        if (FoldersMatch(described.folder, path.substr(0, slash)) &&
            NamesMatch(described.name, path.substr(slash + 1)) && (!described.size || *described.size == size) &&
            described.deleted > bestDeleted) {
            bestDeleted = described.deleted;
            best = std::move(owner);
        }
    }
    if (best == nullptr) {
        return RestoreResult::NotInBin;
    }
    Undelete(*bin, best.get());
    return IsGone(vandrelcommon::system::AddLongPathPrefix(path)) ? RestoreResult::Refused : RestoreResult::Restored;
}

} // namespace clonarium

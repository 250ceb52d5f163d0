#include "deletion/DeleteOperation.h"

#include "deletion/FileOperations.h"

#include <shellapi.h>

#include <memory>
#include <vector>

namespace clonarium {

namespace {

// No confirmation, progress or error window; to the Recycle Bin.
constexpr DWORD kOperationFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI;

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComOwner = std::unique_ptr<T, ComRelease>;

ComOwner<IFileOperation> CreateFileOperation()
{
    IFileOperation* operation = nullptr;
    if (FAILED(::CoCreateInstance(
            CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation, reinterpret_cast<void**>(&operation)))) {
        return nullptr;
    }
    ComOwner<IFileOperation> owner(operation);
    if (FAILED(owner->SetOperationFlags(kOperationFlags))) {
        return nullptr;
    }
    return owner;
}

// While it lives, every dialog window the calling thread makes is answered
// No as soon as it runs. Around SHFileOperationW with FOF_WANTNUKEWARNING
// the only dialog the shell shows is its question whether to delete a file
// for good, because the bin cannot take it.
class PermanentDeleteVeto {
public:
    PermanentDeleteVeto()
    {
        current_ = this;
        hook_ = ::SetWindowsHookExW(WH_CBT, &PermanentDeleteVeto::Watch, nullptr, ::GetCurrentThreadId());
    }
    ~PermanentDeleteVeto()
    {
        if (hook_ != nullptr) {
            ::UnhookWindowsHookEx(hook_);
        }
        current_ = nullptr;
    }
    PermanentDeleteVeto(const PermanentDeleteVeto&) = delete;
    PermanentDeleteVeto& operator=(const PermanentDeleteVeto&) = delete;

    bool Watching() const { return hook_ != nullptr; }
    bool Refused() const { return refused_; }

private:
    static bool IsDialog(const CREATESTRUCTW& window)
    {
        constexpr ATOM kDialogClass = 0x8002; // "#32770"
        if ((window.style & WS_CHILD) != 0 || window.lpszClass == nullptr) {
            return false;
        }
        return IS_INTRESOURCE(window.lpszClass) ? LOWORD(reinterpret_cast<ULONG_PTR>(window.lpszClass)) == kDialogClass
                                                : ::lstrcmpiW(window.lpszClass, L"#32770") == 0;
    }

    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND && current_ != nullptr &&
            IsDialog(*reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs)) {
            current_->refused_ = true;
            // Read by the dialog's own loop once it runs: No, delete nothing.
            ::PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static thread_local PermanentDeleteVeto* current_;
    HHOOK hook_ = nullptr;
    bool refused_ = false;
};

thread_local PermanentDeleteVeto* PermanentDeleteVeto::current_ = nullptr;

} // namespace

HRESULT RecycleOnlySink::QueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IUnknown || riid == IID_IFileOperationProgressSink) {
        *object = static_cast<IFileOperationProgressSink*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecycleOnlySink::PreDeleteItem(DWORD flags, IShellItem*)
{
    if ((flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) != 0) {
        return S_OK;
    }
    // The item would be deleted for good: a failure here cancels it.
    refused_ = true;
    return HRESULT_FROM_WIN32(ERROR_CANCELLED);
}

HRESULT RecycleOnlySink::PostDeleteItem(DWORD, IShellItem*, HRESULT result, IShellItem* inRecycleBin)
{
    recycled_ = SUCCEEDED(result) && inRecycleBin != nullptr;
    return S_OK;
}

bool WindowsVistaDeleter::Initialize()
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
        return false;
    }
    comInitialized_ = true;
    if (HMODULE shell = ::GetModuleHandleW(L"SHELL32.DLL")) {
        createItem_ = reinterpret_cast<CreateItemFunction>(
            reinterpret_cast<void*>(::GetProcAddress(shell, "SHCreateItemFromParsingName")));
    }
    // The object may exist and still not work (Wine answers E_NOTIMPL): one
    // made and configured here is the proof that files can go this way.
    if (createItem_ == nullptr || CreateFileOperation() == nullptr) {
        Uninitialize();
        return false;
    }
    return true;
}

RecycleResult WindowsVistaDeleter::DeleteToRecycleBin(const std::wstring& path)
{
    ComOwner<IFileOperation> operation = CreateFileOperation();
    if (operation == nullptr) {
        return RecycleResult::Failed;
    }
    IShellItem* made = nullptr;
    const std::wstring plain = StripLongPathPrefix(path);
    if (FAILED(createItem_(plain.c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&made)))) {
        return RecycleResult::Failed;
    }
    const ComOwner<IShellItem> item(made);
    RecycleOnlySink sink;
    const bool performed =
        SUCCEEDED(operation->DeleteItem(item.get(), &sink)) && SUCCEEDED(operation->PerformOperations());
    if (sink.Refused()) {
        return RecycleResult::Refused;
    }
    return performed && sink.Recycled() ? RecycleResult::Recycled : RecycleResult::Failed;
}

void WindowsVistaDeleter::Uninitialize()
{
    if (comInitialized_) {
        ::CoUninitialize();
        comInitialized_ = false;
    }
    createItem_ = nullptr;
}

RecycleResult WindowsXPDeleter::DeleteToRecycleBin(const std::wstring& path)
{
    // The source list ends with two zero characters.
    const std::wstring plain = StripLongPathPrefix(path);
    std::vector<wchar_t> from(plain.begin(), plain.end());
    from.insert(from.end(), 2, L'\0');
    SHFILEOPSTRUCTW request{};
    request.wFunc = FO_DELETE;
    request.pFrom = from.data();
    request.fFlags = static_cast<FILEOP_FLAGS>(kOperationFlags | FOF_WANTNUKEWARNING);
    const PermanentDeleteVeto veto;
    if (!veto.Watching()) {
        return RecycleResult::Failed; // without the veto the shell might delete for good
    }
    const int result = ::SHFileOperationW(&request);
    if (veto.Refused()) {
        return RecycleResult::Refused;
    }
    return result == 0 && !request.fAnyOperationsAborted ? RecycleResult::Recycled : RecycleResult::Failed;
}

} // namespace clonarium

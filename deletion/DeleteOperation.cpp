#include "deletion/DeleteOperation.h"

#include "deletion/FileOperations.h"

#include <shellapi.h>
#include <shobjidl.h>

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

} // namespace

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

bool WindowsVistaDeleter::DeleteToRecycleBin(const std::wstring& path)
{
    ComOwner<IFileOperation> operation = CreateFileOperation();
    if (operation == nullptr) {
        return false;
    }
    IShellItem* made = nullptr;
    const std::wstring plain = StripLongPathPrefix(path);
    if (FAILED(createItem_(plain.c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&made)))) {
        return false;
    }
    const ComOwner<IShellItem> item(made);
    BOOL aborted = FALSE;
    return SUCCEEDED(operation->DeleteItem(item.get(), nullptr)) && SUCCEEDED(operation->PerformOperations()) &&
           SUCCEEDED(operation->GetAnyOperationsAborted(&aborted)) && !aborted;
}

void WindowsVistaDeleter::Uninitialize()
{
    if (comInitialized_) {
        ::CoUninitialize();
        comInitialized_ = false;
    }
    createItem_ = nullptr;
}

bool WindowsXPDeleter::DeleteToRecycleBin(const std::wstring& path)
{
    // The source list ends with two zero characters.
    const std::wstring plain = StripLongPathPrefix(path);
    std::vector<wchar_t> from(plain.begin(), plain.end());
    from.insert(from.end(), 2, L'\0');
    SHFILEOPSTRUCTW request{};
    request.wFunc = FO_DELETE;
    request.pFrom = from.data();
    request.fFlags = static_cast<FILEOP_FLAGS>(kOperationFlags);
    return ::SHFileOperationW(&request) == 0 && !request.fAnyOperationsAborted;
}

} // namespace clonarium

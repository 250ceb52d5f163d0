#pragma once
// Ways of moving one file to the Recycle Bin. Neither lets the shell delete a
// file for good: where the bin cannot take a file, the shell would otherwise
// delete it without a word.
#include <windows.h>
#include <shobjidl.h>

#include <string>

namespace clonarium {

enum class RecycleResult {
    Recycled,
    // The bin could not take the file, and the shell was stopped before it
    // deleted the file for good.
    Refused,
    Failed,
};

class IDeleteOperation {
public:
    virtual ~IDeleteOperation() = default;
    // Prepares the calling thread; false: this way cannot be used here.
    virtual bool Initialize() = 0;
    // `path` is in long-path form; the shell gets it without the prefix, so
    // the caller makes sure the shell takes that name unaltered.
    virtual RecycleResult DeleteToRecycleBin(const std::wstring& path) = 0;
    // Undoes a successful Initialize, on the same thread.
    virtual void Uninitialize() = 0;
};

// The shell's file-operation object. Initialize probes it: where the object is
// missing or its methods are not implemented (Wine), it answers false.
class WindowsVistaDeleter : public IDeleteOperation {
public:
    bool Initialize() override;
    RecycleResult DeleteToRecycleBin(const std::wstring& path) override;
    void Uninitialize() override;

private:
    using CreateItemFunction = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);
    CreateItemFunction createItem_ = nullptr;
    bool comInitialized_ = false;
};

// SHFileOperationW, present everywhere. It is asked to warn before it deletes
// a file for good, and the warning is answered No at once.
class WindowsXPDeleter : public IDeleteOperation {
public:
    bool Initialize() override { return true; }
    RecycleResult DeleteToRecycleBin(const std::wstring& path) override;
    void Uninitialize() override { }
};

// What the file-operation object reports of one delete: it refuses a delete
// that would not go to the Recycle Bin, and notes whether the file arrived
// there. Lives on the caller's stack for one operation.
class RecycleOnlySink : public IFileOperationProgressSink {
public:
    bool Refused() const { return refused_; }
    bool Recycled() const { return recycled_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem* item) override;
    HRESULT STDMETHODCALLTYPE PostDeleteItem(
        DWORD flags, IShellItem* item, HRESULT result, IShellItem* inRecycleBin) override;

    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT, IShellItem*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

private:
    bool refused_ = false;
    bool recycled_ = false;
};

} // namespace clonarium

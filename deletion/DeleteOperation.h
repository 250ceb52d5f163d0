#pragma once
// Ways of moving one file to the Recycle Bin.
#include <windows.h>

#include <string>

namespace clonarium {

class IDeleteOperation {
public:
    virtual ~IDeleteOperation() = default;
    // Prepares the calling thread; false: this way cannot be used here.
    virtual bool Initialize() = 0;
    // `path` is in long-path form. True only when the shell reports the file
    // handled and nothing aborted.
    virtual bool DeleteToRecycleBin(const std::wstring& path) = 0;
    // Undoes a successful Initialize, on the same thread.
    virtual void Uninitialize() = 0;
};

// The shell's file-operation object. Initialize probes it: where the object is
// missing or its methods are not implemented (Wine), it answers false.
class WindowsVistaDeleter : public IDeleteOperation {
public:
    bool Initialize() override;
    bool DeleteToRecycleBin(const std::wstring& path) override;
    void Uninitialize() override;

private:
    using CreateItemFunction = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);
    CreateItemFunction createItem_ = nullptr;
    bool comInitialized_ = false;
};

// SHFileOperationW, present everywhere.
class WindowsXPDeleter : public IDeleteOperation {
public:
    bool Initialize() override { return true; }
    bool DeleteToRecycleBin(const std::wstring& path) override;
    void Uninitialize() override { }
};

} // namespace clonarium

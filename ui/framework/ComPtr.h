#pragma once
// A counted reference to a COM interface: released when the owner goes.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace vandrelcommon::ui {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* pointer) : pointer_(pointer) { }
    ComPtr(const ComPtr& other) : pointer_(other.pointer_)
    {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) { }
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Releases what is held and gives the address for an out parameter.
    T** Put()
    {
        Reset();
        return &pointer_;
    }
    void Reset()
    {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }
    T* Detach() { return std::exchange(pointer_, nullptr); }

    // Another interface of the same object; empty when it has none.
    template <typename U>
    ComPtr<U> As(REFIID iid) const
    {
        ComPtr<U> other;
        if (pointer_ != nullptr) {
            pointer_->QueryInterface(iid, reinterpret_cast<void**>(other.Put()));
        }
        return other;
    }

private:
    T* pointer_ = nullptr;
};

} // namespace vandrelcommon::ui

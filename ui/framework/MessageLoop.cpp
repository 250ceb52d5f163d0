#include "ui/framework/MessageLoop.h"

#include <algorithm>

namespace vandrelcommon::ui {

namespace {

template <typename T>
bool Contains(const std::vector<T*>& list, const T* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

void CMessageLoop::AddMessageFilter(IPreTranslateFilter* filter)
{
    if (filter != nullptr && !Contains(filters_, filter)) {
        filters_.push_back(filter);
    }
}

void CMessageLoop::RemoveMessageFilter(IPreTranslateFilter* filter)
{
    std::erase(filters_, filter);
}

void CMessageLoop::AddIdleHandler(IIdleHandler* handler)
{
    if (handler != nullptr && !Contains(idleHandlers_, handler)) {
        idleHandlers_.push_back(handler);
    }
}

void CMessageLoop::RemoveIdleHandler(IIdleHandler* handler)
{
    std::erase(idleHandlers_, handler);
}

bool CMessageLoop::PreTranslateMessage(MSG& msg)
{
    // A filter may remove others (a dialog closing on a key): only those
    // still registered are asked.
    const std::vector<IPreTranslateFilter*> snapshot = filters_;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (Contains(filters_, *it) && (*it)->PreTranslateMessage(msg)) {
            return true;
        }
    }
    return false;
}

bool CMessageLoop::OnIdle(int idleCount)
{
    const std::vector<IIdleHandler*> snapshot = idleHandlers_;
    bool more = !snapshot.empty();
    for (IIdleHandler* handler : snapshot) {
        if (Contains(idleHandlers_, handler) && !handler->OnIdle(idleCount)) {
            more = false;
        }
    }
    return more;
}

bool CMessageLoop::IsIdleMessage(const MSG& msg)
{
    // Mouse moves, painting and the caret's timer come constantly and change
    // nothing that idle handlers show.
    constexpr UINT kSystemTimer = 0x0118;
    return msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE && msg.message != WM_PAINT &&
           msg.message != kSystemTimer;
}

int CMessageLoop::Run()
{
    bool idle = true;
    int idleCount = 0;
    MSG msg{};
    for (;;) {
        while (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) {
                idle = false;
            }
        }
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            continue;
        }
        if (got == 0) {
            break;
        }
        if (!PreTranslateMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (IsIdleMessage(msg)) {
            idle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(msg.wParam);
}

} // namespace vandrelcommon::ui

#pragma once
// The thread priorities the progress dialogs offer, in list order, with the
// text key of each (section kThreadPrioritySection) and the value handed to
// the system.
#include <windows.h>

#include <array>

namespace vandrelcommon::ui {

struct ThreadPriorityLevel {
    const wchar_t* textKey;
    int value;
};

inline constexpr const wchar_t* kThreadPrioritySection = L"duplicates-pane";
inline constexpr const wchar_t* kThreadPriorityLabelKey = L"priority.priority";
inline constexpr std::array<ThreadPriorityLevel, 5> kThreadPriorityLevels = {{
    {L"priority.highest", THREAD_PRIORITY_HIGHEST},
    {L"priority.above-normal", THREAD_PRIORITY_ABOVE_NORMAL},
    {L"priority.normal", THREAD_PRIORITY_NORMAL},
    {L"priority.below-normal", THREAD_PRIORITY_BELOW_NORMAL},
    {L"priority.lowest", THREAD_PRIORITY_LOWEST},
}};

} // namespace vandrelcommon::ui

#pragma once
#include <cstdint>

namespace vandrelcommon::ui {

// The mark of a node in the result tree.
enum CheckState : int32_t {
    Checked = 0,   // marked for deletion
    Unchecked = 1, // the state of every new node
    Mixed = 2,     // a parent whose children disagree
};

} // namespace vandrelcommon::ui

#pragma once

namespace uitest {

// Shows the demonstration window and runs its message loop until it is
// closed; with `askAtOnce` the input box opens as soon as the window is up.
int RunDemo(bool askAtOnce);

} // namespace uitest

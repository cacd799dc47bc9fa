#include "app/ShellState.h"

namespace vt {

ShellState shell;

// The tree is deleted with the old root; nothing it destroys looks at the
// pointers into it that the fresh record clears.
void resetShellState(ShellState& state) { state = ShellState{}; }

}  // namespace vt

#include "state/Lifecycle.h"

namespace vt {

Lifecycle lifecycle;

void resetLifecycle(Lifecycle& state) { state = Lifecycle{}; }

}  // namespace vt

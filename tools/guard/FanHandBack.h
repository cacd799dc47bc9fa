// What the guard does once the program it watches has ended without its
// shutdown: the fans of every GPU the program held (profile/held) go back
// to the driver's own policy, as the shutdown's hand-back would do, and the
// log says so for each GPU. Works through the program's own driver layer,
// bound the same secure way (the system folder only).
#pragma once

#include <string>

namespace vt::guard {

// The program folder's held GPUs, found again by their PCI identity among
// the driver's GPUs. Returns how many GPUs were handed back; the held file
// goes afterwards, its work done. Nothing happens when the file lists none.
int handHeldFansBack(const std::string& programFolder);

}  // namespace vt::guard

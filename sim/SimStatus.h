// The statuses the simulated driver answers with, in the driver's own
// numbering (negative, 0 success), so that the program sees exactly what it
// would see from the real driver in the same situation.
#pragma once

#include <cstdint>

namespace vt::sim {

enum SimStatus : std::int32_t {
    StatusOk = 0,
    StatusError = -1,                     // generic failure; only when a test asks for it
    StatusApiNotInitialized = -4,         // called before NvAPI_Initialize succeeded
    StatusInvalidArgument = -5,           // null pointer, value out of range, unknown index or domain
    StatusDeviceNotFound = -6,            // enumeration found no GPU
    StatusHandleInvalidated = -10,        // a GPU handle from before a driver reset
    StatusInvalidHandle = -8,             // unknown session or profile handle
    StatusIncompatibleStructVersion = -9, // a version word this GPU's driver does not accept
    StatusExpectedPhysicalGpuHandle = -101,  // not a handle this driver enumerated
    StatusNotSupported = -104,            // the GPU has no such feature (fan interface, policy)
    StatusOutOfMemory = -130,             // too many settings sessions open
    StatusSettingNotFound = -160,         // the setting has no value in the profile
    StatusProfileNotFound = -163,         // the session has not loaded the settings
};

}  // namespace vt::sim

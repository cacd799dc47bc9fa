// A driver whose every answer comes from the fuzz input: which operations it
// lacks, the status of each call, and every byte it hands back (counts,
// handles, names without a terminator, version words, structure fields).
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/DriverTypes.h"

namespace vt::fuzz {

// The first bytes are a bit mask of the operations the driver lacks (one bit
// per operation, in the order of the driver layer's operation list); the
// answers are read from the rest, call after call.
void useDriverAnswers(const std::uint8_t* data, std::size_t size);

// The driver library's nvapi_QueryInterface.
void* VT_DRIVER_CALL fuzzQueryInterface(std::uint32_t id);

}  // namespace vt::fuzz

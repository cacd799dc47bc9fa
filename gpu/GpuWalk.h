// Sending one change to "all GPUs": with SLI-SYNC on, to every GPU in
// enumeration order until one refuses; with it off, to the current GPU only.
//
// The operations differ in which GPUs take part and in how a GPU without
// the needed capability counts, so each says it per GPU.
#pragma once

#include <functional>

#include "driver/DriverTypes.h"
#include "state/GpuInventory.h"

namespace vt {

enum class WalkRole {
    Send,  // the GPU takes part
    Skip,  // left out; the walk goes on
    Fail,  // ends the walk as a failure
};

enum class WalkEnd {
    FirstFailure,  // the first refusal ends the walk and fails the step
    Never,         // every GPU is tried; any refusal fails the step
    LastDecides,   // stops at a refusal; otherwise the last GPU's outcome counts, a skipped one as a failure
};

using WalkSend = std::function<DriverStatus(GpuSlot&)>;
using WalkClassify = std::function<WalkRole(const GpuSlot&)>;

inline WalkRole everyGpu(const GpuSlot&) { return WalkRole::Send; }

// True when the step succeeded. With SLI-SYNC on, a walk that sent nothing
// fails; with it off, the current GPU is sent to whatever its role.
bool sendToGpus(const WalkSend& send, const WalkClassify& classify = everyGpu, WalkEnd end = WalkEnd::FirstFailure);

}  // namespace vt

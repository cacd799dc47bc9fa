// The driver's answers: the inventory build and one monitoring pass (and one
// fan-level pass) against a driver whose every reply comes from the input.
#include <cstdlib>

#include "app/shell/StateReset.h"
#include "driver/DriverBinder.h"
#include "driver/SystemLibraryLoader.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/fuzz/FuzzDriver.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

// At most four GPUs, and every name a terminated text of at most 39 characters.
void checkInventory() {
    require(vt::inventory.count >= 0 && vt::inventory.count <= vt::GpuLimit);
    for (int i = 0; i < vt::inventory.count; ++i) {
        const char16_t* name = vt::inventory.slots[i].name;
        int length = 0;
        while (length < vt::GpuNameCapacity && name[length] != 0) ++length;
        require(length <= 39);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vt::FakePlatform& fake = vt::fuzz::fuzzPlatform();
    const std::string folder = vt::lifecycle.programFolder;
    vt::binder::resetBinding();
    vt::resetSystemLibraryLoader();
    vt::resetLifecycle();
    vt::resetAllState();
    vt::lifecycle.programFolder = folder;
    fake.addModule(vt::binder::DriverLibraryName,
                   {{{"nvapi_QueryInterface", reinterpret_cast<void*>(&vt::fuzz::fuzzQueryInterface)}}});

    vt::fuzz::InputReader input(data, size);
    const std::uint8_t choices = input.byte();
    vt::fuzz::useDriverAnswers(input.rest(), input.restSize());

    const vt::InventoryResult result = vt::buildInventory();
    checkInventory();
    if (result.failure == vt::InventoryResult::None) {
        vt::tuning.selectedGpu = choices & 3;
        vt::tuning.sliSync = (choices >> 2) & 1;
        vt::tuning.fanLevel = (choices >> 3) & 3;
        if (choices & 0x20) vt::lifecycle.activePage = 4;  // the pass follows the fan curve only there
        vt::activeGpuIndex();
        const int current = vt::currentGpuIndex();
        require(current >= 0 && current < vt::inventory.count);
        vt::monitoringPass();
        vt::fanLevelPass();
        vt::endMonitoring();
    }
    return 0;
}

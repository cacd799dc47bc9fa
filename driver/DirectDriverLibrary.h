// A second, independent load of the driver library, outside the binder.
//
// The monitoring thread reads the GPU load through an operation it looks up
// itself rather than through DriverApi. It still loads the library through
// the system-folder-only loader, never the ordinary search, so a planted
// nvapi.dll beside the program is never loaded here either. The entries are
// called directly: no call counter, no hooks, no cache shared with the
// binder.
#pragma once

#include <cstdint>

#include "driver/DriverStructs.h"
#include "driver/DriverTypes.h"
#include "platform/Types.h"

namespace vt {

class DirectDriverLibrary {
public:
    DirectDriverLibrary() = default;
    ~DirectDriverLibrary() = default;  // the library stays loaded, as the driver expects
    DirectDriverLibrary(const DirectDriverLibrary&) = delete;
    DirectDriverLibrary& operator=(const DirectDriverLibrary&) = delete;

    // Loads the library (once; later calls reuse it) and asks its query entry
    // for NvAPI_Initialize, NvAPI_EnumPhysicalGPUs and GetGpuUsages. True only
    // when all three are there.
    bool open();
    bool isOpen() const { return initialize_ != nullptr && enumPhysicalGpus_ != nullptr && getGpuUsages_ != nullptr; }

    // Each gives DriverNoSuchOperation while the library is not open.
    DriverStatus initialize() const;
    DriverStatus enumPhysicalGpus(GpuHandleList& handles, std::uint32_t& count) const;
    DriverStatus getGpuUsages(GpuHandle gpu, GpuUsages& usages) const;

private:
    using InitializeFn = DriverStatus(VT_DRIVER_CALL*)();
    using EnumFn = DriverStatus(VT_DRIVER_CALL*)(GpuHandle*, std::uint32_t*);
    using UsagesFn = DriverStatus(VT_DRIVER_CALL*)(GpuHandle, void*);

    ModuleHandle module_ = nullptr;
    InitializeFn initialize_ = nullptr;
    EnumFn enumPhysicalGpus_ = nullptr;
    UsagesFn getGpuUsages_ = nullptr;
};

}  // namespace vt

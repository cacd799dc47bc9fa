#include "driver/DirectDriverLibrary.h"

#include "driver/DriverBinder.h"
#include "driver/DriverOperations.h"
#include "driver/SystemLibraryLoader.h"
#include "platform/Platform.h"

namespace vt {

bool DirectDriverLibrary::open() {
    if (isOpen()) return true;
    if (module_ == nullptr) {
        std::uint32_t error = 0;
        module_ = loadSystemLibrary(binder::SlotLibraries[binder::DriverSlot], LoadLibrarySearchSystem32, error);
        if (module_ == nullptr) return false;
    }
    auto query = reinterpret_cast<binder::QueryInterfaceFn>(
        platform().findExport(module_, binder::SlotQueryExports[binder::DriverSlot]));
    if (query == nullptr) return false;
    initialize_ = reinterpret_cast<InitializeFn>(query(interfaceId(Operation::NvAPI_Initialize)));
    enumPhysicalGpus_ = reinterpret_cast<EnumFn>(query(interfaceId(Operation::NvAPI_EnumPhysicalGPUs)));
    getGpuUsages_ = reinterpret_cast<UsagesFn>(query(interfaceId(Operation::GetGpuUsages)));
    return isOpen();
}

DriverStatus DirectDriverLibrary::initialize() const {
    return initialize_ != nullptr ? initialize_() : DriverNoSuchOperation;
}

DriverStatus DirectDriverLibrary::enumPhysicalGpus(GpuHandleList& handles, std::uint32_t& count) const {
    return enumPhysicalGpus_ != nullptr ? enumPhysicalGpus_(handles.data(), &count) : DriverNoSuchOperation;
}

DriverStatus DirectDriverLibrary::getGpuUsages(GpuHandle gpu, GpuUsages& usages) const {
    if (getGpuUsages_ == nullptr) return DriverNoSuchOperation;
    if (!usages.versionFits()) return DriverIncompatibleVersion;
    return getGpuUsages_(gpu, usages.data());
}

}  // namespace vt

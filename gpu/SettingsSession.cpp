#include "gpu/SettingsSession.h"

#include "driver/DriverApi.h"

namespace vt {

Shared<DrsSession> settingsSession{nullptr};

DriverStatus reopenSettingsSession(DrsProfile& baseProfile) {
    DriverApi::drsDestroySession(settingsSession.exchange(nullptr));
    DrsSession fresh = nullptr;
    DriverStatus status = DriverApi::drsCreateSession(fresh);
    settingsSession = fresh;
    if (status != DriverOk) return status;
    if ((status = DriverApi::drsLoadSettings(fresh)) != DriverOk) return status;
    return DriverApi::drsGetBaseProfile(fresh, baseProfile);
}

}  // namespace vt

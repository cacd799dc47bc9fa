#include "gpu/FrameRateLimiter.h"

#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "platform/Platform.h"

namespace vt {

Shared<DrsSession> settingsSession{nullptr};

namespace {

DriverStatus createSession(DrsProfile& baseProfile) {
    DrsSession fresh = nullptr;
    DriverStatus status = DriverApi::drsCreateSession(fresh);
    settingsSession = fresh;
    if (status != DriverOk) return status;
    if ((status = DriverApi::drsLoadSettings(fresh)) != DriverOk) return status;
    return DriverApi::drsGetBaseProfile(fresh, baseProfile);
}

}  // namespace

DriverStatus reopenSettingsSession(DrsProfile& baseProfile) {
    DriverApi::drsDestroySession(settingsSession.exchange(nullptr));
    return createSession(baseProfile);
}

DriverStatus openSettingsSession(DrsProfile& baseProfile) { return createSession(baseProfile); }

void renewSettingsSession() {
    DriverApi::drsDestroySession(settingsSession.exchange(nullptr));
    DrsSession fresh = nullptr;
    DriverApi::drsCreateSession(fresh);
    settingsSession = fresh;
}

LimiterWrite writeFrameRateLimit(DrsProfile profile, std::uint32_t fps, bool pause) {
    const DrsSession session = settingsSession;
    DrsSetting setting;
    setting.requestDword(FrameRateLimiterSetting, fps);
    LimiterWrite outcome;
    outcome.set = DriverApi::drsSetSetting(session, profile, setting) == DriverOk;
    if (pause) platform().sleep(10);
    if (!outcome.set) return outcome;
    outcome.saved = DriverApi::drsSaveSettings(session) == DriverOk;
    if (pause) platform().sleep(10);
    return outcome;
}

bool restoreFrameRateLimit(DrsProfile profile) {
    const DrsSession session = settingsSession;
    if (DriverApi::drsRestoreProfileDefaultSetting(session, profile, FrameRateLimiterSetting) != DriverOk) return false;
    return DriverApi::drsSaveSettings(session) == DriverOk;
}

}  // namespace vt

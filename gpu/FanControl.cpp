#include "gpu/FanControl.h"

#include <algorithm>
#include <limits>

#include "driver/DriverApi.h"
#include "gpu/GpuRequests.h"

namespace vt {

DriverStatus setCoolerLevel(GpuSlot& gpu, std::int32_t levelPercent) {
    CoolerLevels request(CoolerLevels::Versions[0]);
    request.request(levelPercent, CoolerSettings::PolicyManual);
    DriverStatus status = DriverApi::setCoolerLevels(gpu.handle, 0, request);
    if (status == DriverOk) return status;
    CoolerLevels older(CoolerLevels::Versions[1]);
    older.request(levelPercent, CoolerSettings::PolicyManual);
    return DriverApi::setCoolerLevels(gpu.handle, 0, older);
}

int fanEntries(const GpuSlot& gpu) { return gpu.fanCount < 2 ? 1 : 2; }

DriverStatus handFansToDriver(GpuSlot& gpu) {
    FanCoolerControl request;
    const int entries = fanEntries(gpu);
    request.setFanCount(static_cast<std::uint8_t>(entries));
    for (int fan = 0; fan < entries; ++fan) request.setFan(fan, static_cast<std::uint32_t>(fan + 1), 0, false);
    return DriverApi::setFanCoolerControl(gpu.handle, request);
}

CurvePoint withDriverValue(CurvePoint point, std::int32_t storedDriverValue) {
    point.driverValue = static_cast<std::int32_t>(static_cast<std::int64_t>(storedDriverValue) * point.level / 100);
    return point;
}

namespace {

// A level in % as the driver's fraction of 65536, held inside the word.
std::uint32_t curveLevel(std::int32_t percent) {
    const std::int64_t raw = std::int64_t{percent} * 65536 / 100;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(raw, 0, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

FanCurve curveRequest(const CurvePoint (&points)[3], int entries) {
    FanCurve request;
    entries = std::clamp(entries, 0, static_cast<int>(FanCurve::MaxEntries));
    request.setEntryCount(static_cast<std::uint8_t>(entries));
    for (int entry = 0; entry < entries; ++entry) {
        request.setEntryIndex(entry, static_cast<std::uint8_t>(entry));
        for (int i = 0; i < 3; ++i) {
            const CurvePoint& p = points[i];
            request.setPoint(entry, i,
                             {driverTemperature(p.temperature), curveLevel(p.level), p.driverValue});
        }
    }
    return request;
}

FanCurve storedCurveRequest(const StoredCurve& stored) {
    CurvePoint points[3];
    for (int i = 0; i < 3; ++i) {
        points[i] = {stored.points[i].temperature, stored.points[i].level, stored.points[i].driverValue};
    }
    return curveRequest(points, stored.count);
}

}  // namespace vt

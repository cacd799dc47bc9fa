// The small files the safety net keeps beside the profile.
//
//   profile/pending       an apply whose settings have not proven themselves
//                         yet: which road wrote them and when. A start that
//                         finds it does not apply the stored profile blindly.
//   profile/lastgood.cfg  the last settings that did prove themselves, in the
//                         profile format.
//   profile/held          the GPUs whose fans the program holds (a fan level
//                         or a fixed speed), for the guard that hands them
//                         back should the program die.
//
// Every write goes through the replacing writer: a kill leaves the old file
// or the new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt {

// Below the current directory, before the program folder is known.
inline constexpr const char* PendingMarkerRelativePath = "profile/pending";

std::string pendingMarkerPath();
std::string lastGoodPath();
std::string heldFansPath();

// The marker's content: the road (apply, preset, history, load, startup) and
// the local time it began. A marker that cannot be read says "unknown" for both.
struct PendingMarker {
    std::string road;
    std::string time;
};

// Writes the marker naming `road` and now; false when it could not be written.
bool writePendingMarker(const std::string& road);
bool removePendingMarker();
// Nothing when there is no marker; a present but unreadable one is still a marker.
std::optional<PendingMarker> readPendingMarker();

// One GPU whose fans the program holds, known by its PCI identity.
struct HeldGpu {
    std::uint32_t deviceId = 0;
    std::uint32_t subsystemId = 0;
    std::string name;  // the display name, for the guard's log line
    bool operator==(const HeldGpu& other) const {
        return deviceId == other.deviceId && subsystemId == other.subsystemId && name == other.name;
    }
};

// The held file's lines: "HELD = <device> <subsystem> <name>", hex words.
std::string heldFansText(const std::vector<HeldGpu>& gpus);
std::vector<HeldGpu> parseHeldFans(const std::string& text);
// Empty list: the file goes.
bool writeHeldFans(const std::vector<HeldGpu>& gpus);
std::vector<HeldGpu> readHeldFans(const std::string& path);

}  // namespace vt

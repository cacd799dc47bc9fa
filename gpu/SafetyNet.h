// Settings are proven before they are trusted.
//
// Every road that writes tuning values to the driver first leaves the
// marker profile/pending. Once its writes have settled, the settings prove
// themselves by 30 s of monitoring passes that the driver answered; then the
// marker goes and profile/lastgood.cfg holds them. A start that finds the
// marker knows the last run (or the system) stopped before that, and does
// not apply the stored profile blindly: see StartDecision.
//
// Beside it, profile/held names the GPUs whose fans the program holds, for
// the guard that hands them back should the program die.
//
// The roads run on the window thread (and the start-up); the passes report
// from the monitoring thread. One lock orders them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/SafetyFiles.h"

namespace vt {

inline constexpr std::uint32_t ProvingPeriodMs = 30000;

// The roads, as the marker names them.
inline constexpr const char* RoadApply = "apply";      // an Advanced Mode page
inline constexpr const char* RoadPreset = "preset";    // an easy preset, by button or tray
inline constexpr const char* RoadHistory = "history";  // a history record
inline constexpr const char* RoadLoad = "load";        // a profile file from the settings dialog
inline constexpr const char* RoadStartup = "startup";  // the stored profile at start-up

// Before the road's first driver write: the marker, and no proving until the
// writes have settled.
void tuningWriteBegins(const char* road);
// The road's writes have settled: the proving period starts with the next
// pass the driver answers.
void tuningWriteSettled();
// After each monitoring pass. An unanswered pass starts the period over.
// True for the answered pass that begins a road's period: the card's values
// it read are the settings in force.
bool provingPass(bool driverAnswered);
// Whether the settings of a road have still to prove themselves.
bool provingOpen();
// The milliseconds since the proving road's writes began, or nothing when no
// road is proving (a driver reset within them undoes the change).
std::optional<std::uint32_t> sinceUnprovenWrite();
// The clean shutdown, or a road's settings undone before they proved
// themselves: the marker goes, whatever the proving state.
void endProving();
// A fresh start (tests).
void resetSafetyNet();

// The held fans as the records say now; profile/held is rewritten when that
// changed. clearHeldFans: the clean shutdown's hand-back is done.
void refreshHeldFans();
void clearHeldFans();

// What a start does with the stored profile.
struct StartDecision {
    bool applyProfile = true;  // as always
    bool safeStart = false;    // a marker was found: log SAFE_START, apply nothing, ask
    bool offerProfile = false;
    bool offerLastGood = false;
    PendingMarker marker;
};
StartDecision decideStart(const std::optional<PendingMarker>& marker, bool profileValid, bool lastGoodValid);

}  // namespace vt

// The process's lifecycle: whether it runs, whether it is in the tray, where
// its files live, its main window and the modal result slots.
//
// Every layer reads some of it: the worker threads loop on `running` and rest
// while the window is in the tray, the file writers build their paths on the
// program folder, and the dialogs find their owner and their slot. Who may
// touch the driver when is the driver gate's business (gpu/DriverGate.h). The
// flags that worker threads read are Shared<T>; the rest is touched on the
// window thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Shared.h"
#include "platform/Types.h"
#include "state/AdvancedPage.h"

namespace vt {

inline constexpr int ModalSlotCount = 9;

// The result slots the program's dialogs use. The other four stay empty; the
// window's modal guard looks at all nine.
enum ModalSlot : int {
    CurveNoticeSlot = 2,      // the fan-curve notice
    ResetConfirmSlot = 3,     // the reset confirmation
    AdvancedWarningSlot = 7,  // the Advanced Mode warning
    SafeStartSlot = 8,        // the notice of a safe start
    SettingsSlot = 9,         // the settings dialog
};

// The "open" sentinels. Every one is negative, so neither a button
// identifier (all are positive) nor an empty slot (0) can be taken for one.
inline constexpr std::int32_t SettingsOpen = -10;          // slot 9: tells the dialog procedure to lay out the tabs
inline constexpr std::int32_t AdvancedWarningOpen = -100;  // slot 7: tells it that the close box means cancel
inline constexpr std::int32_t SafeStartOpen = -10000;      // slot 8: tells it which buttons to offer
inline constexpr std::int32_t Slot1Open = -10000001;       // slot 1, unused: apart from its neighbours' value
inline constexpr std::int32_t SharedOpen = -10000000;      // slots 2 to 6: no code tells these apart by the value

// Each modally opened program dialog stores its slot's "open" sentinel before
// it opens; the dialog procedure overwrites it with the closing button's id.
struct ModalResults {
    std::int32_t slot[ModalSlotCount + 1] = {};  // slots are numbered 1..9; [0] is unused
    static constexpr std::int32_t openSentinel(int slotNumber) {
        switch (slotNumber) {
            case 1: return Slot1Open;
            case AdvancedWarningSlot: return AdvancedWarningOpen;
            case SafeStartSlot: return SafeStartOpen;
            case SettingsSlot: return SettingsOpen;
            default: return SharedOpen;
        }
    }
    bool isOpen(int slotNumber) const { return slot[slotNumber] == openSentinel(slotNumber); }
    bool anyOpen() const {
        for (int n = 1; n <= ModalSlotCount; ++n) {
            if (slot[n] == openSentinel(n)) return true;
        }
        return false;
    }
};

struct Lifecycle {
    Shared<std::int32_t> running{1};  // input is taken and the worker threads loop
    Shared<std::int32_t> closing;     // the close button was pressed: panel work stops
    Shared<std::int32_t> wndProcEnabled;
    Shared<std::int32_t> initDone;
    // Set and cleared through the workers (gpuWorkers.enterTray/leaveTray),
    // which rest in the tray and must hear when the window comes back.
    Shared<std::int32_t> hiddenToTray;

    // A monitoring pass found every GPU call failing as a driver that resets
    // or is replaced fails: no pass asks the driver until the window thread
    // has bound the GPUs again (it tries once a second).
    Shared<std::int32_t> driverLost;
    // Set with the rebind: the monitoring thread's settings session and
    // second driver load belong to the driver that went.
    Shared<std::int32_t> monitoringStale;

    // The Advanced Mode page shown, an AdvancedPage (state/AdvancedPage.h).
    Shared<std::int32_t> activePage{ClockPage};

    ModalResults modal;
    WindowHandle mainWindow = nullptr;
    // The current directory at start-up; every later path is built on it.
    std::string programFolder;
};

extern Lifecycle lifecycle;

// Back to the values a fresh process starts with.
void resetLifecycle(Lifecycle& state = lifecycle);

}  // namespace vt

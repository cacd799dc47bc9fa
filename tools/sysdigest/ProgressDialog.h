// The program's progress dialog, seen from the collector.
//
// While the collector works, the program shows a modal "Progress" dialog
// that only the collector can close: it advances, relabels and closes it
// with four messages. The program starts the collector just before it opens
// that dialog, so the collector waits a little for it when the program's
// window is there. Run by hand, with no program, the collector just works.
#pragma once

#include <cstdint>

namespace vt::sysdigest {

inline constexpr std::uint32_t ProgressStep = 0x8005;     // advance the bar one step
inline constexpr std::uint32_t ProgressClose = 0x8006;    // close the dialog
inline constexpr std::uint32_t ProgressWritten = 0x8007;  // say the report is written
inline constexpr std::uint32_t ProgressFailed = 0x8008;   // say it failed; the dialog closes itself

class ProgressDialog {
public:
    // Finds the dialog, waiting up to `patienceMs` for it while the
    // program's window exists.
    static ProgressDialog find(std::uint32_t patienceMs);

    bool found() const { return dialog_ != nullptr; }
    // One step per part of the report gathered.
    void advance();
    // The report is in place: say so, leave the words up a moment, close.
    void reportWritten();
    // The report could not be written: say so and wait (a few seconds at
    // most) until the dialog has closed, so it hears it before we are gone.
    void reportFailed();

private:
    explicit ProgressDialog(void* dialog) : dialog_(dialog) {}
    // The dialog a moment ago may be gone (the program ended); then stop talking to it.
    bool alive();

    void* dialog_;
};

}  // namespace vt::sysdigest

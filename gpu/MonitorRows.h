// What the monitoring log gets from the GPU side: a row of readings per
// monitoring pass, an event row per applied change. Nothing at all while the
// log is off.
#pragma once

#include <string>

namespace vt {

// The log on, writing below `logFolder`; off, with its last rows written.
void startMonitorLog(const std::string& logFolder);
void stopMonitorLog();
bool monitorLogOn();

// The monitoring thread, after a pass of GPU `index`.
void recordMonitorPass(int index);
// The window thread, after a change reached the driver: what was applied.
void recordMonitorEvent(const std::string& event);

// While one lives, the window thread's events carry its text instead of
// their own: a re-apply after resume goes through a preset or a load, and
// says it is a re-apply.
class MonitorEventLabel {
public:
    explicit MonitorEventLabel(std::string text);
    ~MonitorEventLabel();
    MonitorEventLabel(const MonitorEventLabel&) = delete;
    MonitorEventLabel& operator=(const MonitorEventLabel&) = delete;

private:
    std::string previous_;
};

// Rows not yet in the file (tests).
std::size_t monitorRowsPending();
// Writes them now (tests).
void flushMonitorLog();

}  // namespace vt

// The monitoring log, "log/monitor-YYYYMMDD.csv": the readings of every
// monitoring pass and the changes applied, on one timeline, for a
// spreadsheet.
//
// UTF-8 with a header line; one row per pass of the GPU sampled and one per
// applied change, its "event" column saying what was applied. The monitoring
// pass only adds a row to memory; a writer thread of its own puts the rows in
// the file of their day at least every five seconds and at the end, removes
// files older than 30 days and keeps all of them under 100 MB together.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Types.h"

namespace vt {

inline constexpr std::uint32_t MonitorLogFlushMs = 5000;
inline constexpr int MonitorLogKeepDays = 30;
inline constexpr std::uint64_t MonitorLogMaxBytes = 100ull * 1024 * 1024;
// Rows held in memory at most: a writer that cannot write loses the oldest.
inline constexpr std::size_t MonitorLogMaxPending = 20000;

struct MonitorLogRow {
    LocalTime time;   // with milliseconds
    std::string gpu;  // UTF-8
    std::optional<int> gpuClockMhz, memClockMhz, temperature, load;
    std::optional<int> fan1Percent, fan1Rpm, fan2Percent, fan2Rpm;
    std::optional<double> powerTargetPercent;
    std::optional<int> temperatureTarget, gpuOffsetMhz, memOffsetMhz;
    std::string event;  // empty for a pass's readings
};

// The first line of every file (after the UTF-8 byte order mark, which lets
// spreadsheets read the degree sign), without its line feed.
extern const char* const MonitorCsvHeader;
inline constexpr const char* Utf8Mark = "\xEF\xBB\xBF";

// One line, without its line feed.
std::string monitorCsvRow(const MonitorLogRow& row);
// "monitor-YYYYMMDD.csv"
std::string monitorLogName(const LocalTime& day);
// Days since 1970-01-01 of a calendar date (any month length, leap years).
long daysSinceEpoch(int year, int month, int day);

class MonitorLog {
public:
    // `folder`: the log folder; it is not created here (the start line's).
    explicit MonitorLog(std::string folder) : folder_(std::move(folder)) {}

    // Any thread; memory only, never a file.
    void add(MonitorLogRow row);
    // Writes the rows held, each to its day's file; then files older than 30
    // days before `today` go, and the oldest other files while the total is
    // over the limit. A row that would still not fit is dropped.
    void flush(const LocalTime& today);

    std::size_t pending() const;
    std::uint64_t dropped() const;

private:
    void removeOldFiles(const LocalTime& today);
    // The bytes of the monitoring files now; the oldest other than `keep` go
    // while they and `adding` are over the limit.
    bool makeRoom(const std::string& keep, std::uint64_t adding);

    std::string folder_;
    mutable std::mutex lock_;
    std::vector<MonitorLogRow> rows_;
    std::uint64_t dropped_ = 0;
    std::mutex flushing_;
};

// The thread that flushes a log while it is on.
class MonitorLogWriter {
public:
    ~MonitorLogWriter() { stop(); }
    void start(MonitorLog& log);
    // The last rows written, then the thread ends.
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace vt

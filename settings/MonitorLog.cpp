#include "settings/MonitorLog.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/Platform.h"
#include "platform/Utf8.h"

namespace vt {

const char* const MonitorCsvHeader =
    "time,GPU,GPU clock (MHz),memory clock (MHz),temperature (\xC2\xB0""C),load (%),fan 1 (%),fan 1 (rpm),"
    "fan 2 (%),fan 2 (rpm),power target (%),temperature target (\xC2\xB0""C),GPU offset (MHz),"
    "memory offset (MHz),event";

namespace {

constexpr std::string_view NamePrefix = "monitor-";
constexpr std::string_view NameSuffix = ".csv";

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string timeText(const LocalTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

// Quoted when it holds a separator, a quote or a line break.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string number(const std::optional<int>& value) { return value ? std::to_string(*value) : std::string(); }

std::string number(const std::optional<double>& value) {
    if (!value) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", *value);
    return text;
}

// The day of a monitoring file from its name; nullopt for any other file.
std::optional<long> dayOfName(const std::string& name) {
    if (name.size() != NamePrefix.size() + 8 + NameSuffix.size()) return std::nullopt;
    if (!name.starts_with(NamePrefix) || !name.ends_with(NameSuffix)) return std::nullopt;
    const std::string digits = name.substr(NamePrefix.size(), 8);
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    return daysSinceEpoch(year, month, day);
}

std::uint64_t fileSize(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return 0;
    std::fseek(in, 0, SEEK_END);
    const long size = std::ftell(in);
    std::fclose(in);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

}  // namespace

std::string monitorCsvRow(const MonitorLogRow& row) {
    const std::string fields[] = {
        timeText(row.time),          csvField(row.gpu),         number(row.gpuClockMhz),
        number(row.memClockMhz),     number(row.temperature),   number(row.load),
        number(row.fan1Percent),     number(row.fan1Rpm),       number(row.fan2Percent),
        number(row.fan2Rpm),         number(row.powerTargetPercent), number(row.temperatureTarget),
        number(row.gpuOffsetMhz),    number(row.memOffsetMhz),  csvField(row.event),
    };
    std::string line;
    for (const std::string& field : fields) {
        if (&field != &fields[0]) line += ',';
        line += field;
    }
    return line;
}

std::string monitorLogName(const LocalTime& day) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", day.year);
    return std::string(NamePrefix) + text + twoDigits(day.month) + twoDigits(day.day) + std::string(NameSuffix);
}

long daysSinceEpoch(int year, int month, int day) {
    // The civil-from-days inverse: March-based years put the leap day last.
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}


void MonitorLog::add(MonitorLogRow row) {
    const std::lock_guard hold(lock_);
    if (rows_.size() >= MonitorLogMaxPending) {
        rows_.erase(rows_.begin());
        ++dropped_;
    }
    rows_.push_back(std::move(row));
}

std::size_t MonitorLog::pending() const {
    const std::lock_guard hold(lock_);
    return rows_.size();
}

std::uint64_t MonitorLog::dropped() const {
    const std::lock_guard hold(lock_);
    return dropped_;
}

void MonitorLog::removeOldFiles(const LocalTime& today) {
    const long now = daysSinceEpoch(today.year, today.month, today.day);
    for (const FolderEntry& entry : platform().listFolder(folder_)) {
        const std::optional<long> day = dayOfName(entry.name);
        if (day && now - *day > MonitorLogKeepDays) platform().deleteFile(folder_ + "/" + entry.name);
    }
}

bool MonitorLog::makeRoom(const std::string& keep, std::uint64_t adding) {
    std::vector<FolderEntry> files;
    std::uint64_t total = 0;
    for (const FolderEntry& entry : platform().listFolder(folder_)) {
        if (!dayOfName(entry.name)) continue;
        files.push_back(entry);
        total += entry.size;
    }
    // Names sort by day: the oldest first.
    std::sort(files.begin(), files.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& file : files) {
        if (total + adding <= MonitorLogMaxBytes) break;
        if (file.name == keep) continue;
        if (platform().deleteFile(folder_ + "/" + file.name)) total -= file.size;
    }
    return total + adding <= MonitorLogMaxBytes;
}

void MonitorLog::flush(const LocalTime& today) {
    const std::lock_guard one(flushing_);
    std::vector<MonitorLogRow> rows;
    {
        const std::lock_guard hold(lock_);
        rows.swap(rows_);
    }
    // Each day's rows in one go, in the order they came.
    std::map<std::string, std::string> byFile;
    std::vector<std::string> order;
    for (const MonitorLogRow& row : rows) {
        const std::string name = monitorLogName(row.time);
        if (byFile.find(name) == byFile.end()) order.push_back(name);
        byFile[name] += monitorCsvRow(row) + "\n";
    }
    for (const std::string& name : order) {
        const std::string path = folder_ + "/" + name;
        const bool fresh = fileSize(path) == 0;
        std::string text = fresh ? std::string(Utf8Mark) + MonitorCsvHeader + "\n" : std::string();
        text += byFile[name];
        if (!makeRoom(name, text.size())) {
            const std::lock_guard hold(lock_);
            for (char c : byFile[name]) dropped_ += c == '\n' ? 1 : 0;
            continue;
        }
        std::FILE* out = std::fopen(path.c_str(), "a");
        if (out == nullptr) continue;
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
    removeOldFiles(today);
}

void MonitorLogWriter::start(MonitorLog& log) {
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this, &log] {
        std::unique_lock hold(lock_);
        // The flush after the stop writes the last rows.
        for (bool last = false; !last;) {
            wake_.wait_for(hold, std::chrono::milliseconds(MonitorLogFlushMs), [this] { return stopping_; });
            last = stopping_;
            hold.unlock();
            log.flush(platform().localTime());
            hold.lock();
        }
    });
}

void MonitorLogWriter::stop() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

}  // namespace vt

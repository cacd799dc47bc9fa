// What a real PC does to the driver while the program runs, on a test's word:
//   sleep                   every GPU wakes on its defaults
//   reset MS [STATUS]       every call fails with STATUS (-10 unless given)
//                           for MS milliseconds; then the GPUs come back on
//                           their defaults, under new handles
//   update MS [STATUS]      a reset that ends in another driver release
//   swap                    the GPUs come back from the next reset (or at
//                           once, under new handles) in the other order
//   unplug N                GPU N does not come back from the next reset
// A running program's test appends them to the file VANTRELIS_SIM_EVENTS
// names; host tests call Simulator::event.
#include <algorithm>
#include <charconv>
#include <fstream>

#include "sim/SimDriver.h"
#include "sim/Simulator.h"

namespace vt::sim {
namespace {

constexpr double EventsReadPeriod = 0.1;  // seconds

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t begin = line.find_first_not_of(" \t\r", at);
        if (begin == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t\r", begin), line.size());
        found.push_back(line.substr(begin, end - begin));
        at = end;
    }
    return found;
}

bool number(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

void SimDriver::endOutage() {
    if (outage.swap || swapAtReturn) std::reverse(pristine.begin(), pristine.end());
    gpus = pristine;
    ++generation;
    outage = {};
    swapAtReturn = false;
    writeStateFile();
}

bool SimDriver::event(std::string_view line, std::string& error) {
    const std::vector<std::string_view> parts = words(line);
    if (parts.empty()) return true;
    const std::string_view name = parts[0];
    if (name == "sleep" && parts.size() == 1) {
        for (std::size_t i = 0; i < gpus.size() && i < pristine.size(); ++i) gpus[i] = pristine[i];
        return true;
    }
    if (name == "swap" && parts.size() == 1) {
        if (outage.until >= 0) {
            outage.swap = true;
        } else {
            swapAtReturn = true;
            endOutage();
        }
        return true;
    }
    std::int64_t index = 0;
    if (name == "unplug" && parts.size() == 2 && number(parts[1], index) && index >= 0 &&
        index < static_cast<std::int64_t>(pristine.size())) {
        pristine.erase(pristine.begin() + index);
        return true;
    }
    std::int64_t milliseconds = 0;
    std::int64_t status = StatusHandleInvalidated;
    if ((name == "reset" || name == "update") && (parts.size() == 2 || parts.size() == 3) &&
        number(parts[1], milliseconds) && milliseconds >= 0 && (parts.size() == 2 || number(parts[2], status))) {
        outage.until = now() + double(milliseconds) / 1000.0;
        outage.status = static_cast<std::int32_t>(status);
        outage.swap = outage.swap || swapAtReturn;
        if (name == "update") ++driverRelease;
        return true;
    }
    error = "unknown event: " + std::string(line);
    return false;
}

void SimDriver::takeEvents() {
    if (outage.until >= 0 && now() >= outage.until) endOutage();
    if (eventsPath.empty()) return;
    const double at = now();
    if (eventsReadAt >= 0 && at - eventsReadAt < EventsReadPeriod) return;
    eventsReadAt = at;
    std::ifstream in(eventsPath, std::ios::binary);
    std::string line;
    bool taken = false;
    for (std::size_t index = 0; std::getline(in, line); ++index) {
        if (index < eventsSeen) continue;
        eventsSeen = index + 1;
        std::string ignored;
        event(line, ignored);  // a line it does not know is skipped
        taken = true;
    }
    if (outage.until >= 0 && now() >= outage.until) endOutage();
    if (taken) writeStateFile();  // a test sees the card wake on its defaults
}

bool Simulator::event(std::string_view line, std::string& error) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.catchUp();
    driver.takeEvents();
    return driver.event(line, error);
}

std::uint32_t Simulator::driverRelease() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    return driver.driverRelease;
}

}  // namespace vt::sim

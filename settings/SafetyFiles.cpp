#include "settings/SafetyFiles.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/Platform.h"
#include "settings/Profile.h"
#include "settings/ReplacingFile.h"
#include "settings/TimeStamp.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

constexpr const char* Unknown = "unknown";

std::string profileFile(const char* name) { return lifecycle.programFolder + "/" + ProfileFolder + "/" + name; }

void makeProfileFolder() {
    Platform& os = platform();
    const std::string folder = lifecycle.programFolder + "/" + ProfileFolder;
    if (!os.isDirectory(folder)) os.createDirectory(folder);
}

std::optional<std::string> readWhole(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "r");
    if (in == nullptr) return std::nullopt;
    std::string text;
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, got);
    std::fclose(in);
    return text;
}

// "KEY = value" of one line, or nothing.
std::optional<std::string> valueOf(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    const std::string prefix = key + " = ";
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0 && line.size() > prefix.size()) return line.substr(prefix.size());
    }
    return std::nullopt;
}

bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0 || !platform().fileExists(path); }

}  // namespace

std::string pendingMarkerPath() { return profileFile("pending"); }
std::string lastGoodPath() { return profileFile("lastgood.cfg"); }
std::string heldFansPath() { return profileFile("held"); }

bool writePendingMarker(const std::string& road) {
    makeProfileFolder();
    const std::string text = "ROAD = " + road + "\nTIME = " + localTimeStamp() + "\n";
    return writeReplacing(pendingMarkerPath(), [&](std::FILE* out) { std::fputs(text.c_str(), out); });
}

bool removePendingMarker() { return removeFile(pendingMarkerPath()); }

std::optional<PendingMarker> readPendingMarker() {
    const std::string path = pendingMarkerPath();
    if (!platform().fileExists(path)) return std::nullopt;
    const std::string text = readWhole(path).value_or("");
    const std::optional<std::string> road = valueOf(text, "ROAD");
    const std::optional<std::string> time = valueOf(text, "TIME");
    if (!road || !time) return PendingMarker{Unknown, Unknown};
    return PendingMarker{*road, *time};
}

std::string heldFansText(const std::vector<HeldGpu>& gpus) {
    std::string text;
    for (const HeldGpu& gpu : gpus) {
        char ids[32];
        std::snprintf(ids, sizeof ids, "%08x %08x ", static_cast<unsigned>(gpu.deviceId),
                      static_cast<unsigned>(gpu.subsystemId));
        text += "HELD = " + std::string(ids) + gpu.name + "\n";
    }
    return text;
}

std::vector<HeldGpu> parseHeldFans(const std::string& text) {
    std::vector<HeldGpu> gpus;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("HELD = ", 0) != 0) continue;
        char* end = nullptr;
        const char* at = line.c_str() + 7;
        HeldGpu gpu;
        gpu.deviceId = static_cast<std::uint32_t>(std::strtoul(at, &end, 16));
        if (end == at || *end != ' ') continue;
        at = end + 1;
        gpu.subsystemId = static_cast<std::uint32_t>(std::strtoul(at, &end, 16));
        if (end == at || *end != ' ') continue;
        gpu.name = end + 1;
        gpus.push_back(gpu);
    }
    return gpus;
}

bool writeHeldFans(const std::vector<HeldGpu>& gpus) {
    if (gpus.empty()) return removeFile(heldFansPath());
    makeProfileFolder();
    const std::string text = heldFansText(gpus);
    return writeReplacing(heldFansPath(), [&](std::FILE* out) { std::fputs(text.c_str(), out); });
}

std::vector<HeldGpu> readHeldFans(const std::string& path) { return parseHeldFans(readWhole(path).value_or("")); }

}  // namespace vt

#include "sim/SimConfig.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <sstream>

namespace vt::sim {
namespace {

using VersionMap = std::map<std::string, std::vector<std::uint32_t>>;

// Every versioned operation with the words a current driver accepts, newest first.
VersionMap currentVersions() {
    return {
        {"NvAPI_GPU_GetAllClockFrequencies", {0x30108, 0x20108, 0x10108}},
        {"NvAPI_GPU_GetThermalSettings", {0x20044, 0x10044}},
        {"NvAPI_GPU_GetPstates20", {0x31CF8, 0x21CF8, 0x11C94}},
        {"GetPowerPolicyInfo", {0x208C8, 0x100B8}},
        {"GetPowerPolicyStatus", {0x20558, 0x10048}},
        {"GetThermalPolicyInfo", {0x30578, 0x20068, 0x10058}},
        {"GetThermalPolicyLimit", {0x30548, 0x20038, 0x10028}},
        {"GetCoolerSettings", {0x40558, 0x30508, 0x203C8, 0x103C8, 0x10098}},
        {"SetCoolerLevels", {0x100A4, 0x1001C}},
        {"GetFanCoolerStatus", {0x106A8}},
        {"SetFanCoolerControl", {0x105AC}},
        {"GetFanCurveInfo", {0x2004C, 0x1003C}},
        {"GetFanCurve", {0x200DC}},
        {"GetMemoryInfo", {0x30020, 0x20018, 0x10014}},
        {"GetGpuUsages", {0x10088}},
    };
}

SimCurveEntry curveEntry(std::uint8_t index, const int (&points)[3][3]) {
    SimCurveEntry entry;
    entry.index = index;
    for (int i = 0; i < 3; ++i) {
        entry.points[i] = {points[i][0] * 256, std::uint32_t(points[i][1]) * 65536 / 100, points[i][2]};
    }
    return entry;
}

SimFan fan(std::uint32_t id, std::int32_t minLevel, std::int32_t maxLevel, std::int32_t maxRpm) {
    SimFan made;
    made.coolerId = id;
    made.minLevel = minLevel;
    made.maxLevel = maxLevel;
    made.maxRpm = maxRpm;
    return made;
}

void setThermal(SimGpu& gpu, int minimum, int standard, int maximum) {
    gpu.thermalPolicy = true;
    gpu.thermalValid = true;
    gpu.thermalMin = minimum * 256;
    gpu.thermalDefault = standard * 256;
    gpu.thermalMax = maximum * 256;
    gpu.thermalLimit = gpu.thermalDefault;
}

void setPower(SimGpu& gpu, std::uint32_t minimum, std::uint32_t standard, std::uint32_t maximum) {
    gpu.powerPolicy = true;
    gpu.powerMin = minimum;
    gpu.powerDefault = standard;
    gpu.powerMax = maximum;
    gpu.powerLimit = standard;
}

SimGpu currentCard() {
    SimGpu gpu;
    gpu.model = "current";
    gpu.name = "NVIDIA GeForce RTX 3080";
    gpu.deviceId = 0x220610DE;
    gpu.subsystemId = 0x146710DE;
    gpu.revisionId = 0xA1;
    gpu.extDeviceId = 0x2206;
    gpu.memoryKiB = 10 * 1024 * 1024;
    gpu.versions = currentVersions();
    gpu.pstates = {0, 2, 3, 5, 8};
    gpu.graphicsBase = 1440000;
    gpu.graphicsBoost = 1710000;
    gpu.memoryClock = 9501000;
    gpu.graphicsDeltaMin = -1000000;
    gpu.graphicsDeltaMax = 1500000;
    gpu.memoryDeltaMin = -1000000;
    gpu.memoryDeltaMax = 3000000;
    gpu.voltageControl = true;
    gpu.coreVoltage = 850000;
    gpu.voltageDeltaMax = 100000;
    setPower(gpu, 30000, 100000, 115000);
    setThermal(gpu, 65, 83, 91);
    gpu.cooling = Cooling::Fans;
    gpu.fans = {fan(1, 30, 100, 3000), fan(2, 30, 100, 3100)};
    gpu.fanCurve = true;
    gpu.defaultCurve = {curveEntry(0, {{30, 30, 900}, {60, 50, 1500}, {80, 85, 2550}}),
                        curveEntry(1, {{30, 30, 930}, {60, 50, 1550}, {80, 85, 2635}})};
    gpu.curve = gpu.defaultCurve;
    return gpu;
}

SimGpu coolerCard() {
    SimGpu gpu;
    gpu.model = "cooler";
    gpu.name = "NVIDIA GeForce GTX 1080";
    gpu.deviceId = 0x1B8010DE;
    gpu.subsystemId = 0x119E10DE;
    gpu.revisionId = 0xA1;
    gpu.extDeviceId = 0x1B80;
    gpu.memoryKiB = 8 * 1024 * 1024;
    gpu.versions = currentVersions();
    gpu.pstates = {0, 2, 5, 8};
    gpu.graphicsBase = 1607000;
    gpu.graphicsBoost = 1733000;
    gpu.memoryClock = 5005000;
    gpu.graphicsDeltaMin = -200000;
    gpu.graphicsDeltaMax = 500000;
    gpu.memoryDeltaMin = -500000;
    gpu.memoryDeltaMax = 1000000;
    gpu.voltageControl = true;
    gpu.coreVoltage = 1050000;
    gpu.voltageDeltaMax = 100000;
    setPower(gpu, 50000, 100000, 120000);
    setThermal(gpu, 60, 83, 92);
    gpu.cooling = Cooling::Cooler;
    gpu.fans = {fan(1, 20, 100, 4000)};
    gpu.coolerRpmByte = true;
    return gpu;
}

SimGpu legacyCard() {
    SimGpu gpu;
    gpu.model = "legacy";
    gpu.name = "NVIDIA GeForce GTX 680";
    gpu.deviceId = 0x118010DE;
    gpu.subsystemId = 0x096910DE;
    gpu.revisionId = 0xA1;
    gpu.extDeviceId = 0x1180;
    gpu.memoryKiB = 2 * 1024 * 1024;
    gpu.versions = {
        {"NvAPI_GPU_GetAllClockFrequencies", {0x20108, 0x10108}},
        {"NvAPI_GPU_GetThermalSettings", {0x10044}},
        {"NvAPI_GPU_GetPstates20", {0x11C94}},
        {"GetPowerPolicyInfo", {0x100B8}},
        {"GetPowerPolicyStatus", {0x10048}},
        {"GetThermalPolicyInfo", {0x10058}},
        {"GetThermalPolicyLimit", {0x10028}},
        {"GetCoolerSettings", {0x203C8, 0x103C8, 0x10098}},
        {"SetCoolerLevels", {0x1001C}},
        {"GetFanCoolerStatus", {0x106A8}},
        {"SetFanCoolerControl", {0x105AC}},
        {"GetFanCurveInfo", {0x1003C}},
        {"GetFanCurve", {0x200DC}},
        {"GetMemoryInfo", {0x10014}},
        {"GetGpuUsages", {0x10088}},
    };
    gpu.pstates = {0, 5, 8};
    gpu.graphicsBase = 1006000;
    gpu.graphicsBoost = 1058000;
    gpu.memoryClock = 3004000;
    gpu.graphicsDeltaMin = -135000;
    gpu.graphicsDeltaMax = 135000;
    gpu.memoryDeltaMin = -500000;
    gpu.memoryDeltaMax = 500000;
    setPower(gpu, 50000, 100000, 132000);
    gpu.thermalPolicy = false;
    gpu.cooling = Cooling::Cooler;
    gpu.fans = {fan(1, 30, 100, 3200)};
    gpu.coolerRpmByte = false;
    return gpu;
}

SimGpu unlistedCard() {
    SimGpu gpu;
    gpu.model = "unlisted";
    gpu.name = "NVIDIA GeForce GT 730";
    gpu.deviceId = 0x128710DE;
    gpu.subsystemId = 0x118B10DE;
    gpu.revisionId = 0xA1;
    gpu.extDeviceId = 0x1287;
    gpu.memoryKiB = 2 * 1024 * 1024;
    gpu.versions = currentVersions();
    gpu.pstates = {0, 8};
    gpu.graphicsBase = 902000;
    gpu.graphicsBoost = 902000;
    gpu.memoryClock = 2505000;
    gpu.graphicsDeltaMin = -135000;
    gpu.graphicsDeltaMax = 135000;
    gpu.memoryDeltaMin = -500000;
    gpu.memoryDeltaMax = 500000;
    gpu.powerPolicy = false;
    gpu.thermalPolicy = false;
    gpu.cooling = Cooling::Cooler;
    gpu.fans = {fan(1, 30, 100, 2800)};
    return gpu;
}

// --- the text form -----------------------------------------------------------

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    while (!(text = trim(text)).empty()) {
        const auto end = text.find_first_of(" \t");
        out.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text = text.substr(end);
    }
    return out;
}

// Decimal or 0x hexadecimal, with an optional sign; the whole word must be a number.
bool parseNumber(std::string_view word, std::int64_t& value) {
    bool negative = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), magnitude, base);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() || magnitude > 0xFFFFFFFFull) {
        return false;
    }
    value = negative ? -std::int64_t(magnitude) : std::int64_t(magnitude);
    return true;
}

class Parser {
public:
    Parser(SimConfig& config, std::string& error) : config_(config), error_(error) {}

    bool line(int number, std::string_view text) {
        number_ = number;
        if (const auto hash = text.find('#'); hash != std::string_view::npos) text = text.substr(0, hash);
        text = trim(text);
        if (text.empty()) return true;
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) return fail("expected key = value");
        const std::string key(trim(text.substr(0, equals)));
        const std::string_view value = trim(text.substr(equals + 1));
        if (key == "gpu") return startGpu(value);
        if (const auto global = globalKey(key, value)) return *global;
        if (config_.gpus.empty() || !gpuStarted_) return fail("'" + key + "' needs a gpu line before it");
        return gpuKey(key, value, config_.gpus.back());
    }

    bool finish() {
        if (!gpuStarted_) {
            config_.gpus.push_back(currentCard());
            config_.gpus.back().outputMask = 1;
        }
        return true;
    }

private:
    bool fail(const std::string& message) {
        error_ = "line " + std::to_string(number_) + ": " + message;
        return false;
    }

    bool numbers(std::string_view value, std::vector<std::int64_t>& out, std::size_t count) {
        out.clear();
        for (std::string_view word : words(value)) {
            std::int64_t number = 0;
            if (!parseNumber(word, number)) return fail("not a number: " + std::string(word));
            out.push_back(number);
        }
        if (count != 0 && out.size() != count) {
            return fail("expected " + std::to_string(count) + " numbers, got " + std::to_string(out.size()));
        }
        return true;
    }

    template <class T>
    bool number(std::string_view value, T& out) {
        std::vector<std::int64_t> parsed;
        if (!numbers(value, parsed, 1)) return false;
        out = static_cast<T>(parsed[0]);
        return true;
    }

    bool startGpu(std::string_view value) {
        if (config_.gpus.size() == MaxSimGpus && gpuStarted_) return fail("at most 6 GPUs");
        if (!gpuStarted_) config_.gpus.clear();
        gpuStarted_ = true;
        SimGpu gpu;
        if (!cardModel(value, gpu)) return fail("unknown card model: " + std::string(value));
        config_.gpus.push_back(std::move(gpu));
        if (config_.gpus.size() == 1) config_.gpus.back().outputMask = 1;
        return true;
    }

    std::optional<bool> globalKey(const std::string& key, std::string_view value) {
        if (key == "fail") {
            const auto parts = words(value);
            SimFailure failure;
            if (parts.size() < 2 || parts.size() > 3) return fail("fail = OPERATION STATUS [gpu=N]");
            failure.operation = std::string(parts[0]);
            std::int64_t status = 0;
            if (!parseNumber(parts[1], status)) return fail("not a status: " + std::string(parts[1]));
            failure.status = static_cast<std::int32_t>(status);
            if (parts.size() == 3) {
                std::int64_t gpu = 0;
                if (!parts[2].starts_with("gpu=") || !parseNumber(parts[2].substr(4), gpu)) {
                    return fail("expected gpu=N");
                }
                failure.gpu = static_cast<int>(gpu);
            }
            config_.failures.push_back(failure);
            return true;
        }
        if (key == "missing") {
            for (std::string_view name : words(value)) config_.missing.insert(std::string(name));
            return true;
        }
        if (key == "hooks") return flag(value, config_.hooks);
        if (key == "crash") {
            // crash = OPERATION [after N]
            const auto parts = words(value);
            if (parts.empty() || (parts.size() != 1 && parts.size() != 3) || (parts.size() == 3 && parts[1] != "after")) {
                return fail("crash = OPERATION [after N]");
            }
            config_.crashOperation = std::string(parts[0]);
            config_.crashAfter = 1;
            if (parts.size() == 3 && (!parseNumber(parts[2], config_.crashAfter) || config_.crashAfter < 1)) {
                return fail("not a call number: " + std::string(parts[2]));
            }
            return true;
        }
        if (key == "initializeDelay") return number(value, config_.initializeDelay);
        if (key == "chipsetVersions") return versionList(value, config_.chipsetVersions);
        return std::nullopt;
    }

    bool flag(std::string_view value, bool& out) {
        if (value != "0" && value != "1") return fail("expected 0 or 1");
        out = value == "1";
        return true;
    }

    bool versionList(std::string_view value, std::vector<std::uint32_t>& out) {
        std::vector<std::int64_t> parsed;
        if (!numbers(value, parsed, 0)) return false;
        out.assign(parsed.begin(), parsed.end());
        return true;
    }

    bool range(std::string_view value, std::int32_t& low, std::int32_t& high) {
        std::vector<std::int64_t> parsed;
        if (!numbers(value, parsed, 2)) return false;
        if (parsed[0] > parsed[1]) return fail("the low end is above the high end");
        low = static_cast<std::int32_t>(parsed[0]);
        high = static_cast<std::int32_t>(parsed[1]);
        return true;
    }

    bool curve(std::string_view value, SimGpu& gpu) {
        if (value == "none") {
            gpu.fanCurve = false;
            gpu.defaultCurve.clear();
            gpu.curve.clear();
            return true;
        }
        const auto points = words(value);
        if (points.size() != 3) return fail("curve = none, or three points TEMPERATURE:LEVEL:VALUE");
        int parsed[3][3] = {};
        for (int i = 0; i < 3; ++i) {
            std::string_view point = points[i];
            for (int part = 0; part < 3; ++part) {
                const auto colon = point.find(':');
                std::int64_t number = 0;
                if (!parseNumber(point.substr(0, colon), number)) return fail("bad curve point");
                parsed[i][part] = static_cast<int>(number);
                point = colon == std::string_view::npos ? std::string_view() : point.substr(colon + 1);
            }
        }
        gpu.fanCurve = true;
        gpu.defaultCurve.clear();
        const std::size_t entries = std::max<std::size_t>(1, gpu.fans.size());
        for (std::size_t e = 0; e < entries; ++e) gpu.defaultCurve.push_back(curveEntry(std::uint8_t(e), parsed));
        gpu.curve = gpu.defaultCurve;
        return true;
    }

    bool fans(std::string_view value, SimGpu& gpu) {
        std::int32_t count = 0;
        if (!number(value, count)) return false;
        if (gpu.cooling == Cooling::Cooler ? count != 1 : (count < 1 || count > 2)) {
            return fail("the per-fan interface has 1 or 2 fans, the cooler interface 1");
        }
        const SimFan first = gpu.fans.empty() ? fan(1, 30, 100, 3000) : gpu.fans.front();
        gpu.fans.resize(std::size_t(count), first);
        for (std::size_t i = 0; i < gpu.fans.size(); ++i) gpu.fans[i].coolerId = std::uint32_t(i + 1);
        return true;
    }

    bool gpuKey(const std::string& key, std::string_view value, SimGpu& gpu) {
        std::vector<std::int64_t> parsed;
        if (key == "name") {
            gpu.name = std::string(value);
            return true;
        }
        if (key == "device") return number(value, gpu.deviceId);
        if (key == "subsystem") return number(value, gpu.subsystemId);
        if (key == "revision") return number(value, gpu.revisionId);
        if (key == "extDevice") return number(value, gpu.extDeviceId);
        if (key == "display") return number(value, gpu.outputMask);
        if (key == "compute") return flag(value, gpu.compute);
        if (key == "memory") return number(value, gpu.memoryKiB);
        if (key == "pstates") {
            if (!numbers(value, parsed, 0)) return false;
            if (parsed.empty() || parsed.front() != 0 || !std::is_sorted(parsed.begin(), parsed.end()) ||
                parsed.size() > 16) {
                return fail("pstates: 1 to 16 ascending ids starting with 0");
            }
            gpu.pstates.assign(parsed.begin(), parsed.end());
            return true;
        }
        if (key == "graphicsBase") return number(value, gpu.graphicsBase);
        if (key == "graphicsBoost") return number(value, gpu.graphicsBoost);
        if (key == "memoryClock") return number(value, gpu.memoryClock);
        if (key == "graphicsDelta") return number(value, gpu.graphicsDelta);
        if (key == "graphicsDeltaRange") return range(value, gpu.graphicsDeltaMin, gpu.graphicsDeltaMax);
        if (key == "memoryDelta") return number(value, gpu.memoryDelta);
        if (key == "memoryDeltaRange") return range(value, gpu.memoryDeltaMin, gpu.memoryDeltaMax);
        if (key == "voltageDelta") return number(value, gpu.voltageDelta);
        if (key == "voltageDeltaRange") {
            gpu.voltageControl = value != "none";
            return !gpu.voltageControl || range(value, gpu.voltageDeltaMin, gpu.voltageDeltaMax);
        }
        if (key == "power") {
            if (value == "none") {
                gpu.powerPolicy = false;
                return true;
            }
            if (!numbers(value, parsed, 3)) return false;
            setPower(gpu, std::uint32_t(parsed[0]), std::uint32_t(parsed[1]), std::uint32_t(parsed[2]));
            return true;
        }
        if (key == "powerLimit") return number(value, gpu.powerLimit);
        if (key == "thermal") {
            if (value == "none") {
                gpu.thermalPolicy = false;
                return true;
            }
            if (value == "invalid") {
                gpu.thermalPolicy = true;
                gpu.thermalValid = false;
                return true;
            }
            if (!numbers(value, parsed, 3)) return false;
            setThermal(gpu, int(parsed[0]), int(parsed[1]), int(parsed[2]));
            return true;
        }
        if (key == "thermalLimit") {
            std::int32_t degrees = 0;
            if (!number(value, degrees)) return false;
            gpu.thermalLimit = degrees * 256;
            return true;
        }
        if (key == "cooling") {
            if (value != "cooler" && value != "fans") return fail("cooling = cooler or fans");
            gpu.cooling = value == "cooler" ? Cooling::Cooler : Cooling::Fans;
            if (gpu.cooling == Cooling::Cooler && gpu.fans.size() > 1) gpu.fans.resize(1);
            if (gpu.fans.empty()) gpu.fans.push_back(fan(1, 30, 100, 3000));
            return true;
        }
        if (key == "fans") return fans(value, gpu);
        if (key == "fanRange") {
            std::int32_t low = 0, high = 0;
            if (!range(value, low, high)) return false;
            for (SimFan& each : gpu.fans) each.minLevel = low, each.maxLevel = high;
            return true;
        }
        if (key == "fanMaxRpm") {
            std::int32_t rpm = 0;
            if (!number(value, rpm)) return false;
            for (SimFan& each : gpu.fans) each.maxRpm = rpm;
            return true;
        }
        if (key == "coolerRpm") return flag(value, gpu.coolerRpmByte);
        if (key == "curve") return curve(value, gpu);
        if (key == "load") {
            if (value == "cycle") {
                gpu.fixedLoad = -1;
                return true;
            }
            return number(value, gpu.fixedLoad);
        }
        if (key == "temperature") return number(value, gpu.temperature);
        if (key.starts_with("versions.")) return versionList(value, gpu.versions[key.substr(9)]);
        return fail("unknown key '" + key + "'");
    }

    SimConfig& config_;
    std::string& error_;
    int number_ = 0;
    bool gpuStarted_ = false;
};

}  // namespace

bool cardModel(std::string_view model, SimGpu& gpu) {
    if (model == "current") gpu = currentCard();
    else if (model == "cooler") gpu = coolerCard();
    else if (model == "legacy") gpu = legacyCard();
    else if (model == "unlisted") gpu = unlistedCard();
    else return false;
    return true;
}

SimConfig defaultConfig() {
    SimConfig config;
    config.gpus.push_back(currentCard());
    config.gpus.back().outputMask = 1;
    return config;
}

bool parseConfig(std::string_view text, SimConfig& config, std::string& error) {
    SimConfig parsed;
    Parser parser(parsed, error);
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (!parser.line(++number, text.substr(0, end))) return false;
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    if (!parser.finish()) return false;
    config = std::move(parsed);
    return true;
}

}  // namespace vt::sim

#include "settings/Profile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace vt {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openForReading(const std::string& path) { return File(std::fopen(path.c_str(), "r")); }

int digitValue(int c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

// --- writing -------------------------------------------------------------

void put(std::FILE* out, const char* text) { std::fputs(text, out); }

void putInteger(std::FILE* out, const char* key, std::int64_t value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    *end = '\0';
    put(out, key);
    put(out, " = ");
    put(out, digits);
    put(out, "\n");
}

// "%.3f" without the locale: the float's exact value rounded to three places.
void putDecimal(std::FILE* out, const char* key, float value) {
    char digits[64];
    auto result = std::to_chars(digits, digits + sizeof digits - 1, static_cast<double>(value),
                                std::chars_format::fixed, 3);
    *result.ptr = '\0';
    put(out, key);
    put(out, " = ");
    put(out, digits);
    put(out, "\n");
}

// --- reading -------------------------------------------------------------

// Advances the stream to just after the first occurrence of key. After a
// mismatch only the current character is tried again as the key's start.
bool findKey(std::FILE* in, const char* key) {
    const std::size_t length = std::char_traits<char>::length(key);
    if (length == 0) return false;
    std::size_t matched = 0;
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
        if (c != static_cast<unsigned char>(key[matched])) matched = 0;
        if (c == static_cast<unsigned char>(key[matched])) {
            if (++matched == length) return true;
        }
    }
    return false;
}

int countWord(std::FILE* in, const char* word) {
    int count = 0;
    while (skipPastWord(in, word)) ++count;
    return count;
}

// The value starts three characters after the key (" = "). Read past them
// rather than seek: a relative seek on a Windows text stream goes wrong in
// files with bare line feeds (edited by hand), reading never does. Running
// into the end of the file here gives what a seek beyond it would.
bool skipSeparator(std::FILE* in) {
    for (int i = 0; i < 3; ++i) std::fgetc(in);
    return true;
}

// Digits in order; anything else counts as the digit -1. The arithmetic wraps
// like a 32-bit machine word instead of overflowing.
std::int32_t readIntegerValue(std::FILE* in) {
    int first = digitValue(std::fgetc(in));
    std::uint32_t value = 0;
    std::uint32_t sign = 1;
    if (first >= 0) {
        value = static_cast<std::uint32_t>(first);
    } else {
        sign = static_cast<std::uint32_t>(-1);
        int second = std::fgetc(in);
        if (second == '\n') return -1;
        value = static_cast<std::uint32_t>(-digitValue(second));
    }
    for (int c = std::fgetc(in); c != '\n' && c != EOF; c = std::fgetc(in)) {
        value = value * 10u + sign * static_cast<std::uint32_t>(digitValue(c));
    }
    return static_cast<std::int32_t>(value);
}

// Collects the rest of the line; a value the end of the file cuts short counts
// as missing. Longer values are cut at 99 characters.
bool readTextValue(std::FILE* in, std::string& value) {
    value.clear();
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
        if (c == '\n') {
            // The value is a C string: it ends at its first NUL.
            value.resize(std::min(value.find('\0'), value.size()));
            return true;
        }
        if (value.size() < ProfileValueCapacity - 1) value += static_cast<char>(c);
    }
    return false;
}

bool readInteger(std::FILE* in, const char* key, std::int32_t& destination) {
    if (!findKey(in, key) || !skipSeparator(in)) return false;
    destination = readIntegerValue(in);
    return true;
}

bool readText(std::FILE* in, const char* key, std::string& destination) {
    std::string value;
    if (findKey(in, key) && skipSeparator(in) && readTextValue(in, value)) {
        destination = value;
        return true;
    }
    destination = TextNotFound;
    return false;
}

// Positions the stream at the start of the record of the given age; false
// when there is no such record.
File openRecord(const std::string& path, int age) {
    int records = countRecords(path);
    if (age > records) return nullptr;
    File in = openForReading(path);
    if (!in) return nullptr;
    int toSkip = records - age;
    if (toSkip > 0) {
        for (int i = 0; i < toSkip; ++i) skipPastWord(in.get(), "Create");
        skipPastWord(in.get(), "Ver");
        for (int c = std::fgetc(in.get()); c != '\n' && c != EOF; c = std::fgetc(in.get())) {
        }
    }
    return in;
}

std::size_t skipBlanks(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    return i;
}

}  // namespace

bool skipPastWord(std::FILE* in, const char* word) {
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
        if (c != static_cast<unsigned char>(word[0])) continue;
        const char* rest = word + 1;
        while (*rest != '\0') {
            c = std::fgetc(in);
            if (c != static_cast<unsigned char>(*rest)) break;
            ++rest;
        }
        if (*rest == '\0') return true;
        if (c == EOF) return false;
    }
    return false;
}

void writeProfile(std::FILE* out, const TuningSettings& settings, const GpuInventory& gpus, int currentGpu) {
    put(out, "DeviceID = ");
    for (int i = 0; i < gpus.count && i < MaxGpus; ++i) put(out, deviceIdText(gpus.slots[i].deviceId).c_str());
    put(out, "\n");
    putInteger(out, "GPU", settings.selectedGpu);
    if (std::string path = settings.backScreen.get(); path != TextNotFound) {
        put(out, "BACKSCREEN = ");
        put(out, path.c_str());
        put(out, "\n");
    }
    putInteger(out, "EASY_SETTINGS", settings.easySettings);
    putDecimal(out, "GPU_OFFSET", settings.gpuOffset);
    putDecimal(out, "MEM_OFFSET", settings.memOffset);
    putDecimal(out, "POWER_TARGET", settings.powerTarget);
    putDecimal(out, "TEMP_TARGET", settings.tempTarget);
    putInteger(out, "FPS_TARGET", settings.fpsTarget);

    static const GpuSlot noGpu;
    const GpuSlot& gpu = currentGpu >= 0 && currentGpu < gpus.count && currentGpu < MaxGpus
                             ? gpus.slots[currentGpu]
                             : noGpu;
    if (gpu.caps.NewFanInterface == 0) {
        putInteger(out, "FAN_SPEED", gpu.fanPolicyManual ? gpu.fanSpeed.load() : ValueAutomatic);
    } else {
        putInteger(out, "FAN_SPEED1", gpu.fanSpeed1Manual ? gpu.fanSpeed1.load() : ValueAutomatic);
        if (gpu.fanCount >= 2) {
            putInteger(out, "FAN_SPEED2", gpu.fanSpeed2Manual ? gpu.fanSpeed2.load() : ValueAutomatic);
        }
    }
    putInteger(out, "FAN_LEVEL", settings.fanLevel);
    putInteger(out, "FAN_CURVE", gpu.fanCurve);
    putInteger(out, "PSTATE", settings.pstate);
    putInteger(out, "SLI-SYNC", settings.sliSync);
    put(out, "Ver = ");
    put(out, ProfileVersion);
    put(out, "\n");
}

bool lookupInteger(const std::string& path, const char* key, std::int32_t& destination) {
    File in = openForReading(path);
    return in && readInteger(in.get(), key, destination);
}

bool lookupText(const std::string& path, const char* key, std::string& destination) {
    File in = openForReading(path);
    if (!in) {
        destination = TextNotFound;
        return false;
    }
    return readText(in.get(), key, destination);
}

int countRecords(const std::string& path) {
    File in = openForReading(path);
    return in ? countWord(in.get(), "Create") : 0;
}

bool lookupIntegerInRecord(const std::string& path, const char* key, std::int32_t& destination, int age) {
    File in = openRecord(path, age);
    return in && readInteger(in.get(), key, destination);
}

bool lookupTextInRecord(const std::string& path, const char* key, std::string& destination, int age) {
    File in = openRecord(path, age);
    if (!in) {
        destination = TextNotFound;
        return false;
    }
    return readText(in.get(), key, destination);
}

bool checkProfile(const std::string& path, std::span<const std::uint32_t> deviceIds) {
    std::string version;
    lookupText(path, "Ver", version);
    if (version != ProfileVersion) return false;
    std::string ids;
    lookupText(path, "DeviceID", ids);
    std::size_t offset = 0;
    for (std::uint32_t id : deviceIds) {
        std::string expected = deviceIdText(id);
        std::string piece = offset < ids.size() ? ids.substr(offset, expected.size()) : std::string();
        if (piece != expected) return false;
        offset += expected.size();
    }
    return true;
}

std::int32_t textToInt(const std::string& text) {
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && digitValue(text[i]) >= 0; ++i) {
        value = value * 10 + digitValue(text[i]);
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) break;  // saturate below
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

double textToDecimal(const std::string& text) {
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    // from_chars takes no sign of its own here: a second sign is not a number.
    if (first != last && *first != '-' && *first != '+') {
        auto result = std::from_chars(first, last, value, std::chars_format::general);
        if (result.ec == std::errc::result_out_of_range) {
            // Too large or too small: strtod gives HUGE_VAL or 0.
            std::string_view number(first, static_cast<std::size_t>(result.ptr - first));
            bool tiny = number.find("e-") != number.npos || number.find("E-") != number.npos;
            value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        } else if (result.ec != std::errc()) {
            value = 0.0;
        }
    }
    return negative ? -value : value;
}

std::string deviceIdText(std::uint32_t deviceId) {
    char digits[9];
    auto end = std::to_chars(digits, digits + sizeof digits, deviceId, 16).ptr;
    return std::string(digits, end);
}

}  // namespace vt

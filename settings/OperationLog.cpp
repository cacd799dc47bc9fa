#include "settings/OperationLog.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/Platform.h"
#include "settings/TimeStamp.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

bool appendTo(const std::string& path, std::string_view text) {
    std::FILE* out = std::fopen(path.c_str(), "a");
    if (out == nullptr) return false;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    return true;
}

std::string programLogPath() { return lifecycle.programFolder + "/" + LogFile; }

std::atomic<std::uint32_t> failedLines{0};

}  // namespace

std::string logGpuName() {
    int selected = tuning.selectedGpu;
    // A profile may name a GPU that is not there; never read past the slots.
    if (selected < 0 || selected >= MaxGpus) return {};
    const char16_t* name = inventory.slots[selected].name;
    return platform().toMultiByte(std::u16string_view(name));
}

void writeStartLine() {
    Platform& os = platform();
    if (!os.isDirectory(LogFolder)) os.createDirectory(LogFolder);
    appendTo(LogFile, "--- start application " + localTimeStamp() + " ---\n");
}

void writeEndLine() { appendTo(programLogPath(), "--- end application " + localTimeStamp() + " ---\n\n"); }

void logLine(std::string_view body) {
    if (body.find("= FAILED") != std::string_view::npos) failedLines.fetch_add(1, std::memory_order_relaxed);
    std::string line = logGpuName();
    line += ": ";
    line += body;
    appendTo(programLogPath(), line);
}

std::uint32_t failedLinesLogged() { return failedLines.load(std::memory_order_relaxed); }

void logProgramLine(std::string_view line) { appendTo(programLogPath(), std::string(line)); }

void logValue(const char* key, int value) {
    logLine(std::string(key) + " = " + std::to_string(value) + "\n");
}

void logWord(const char* key, const char* word) { logLine(std::string(key) + " = " + word + "\n"); }

}  // namespace vt

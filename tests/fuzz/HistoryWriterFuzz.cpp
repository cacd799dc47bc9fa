// Recording an apply into an arbitrary existing history file: the record
// count, the cut of the oldest record and the appended record. The writer
// thread's work is done on the fuzzer's thread: a thread per input would
// cost more than the write itself.
#include <cstdlib>
#include <string>

#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "settings/TimeStamp.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

std::string fileText(const std::string& path) {
    std::string text;
    if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
        std::fclose(in);
    }
    return text;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vt::fuzz::fuzzPlatform();
    static const bool once = [] {
        vt::resetTuningSettings();
        vt::resetGpuInventory();
        vt::inventory.count = 1;
        vt::inventory.slots[0].deviceId = 0x1b8010de;
        return true;
    }();
    (void)once;
    const std::string path = vt::historyPath();
    vt::resetHistory();  // makes the folder
    vt::fuzz::writeInputFile(path, data, size);

    vt::writeHistoryRecord("Create = " + vt::localTimeStamp() + "\n",
                           [](std::FILE* out) { vt::writeProfile(out, vt::tuning, vt::inventory, 0); });

    // Whatever was there before, the file now ends with the whole new record.
    const std::string after = fileText(path);
    require(endsWith(after, "Ver = 2.10\n\n"));
    require(after.find("Create = 2026/12/08 09:05:07\nDeviceID = 1b8010de\n") != std::string::npos);
    return 0;
}

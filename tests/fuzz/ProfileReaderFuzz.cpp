// The profile reader on arbitrary bytes: every whole-file and record lookup,
// the record count and the validity check, one of them per input.
//
// Input: a selector byte (which reader), a key byte, an age byte, then the
// file's bytes.
#include <cstdlib>
#include <string>

#include "settings/Profile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

constexpr const char* Keys[] = {"DeviceID",  "GPU",        "BACKSCREEN", "EASY_SETTINGS", "GPU_OFFSET",
                                "MEM_OFFSET", "POWER_TARGET", "TEMP_TARGET", "FPS_TARGET", "FAN_SPEED",
                                "FAN_SPEED1", "FAN_SPEED2", "FAN_LEVEL",  "FAN_CURVE",     "PSTATE",
                                "SLI-SYNC",   "Ver",        "Create"};
constexpr std::size_t KeyCount = sizeof Keys / sizeof Keys[0];
constexpr std::int32_t Untouched = 0x5A5A5A5A;
const char* const InputPath = "input.cfg";

void require(bool holds) {
    if (!holds) std::abort();
}

void checkText(bool found, const std::string& text) {
    require(text.size() < vt::ProfileValueCapacity);
    if (!found) require(text == "not found");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vt::fuzz::fuzzPlatform();
    vt::fuzz::InputReader input(data, size);
    const std::uint8_t reader = input.byte() % 6;
    const char* key = Keys[input.byte() % KeyCount];
    const int age = static_cast<int>(input.byte() % 9) - 1;
    vt::fuzz::writeInputFile(InputPath, input.rest(), input.restSize());

    std::int32_t number = Untouched;
    std::string text;
    switch (reader) {
        case 0:
            if (!vt::lookupInteger(InputPath, key, number)) require(number == Untouched);
            break;
        case 1:
            checkText(vt::lookupText(InputPath, key, text), text);
            break;
        case 2: {
            const bool found = vt::lookupIntegerInRecord(InputPath, key, number, age);
            if (!found) require(number == Untouched);
            if (age > vt::countRecords(InputPath)) require(!found);
            break;
        }
        case 3: {
            const bool found = vt::lookupTextInRecord(InputPath, key, text, age);
            checkText(found, text);
            if (age > vt::countRecords(InputPath)) require(!found);
            break;
        }
        case 4:
            require(vt::countRecords(InputPath) >= 0);
            break;
        default: {
            const std::uint32_t ids[] = {0x1b8010de, 0x220610de, 0xfc610de};
            vt::checkProfile(InputPath, std::span(ids, 1 + age % 3 + (age < 0 ? 1 : 0)));
            break;
        }
    }
    return 0;
}

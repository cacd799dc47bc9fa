// Reads a profile or the settings history with the program's own profile
// reader and says whether every value the profile writer writes is there:
//
//   profilecheck profile PATH    exit 0 when the profile is whole
//   profilecheck history PATH    exit 0 when every record is whole
//
// The end-to-end tests run it on the files a killed program left behind.
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/Profile.h"

namespace {

// Every key the profile writer always writes; "FAN_SPEED" also finds
// "FAN_SPEED1", the key of cards with the newer fan interface.
constexpr const char* IntegerKeys[] = {"GPU",         "EASY_SETTINGS", "GPU_OFFSET", "MEM_OFFSET",
                                       "POWER_TARGET", "TEMP_TARGET",  "FPS_TARGET", "FAN_SPEED",
                                       "FAN_LEVEL",   "FAN_CURVE",     "PSTATE",     "SLI-SYNC"};

// The first key missing from the record of `age` (0: the whole file), or
// nullptr when the record is whole.
const char* missingKey(const std::string& path, int age) {
    auto text = [&](const char* key, std::string& value) {
        return age == 0 ? vt::lookupText(path, key, value) : vt::lookupTextInRecord(path, key, value, age);
    };
    auto integer = [&](const char* key) {
        std::int32_t value = 0;
        return age == 0 ? vt::lookupInteger(path, key, value) : vt::lookupIntegerInRecord(path, key, value, age);
    };
    std::string value;
    if (!text("DeviceID", value) || value.empty()) return "DeviceID";
    for (const char* key : IntegerKeys) {
        if (!integer(key)) return key;
    }
    if (!text("Ver", value) || value != vt::ProfileVersion) return "Ver";
    return nullptr;
}

int checkProfile(const std::string& path) {
    if (const char* key = missingKey(path, 0)) {
        std::printf("profile: %s is missing\n", key);
        return 1;
    }
    std::printf("profile: whole\n");
    return 0;
}

int checkHistory(const std::string& path) {
    const int records = vt::countRecords(path);
    for (int age = 1; age <= records; ++age) {
        std::string stamp;
        if (!vt::lookupTextInRecord(path, "Create", stamp, age) || stamp.size() != 19) {
            std::printf("history: record %d has no whole time stamp\n", age);
            return 1;
        }
        if (const char* key = missingKey(path, age)) {
            std::printf("history: record %d: %s is missing\n", age, key);
            return 1;
        }
    }
    std::printf("history: %d records whole\n", records);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "profile") == 0) return checkProfile(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "history") == 0) return checkHistory(argv[2]);
    std::fprintf(stderr, "usage: profilecheck profile|history PATH\n");
    return 2;
}

#include "tests/unit/TestSupport.h"

#include <atomic>
#include <chrono>

namespace vt::test {

ScratchFolder::ScratchFolder() : previous_(std::filesystem::current_path()) {
    static std::atomic<int> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("vantrelis-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

PlatformTest::PlatformTest() { setPlatform(&fake); }

PlatformTest::~PlatformTest() { setPlatform(nullptr); }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path);
    out << contents;
}

void writeBinaryFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string textFile(const std::string& withLineFeeds) {
#ifdef _WIN32
    std::string out;
    for (char c : withLineFeeds) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
#else
    return withLineFeeds;
#endif
}

}  // namespace vt::test

// What most unit tests share: a fake platform installed for the test, a
// scratch folder as the current directory (the program addresses its files
// relative to it), and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/fake/FakePlatform.h"

namespace vt::test {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// Installs a fresh FakePlatform and a scratch current directory.
class PlatformTest : public ::testing::Test {
protected:
    PlatformTest();
    ~PlatformTest() override;
    FakePlatform fake;
    ScratchFolder folder;
};

// The exact bytes of a file.
std::string readFile(const std::string& path);
// Writes in text mode, as the program writes its files (CR LF on Windows).
void writeFile(const std::string& path, const std::string& contents);
// Writes the bytes exactly as given.
void writeBinaryFile(const std::string& path, const std::string& contents);
// The bytes that text written with line feeds becomes in a text-mode file.
std::string textFile(const std::string& withLineFeeds);

}  // namespace vt::test

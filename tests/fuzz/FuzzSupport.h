// What every fuzz target shares: the recording fake platform, with sleeps
// that return at once, installed for the whole run, and a scratch folder of
// this process as the current directory (the program addresses its files
// relative to it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/fake/FakePlatform.h"

namespace vt::fuzz {

// Installed on the first call; the recorded calls are cleared on every call,
// so that a long run does not grow them without end.
FakePlatform& fuzzPlatform();

// The exact bytes of one input, as a file.
void writeInputFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Reads bytes off the front of an input; past its end every read is 0.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t half() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    std::uint32_t word() { return static_cast<std::uint32_t>(half()) | static_cast<std::uint32_t>(half()) << 16; }
    const std::uint8_t* rest() const { return data_ + at_; }
    std::size_t restSize() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace vt::fuzz

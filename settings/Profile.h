// The profile text: one key per line, "KEY = value", as written to
// "profile/profile.cfg", to the user's .cfg files and, record after record, to
// the settings history.
//
// The lookups are deliberately simple-minded and other parts rely on it: the
// first occurrence of the key's text anywhere in the file wins, a key matches
// inside a longer key (FAN_SPEED inside FAN_SPEED1), and the integer reader
// folds any non-digit in as -1. Only whole-number keys are read as integers;
// the decimal and 64-bit keys are read as text and converted by the caller.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "state/GpuInventory.h"
#include "state/TuningSettings.h"

namespace vt {

// The profile file format's version, not the product's: it stays when the
// product version moves on, so that profiles written before still load.
inline constexpr const char* ProfileVersion = "2.10";
inline constexpr std::size_t ProfileValueCapacity = 100;  // 99 characters and a NUL
inline constexpr const char* ProfileFolder = "profile";
inline constexpr const char* ProfilePath = "profile/profile.cfg";

// Emits the profile lines from the settings and the GPU at currentGpu; does not
// open or close the stream. An index outside the inventory writes the fan line
// of a GPU without the per-fan interface, with the fan on automatic.
void writeProfile(std::FILE* out, const TuningSettings& settings, const GpuInventory& gpus, int currentGpu);

// Whole-file lookups. lookupInteger leaves destination as it was when the file
// cannot be opened or the key is missing; lookupText then stores "not found".
// Both return true when a value was read.
bool lookupInteger(const std::string& path, const char* key, std::int32_t& destination);
bool lookupText(const std::string& path, const char* key, std::string& destination);

// Multi-record files (the history). Age 1 is the newest record, the record
// count the oldest; an age beyond the count reads nothing. The search starts
// at the wanted record and does not stop at its end.
int countRecords(const std::string& path);
bool lookupIntegerInRecord(const std::string& path, const char* key, std::int32_t& destination, int age);
bool lookupTextInRecord(const std::string& path, const char* key, std::string& destination, int age);

// Moves the stream past the next occurrence of word, as the record scan does:
// a character that breaks a partial match is not tried as the word's start.
bool skipPastWord(std::FILE* in, const char* word);

// True when the file carries format version 2.10 and its DeviceID value
// starts with the given GPUs' ids in enumeration order.
bool checkProfile(const std::string& path, std::span<const std::uint32_t> deviceIds);

// The conversions callers apply to looked-up texts, independent of the
// process locale: leading blanks skipped, an optional sign, then as many
// digits (and for decimals a point and an exponent) as follow; no digits
// gives 0. The same results as the C library's atoi and strtod in the "C"
// locale for every text the writer produces.
std::int32_t textToInt(const std::string& text);
double textToDecimal(const std::string& text);
// A decimal cut toward zero to a whole number and held inside the 32-bit
// range (NaN gives 0): a profile may hold any number, and converting one
// outside the range would be undefined.
std::int32_t truncateToInt32(double value);

// "%x" of a device id word: lower case, no leading zeros.
std::string deviceIdText(std::uint32_t deviceId);

}  // namespace vt

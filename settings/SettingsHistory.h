// The settings history, "history/historycfg": the last six applied settings,
// each a dated profile record, oldest first.
//
// An apply dates its record at once and writes it 1500 ms later, from a
// writer thread, so that the record holds what the driver reports once the
// new values have settled. The record is written whole, in one step: a
// program killed in between leaves no record without values, which would
// shift every later record's age. A new apply first lets a still waiting
// writer finish, so records never interleave.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vt {

inline constexpr int HistoryCapacity = 6;

// Writes the current profile lines to an open stream.
using ProfileLinesWriter = std::function<void(std::FILE*)>;

std::string historyFolder();
std::string historyPath();

// Starts a new record for an apply that has just been sent to the driver.
void recordApply(ProfileLinesWriter writeProfileLines);
// Empties an existing history file.
void clearHistory();
// At start-up without a valid profile: the folder exists and the file is empty.
void resetHistory();
// Lets a waiting writer thread write now and waits for it (shutdown, tests).
void finishHistoryWriter();
// The writer thread's work, done at once on the caller's thread: the record
// dated `createLine` ("Create = ...\n") added whole, the oldest dropped when
// six are kept. Fuzzing calls it millions of times, without a thread each.
void writeHistoryRecord(const std::string& createLine, const ProfileLinesWriter& writeProfileLines);

}  // namespace vt

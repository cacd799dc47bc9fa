// The command line: one request for the running copy (or for this one once
// it has started), the record that carries it across processes, and the
// answer that comes back.
//
// A request is one of: a preset, a profile file to load, a history record to
// load, a reset, or quitting. Parsing is pure; the hand-off itself lives in
// CommandHandOff.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

enum class RequestKind : std::uint8_t { None = 0, Preset = 1, Load = 2, History = 3, Reset = 4, Quit = 5 };

struct CommandRequest {
    RequestKind kind = RequestKind::None;
    int preset = 0;         // Preset: 0 highperformance, 1 default, 2 eco
    int historyAge = 0;     // History: 1 (newest) to 6
    std::string file;       // Load: the profile file, as the requester named it
    bool operator==(const CommandRequest&) const = default;
};

// The process's exit codes, and what the running copy answers.
enum class RequestOutcome : int {
    Done = 0,      // carried out; the driver took every part
    Refused = 1,   // carried out, but the driver refused part of it (the log says which)
    NotDone = 2,   // bad arguments, no answer in time, or the copy could not take it
    // Never an exit code: the running copy is starting or has a dialog open;
    // the new copy asks again until its wait is over.
    Later = 3,
};

struct ParsedCommandLine {
    // No arguments at all: the program starts as it always did.
    bool empty = true;
    std::optional<CommandRequest> request;  // set when the arguments were good
    std::string error;                      // why not, for the user (UTF-8)
};

// The arguments after the program's name.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The usage text shown with every error.
extern const char* const CommandLineUsage;

// A relative profile path made absolute against the requester's folder, so
// the running copy, started elsewhere, finds the same file.
std::string absoluteProfilePath(const std::string& path, const std::string& currentFolder);

// WM_COPYDATA's dwData for a request: a copy that knows no requests ignores it.
inline constexpr std::uintptr_t CommandRequestTag = 0x56545251;  // "VTRQ"
// The request as WM_COPYDATA bytes, and back; nullopt for bytes that are not
// a request of this format.
std::string serialiseRequest(const CommandRequest& request);
std::optional<CommandRequest> parseSerialisedRequest(std::string_view bytes);

// The answer travels as the message's result. A copy that does not know the
// message answers 0 through its default procedure, which must not read as
// "done": the outcome is carried in a tagged word.
std::intptr_t encodeAnswer(RequestOutcome outcome);
// A result that is not a tagged answer counts as no answer (NotDone).
RequestOutcome decodeAnswer(std::intptr_t result);

}  // namespace vt

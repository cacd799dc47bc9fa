#include "app/shell/CommandLine.h"

#include <array>
#include <cctype>

namespace vt {

const char* const CommandLineUsage =
    "Vantrelis.exe /preset highperformance|default|eco | /load FILE.cfg | /history N (1-6) | /reset | /quit";

namespace {

constexpr std::array<const char*, 3> PresetNames{"highperformance", "default", "eco"};

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool endsWithCfg(const std::string& path) { return path.size() > 4 && lowered(path.substr(path.size() - 4)) == ".cfg"; }

ParsedCommandLine failure(std::string error) {
    ParsedCommandLine parsed;
    parsed.empty = false;
    parsed.error = std::move(error);
    return parsed;
}

ParsedCommandLine success(CommandRequest request) {
    ParsedCommandLine parsed;
    parsed.empty = false;
    parsed.request = std::move(request);
    return parsed;
}

// How many values each switch takes.
int valuesOf(const std::string& name) {
    if (name == "/preset" || name == "/load" || name == "/history") return 1;
    if (name == "/reset" || name == "/quit") return 0;
    return -1;
}

ParsedCommandLine parseOne(const std::string& name, const std::string& value) {
    CommandRequest request;
    if (name == "/preset") {
        const std::string wanted = lowered(value);
        for (std::size_t i = 0; i < PresetNames.size(); ++i) {
            if (wanted == PresetNames[i]) {
                request.kind = RequestKind::Preset;
                request.preset = static_cast<int>(i);
                return success(request);
            }
        }
        return failure("unknown preset \"" + value + "\" (highperformance, default or eco)");
    }
    if (name == "/load") {
        if (!endsWithCfg(value)) return failure("/load needs a .cfg file, not \"" + value + "\"");
        request.kind = RequestKind::Load;
        request.file = value;
        return success(request);
    }
    if (name == "/history") {
        if (value.size() != 1 || value[0] < '1' || value[0] > '6') {
            return failure("/history needs a record number from 1 to 6, not \"" + value + "\"");
        }
        request.kind = RequestKind::History;
        request.historyAge = value[0] - '0';
        return success(request);
    }
    request.kind = name == "/reset" ? RequestKind::Reset : RequestKind::Quit;
    return success(request);
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return {};
    const std::string name = lowered(arguments[0]);
    const int values = valuesOf(name);
    if (values < 0) return failure("unknown argument \"" + arguments[0] + "\"");
    if (static_cast<int>(arguments.size()) < 1 + values) return failure(arguments[0] + " needs a value");
    // One request a run: two would leave the order and the answer unclear.
    if (static_cast<int>(arguments.size()) > 1 + values) {
        return failure("one request at a time; \"" + arguments[1 + values] + "\" is one too many");
    }
    return parseOne(name, values == 1 ? arguments[1] : std::string());
}

std::string absoluteProfilePath(const std::string& path, const std::string& currentFolder) {
    const bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    const bool rooted = !path.empty() && (path[0] == '\\' || path[0] == '/');
    if (drive || rooted || currentFolder.empty()) return path;
    const char last = currentFolder.back();
    return currentFolder + (last == '\\' || last == '/' ? "" : "\\") + path;
}

namespace {

constexpr std::string_view RecordHeader = "VTRQ1\n";
// Far more than any path the shell can pass; a longer record is not ours.
constexpr std::size_t MaxRecordBytes = 4096;

}  // namespace

// "VTRQ1\n" kind "\n" number "\n" file: plain text, so a record can be read
// in a debugger, and no layout of structures to keep in step across the
// 32- and 64-bit builds.
std::string serialiseRequest(const CommandRequest& request) {
    std::string record(RecordHeader);
    record += std::to_string(static_cast<int>(request.kind));
    record += '\n';
    const int number = request.kind == RequestKind::Preset ? request.preset
                       : request.kind == RequestKind::History ? request.historyAge
                                                               : 0;
    record += std::to_string(number);
    record += '\n';
    record += request.file;
    return record;
}

std::optional<CommandRequest> parseSerialisedRequest(std::string_view bytes) {
    if (bytes.size() > MaxRecordBytes || bytes.substr(0, RecordHeader.size()) != RecordHeader) return std::nullopt;
    bytes.remove_prefix(RecordHeader.size());
    // Two one-digit fields, each followed by a line feed.
    if (bytes.size() < 4 || bytes[1] != '\n' || bytes[3] != '\n') return std::nullopt;
    if (!std::isdigit(static_cast<unsigned char>(bytes[0])) || !std::isdigit(static_cast<unsigned char>(bytes[2]))) {
        return std::nullopt;
    }
    const int kind = bytes[0] - '0';
    const int number = bytes[2] - '0';
    const std::string_view file = bytes.substr(4);
    if (file.find('\0') != std::string_view::npos) return std::nullopt;
    CommandRequest request;
    switch (kind) {
        case static_cast<int>(RequestKind::Preset):
            if (number > 2 || !file.empty()) return std::nullopt;
            request.preset = number;
            break;
        case static_cast<int>(RequestKind::Load):
            if (number != 0 || !endsWithCfg(std::string(file))) return std::nullopt;
            request.file = std::string(file);
            break;
        case static_cast<int>(RequestKind::History):
            if (number < 1 || number > 6 || !file.empty()) return std::nullopt;
            request.historyAge = number;
            break;
        case static_cast<int>(RequestKind::Reset):
        case static_cast<int>(RequestKind::Quit):
            if (number != 0 || !file.empty()) return std::nullopt;
            break;
        default:
            return std::nullopt;
    }
    request.kind = static_cast<RequestKind>(kind);
    return request;
}

namespace {
constexpr std::intptr_t AnswerTag = 0x56540000;  // "VT" in the high half
}

std::intptr_t encodeAnswer(RequestOutcome outcome) { return AnswerTag | static_cast<std::intptr_t>(outcome); }

RequestOutcome decodeAnswer(std::intptr_t result) {
    switch (result ^ AnswerTag) {
        case 0:
            return RequestOutcome::Done;
        case 1:
            return RequestOutcome::Refused;
        case 3:
            return RequestOutcome::Later;
        default:
            return RequestOutcome::NotDone;
    }
}

}  // namespace vt

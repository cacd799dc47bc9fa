#include "app/shell/CommandLine.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

CommandRequest preset(int p) { return {RequestKind::Preset, p, 0, ""}; }
CommandRequest history(int n) { return {RequestKind::History, 0, n, ""}; }
CommandRequest load(const char* file) { return {RequestKind::Load, 0, 0, file}; }
CommandRequest plain(RequestKind kind) { return {kind, 0, 0, ""}; }

TEST(CommandLine, NoArgumentsStartsAsBefore) {
    const ParsedCommandLine parsed = parseCommandLine({});
    EXPECT_TRUE(parsed.empty);
    EXPECT_FALSE(parsed.request);
    EXPECT_TRUE(parsed.error.empty());
}

TEST(CommandLine, EveryGoodFormGivesItsRequest) {
    struct Case {
        std::vector<std::string> arguments;
        CommandRequest expected;
    } const cases[] = {
        {{"/preset", "highperformance"}, preset(0)},
        {{"/preset", "default"}, preset(1)},
        {{"/preset", "eco"}, preset(2)},
        {{"/PRESET", "Eco"}, preset(2)},
        {{"/load", "C:\\tuning\\quiet.cfg"}, load("C:\\tuning\\quiet.cfg")},
        {{"/load", "quiet.CFG"}, load("quiet.CFG")},
        {{"/load", "my profiles\\night.cfg"}, load("my profiles\\night.cfg")},
        {{"/history", "1"}, history(1)},
        {{"/history", "6"}, history(6)},
        {{"/reset"}, plain(RequestKind::Reset)},
        {{"/Quit"}, plain(RequestKind::Quit)},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine parsed = parseCommandLine(c.arguments);
        EXPECT_FALSE(parsed.empty);
        ASSERT_TRUE(parsed.request) << c.arguments[0] << ": " << parsed.error;
        EXPECT_EQ(*parsed.request, c.expected) << c.arguments[0];
        EXPECT_TRUE(parsed.error.empty());
    }
}

TEST(CommandLine, BadFormsAreRejectedWithTheirReason) {
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
    } const cases[] = {
        {{"/bogus"}, "unknown argument \"/bogus\""},
        {{"preset", "eco"}, "unknown argument \"preset\""},
        {{""}, "unknown argument \"\""},
        {{"/preset"}, "/preset needs a value"},
        {{"/preset", "turbo"}, "unknown preset \"turbo\" (highperformance, default or eco)"},
        {{"/preset", "eco", "/reset"}, "one request at a time; \"/reset\" is one too many"},
        {{"/load"}, "/load needs a value"},
        {{"/load", "quiet.txt"}, "/load needs a .cfg file, not \"quiet.txt\""},
        {{"/load", ".cfg"}, "/load needs a .cfg file, not \".cfg\""},
        {{"/history", "0"}, "/history needs a record number from 1 to 6, not \"0\""},
        {{"/history", "7"}, "/history needs a record number from 1 to 6, not \"7\""},
        {{"/history", "12"}, "/history needs a record number from 1 to 6, not \"12\""},
        {{"/history", "-1"}, "/history needs a record number from 1 to 6, not \"-1\""},
        {{"/history", "x"}, "/history needs a record number from 1 to 6, not \"x\""},
        {{"/reset", "now"}, "one request at a time; \"now\" is one too many"},
        {{"/quit", "/quit"}, "one request at a time; \"/quit\" is one too many"},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine parsed = parseCommandLine(c.arguments);
        EXPECT_FALSE(parsed.empty);
        EXPECT_FALSE(parsed.request) << c.error;
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(CommandLine, RelativeProfilePathsFollowTheRequestersFolder) {
    struct Case {
        const char* path;
        const char* folder;
        const char* expected;
    } const cases[] = {
        {"quiet.cfg", "C:\\games", "C:\\games\\quiet.cfg"},
        {"sub\\quiet.cfg", "C:\\games\\", "C:\\games\\sub\\quiet.cfg"},
        {"D:\\quiet.cfg", "C:\\games", "D:\\quiet.cfg"},
        {"\\\\server\\share\\quiet.cfg", "C:\\games", "\\\\server\\share\\quiet.cfg"},
        {"/tmp/quiet.cfg", "C:\\games", "/tmp/quiet.cfg"},
        {"quiet.cfg", "", "quiet.cfg"},
    };
    for (const Case& c : cases) EXPECT_EQ(absoluteProfilePath(c.path, c.folder), c.expected) << c.path;
}

TEST(CommandLine, RequestRecordsSurviveTheTrip) {
    const CommandRequest requests[] = {preset(0), preset(2), load("C:\\a b\\c.cfg"), history(1), history(6),
                                       plain(RequestKind::Reset), plain(RequestKind::Quit)};
    for (const CommandRequest& request : requests) {
        const std::optional<CommandRequest> back = parseSerialisedRequest(serialiseRequest(request));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, request);
    }
    EXPECT_EQ(serialiseRequest(preset(2)), "VTRQ1\n1\n2\n");
    EXPECT_EQ(serialiseRequest(load("x.cfg")), "VTRQ1\n2\n0\nx.cfg");
    EXPECT_EQ(serialiseRequest(history(4)), "VTRQ1\n3\n4\n");
}

// Bytes from another process are checked field by field before anything runs.
TEST(CommandLine, RecordsThatAreNotRequestsAreRefused) {
    const std::string bad[] = {
        "",
        "VTRQ1\n",
        "VTRQ2\n1\n2\n",
        "VTRQ1\n1\n3\n",             // no fourth preset
        "VTRQ1\n1\n2\nextra",        // a preset carries no file
        "VTRQ1\n2\n0\nx.txt",        // not a profile
        "VTRQ1\n2\n0\n",             // no file at all
        std::string("VTRQ1\n2\n0\na\0b.cfg", 17),
        "VTRQ1\n3\n0\n",             // history 0
        "VTRQ1\n3\n7\n",             // history 7
        "VTRQ1\n4\n1\n",             // reset takes no number
        "VTRQ1\n0\n0\n",             // no kind
        "VTRQ1\n6\n0\n",             // unknown kind
        "VTRQ1\n12\n0\n",
        "VTRQ1\nx\n0\n",
        "VTRQ1\n2\n0\n" + std::string(5000, 'a') + ".cfg",
    };
    for (const std::string& bytes : bad) EXPECT_FALSE(parseSerialisedRequest(bytes)) << bytes;
}

TEST(CommandLine, AnswersAreTaggedSoASilentCopyIsNoAnswer) {
    for (RequestOutcome outcome :
         {RequestOutcome::Done, RequestOutcome::Refused, RequestOutcome::NotDone, RequestOutcome::Later}) {
        EXPECT_EQ(decodeAnswer(encodeAnswer(outcome)), outcome);
    }
    EXPECT_EQ(encodeAnswer(RequestOutcome::Done), 0x56540000);
    EXPECT_EQ(encodeAnswer(RequestOutcome::Refused), 0x56540001);
    // A window procedure that knows no requests answers 0, or something else.
    for (std::intptr_t foreign : {std::intptr_t{0}, std::intptr_t{1}, std::intptr_t{2}, std::intptr_t{0x56540004}}) {
        EXPECT_EQ(decodeAnswer(foreign), RequestOutcome::NotDone) << foreign;
    }
}

}  // namespace
}  // namespace vt

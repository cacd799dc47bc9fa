// The collector's report layout, its wording of values and its command line.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/sysdigest/CommandLine.h"
#include "tests/unit/SysdigestTestSupport.h"
#include "tools/sysdigest/ReportText.h"
#include "tools/sysdigest/ReportValues.h"

namespace vt::sysdigest {
namespace {

TEST(SysdigestReportText, EveryValueOfTheReportStartsInOneColumn) {
    const std::vector<ReportSection> sections = {
        {"Windows", {{"Version", "Windows 10 (10.0.19045)"}, {"Build", "19045"}}},
        {"GPU 1", {{"Supported for tuning", "yes"}, {"Name", "NVIDIA GeForce RTX 3080"}}},
    };
    EXPECT_EQ(formatReport("Title", sections),
              "Title\r\n"
              "\r\n"
              "== Windows ==\r\n"
              "Version:              Windows 10 (10.0.19045)\r\n"
              "Build:                19045\r\n"
              "\r\n"
              "== GPU 1 ==\r\n"
              "Supported for tuning: yes\r\n"
              "Name:                 NVIDIA GeForce RTX 3080\r\n");
}

TEST(SysdigestReportText, EachLineStaysOneLineWithoutTrailingBlanks) {
    struct Case {
        const char* what;
        std::vector<ReportSection> sections;
        std::string expected;
    };
    const Case cases[] = {
        {"no sections: the title alone", {}, "T\r\n"},
        {"a section without entries", {{"Empty", {}}}, "T\r\n\r\n== Empty ==\r\n"},
        {"an empty value leaves no blanks", {{"S", {{"Key", ""}, {"K", "v"}}}}, "T\r\n\r\n== S ==\r\nKey:\r\nK:   v\r\n"},
        {"line breaks and tabs in a value become blanks",
         {{"S", {{"K", "a\r\nb\tc"}}}},
         "T\r\n\r\n== S ==\r\nK: a  b c\r\n"},
        {"a value's own trailing blanks go", {{"S", {{"K", "value   "}}}}, "T\r\n\r\n== S ==\r\nK: value\r\n"},
        {"a line break in a heading", {{"A\nB", {}}}, "T\r\n\r\n== A B ==\r\n"},
        {"multibyte characters in a key count once",
         {{"S", {{"Gr\xC3\xB6\xC3\x9F" "e", "1"}, {"Size", "2"}}}},
         "T\r\n\r\n== S ==\r\nGr\xC3\xB6\xC3\x9F" "e: 1\r\nSize:  2\r\n"},
        {"multibyte values pass unchanged", {{"S", {{"K", "62 \xC2\xB0" "C"}}}}, "T\r\n\r\n== S ==\r\nK: 62 \xC2\xB0" "C\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatReport("T", c.sections), c.expected) << c.what;
}

TEST(SysdigestReportValues, UnitsAndIdsAreWrittenAlike) {
    struct Case {
        std::string actual, expected;
    };
    const Case cases[] = {
        {megahertz(0), "0 MHz"},
        {megahertz(1710000), "1710 MHz"},
        {megahertz(1709499), "1709 MHz"},
        {megahertz(1709500), "1710 MHz"},
        {megahertz(0xFFFFFFFFu), "4294967 MHz"},
        {hexNumber(0x220610DE, 8), "0x220610DE"},
        {hexNumber(0xA1, 2), "0xA1"},
        {hexNumber(0x5, 4), "0x0005"},
        {hexNumber(0x12345, 4), "0x12345"},
        {celsius(62), "62 \xC2\xB0" "C"},
        {celsius(-5), "-5 \xC2\xB0" "C"},
        {percentFromThousandths(100000), "100 %"},
        {percentFromThousandths(112500), "112.5 %"},
        {percentFromThousandths(99999), "100 %"},
        {percentFromThousandths(30049), "30 %"},
        {percentFromThousandths(30050), "30.1 %"},
        {percentFromThousandths(0), "0 %"},
        {megabytes(0), "0 MB (0.0 GB)"},
        {megabytes(16ull << 30), "16384 MB (16.0 GB)"},
        {megabytes((3ull << 29) - 1), "1535 MB (1.5 GB)"},
        {megabytes((1ull << 30) + (1ull << 29) / 10), "1075 MB (1.0 GB)"},
        {megabytes(1ull << 40), "1048576 MB (1024.0 GB)"},
        {timestamp({2024, 5, 1, 2, 4, 6}), "2024/05/01 02:04:06"},
        {timestamp({2023, 12, 31, 23, 59, 59}), "2023/12/31 23:59:59"},
        {utcOffset(540), "UTC+09:00"},
        {utcOffset(-210), "UTC-03:30"},
        {utcOffset(345), "UTC+05:45"},
        {utcOffset(0), "UTC+00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(SysdigestReportValues, DriverStatusesSayWhatTheLayerKnows) {
    struct Case {
        DriverStatus status;
        std::string text;
    };
    const Case cases[] = {
        {DriverNotReady, "status -1: the driver was not ready"},
        {DriverLibraryMissing, "status -2: the driver library cannot be loaded"},
        {DriverNoSuchOperation, "status -3: the driver lacks this operation"},
        {DriverIncompatibleVersion, "status -9: the driver does not accept the structure version"},
        {-1000, "status -1000: the driver lists no GPU"},
        {-104, "status -104"},
        {-5, "status -5"},
    };
    for (const Case& c : cases) EXPECT_EQ(statusText(c.status), c.text);
    EXPECT_EQ(unavailable(-5), "unavailable (status -5)");
    EXPECT_EQ(unavailable(DriverLibraryMissing), "unavailable (status -2: the driver library cannot be loaded)");
}

TEST(SysdigestCommandLine, OnlyDashOAndOneWholePathAreAccepted) {
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        std::optional<std::wstring> path;
    };
    const Case cases[] = {
        {"a quoted path with blanks", {L"-o", L"C:\\My Reports\\system log.txt"}, L"C:\\My Reports\\system log.txt"},
        {"a relative path", {L"-o", L"report.txt"}, L"report.txt"},
        {"nothing", {}, std::nullopt},
        {"-o without a path", {L"-o"}, std::nullopt},
        {"an empty path", {L"-o", L""}, std::nullopt},
        {"a path alone", {L"report.txt"}, std::nullopt},
        {"another switch", {L"/o", L"report.txt"}, std::nullopt},
        {"upper case", {L"-O", L"report.txt"}, std::nullopt},
        {"a path that arrived split at its blank", {L"-o", L"C:\\My", L"Reports\\log.txt"}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(reportPathArgument(c.arguments), c.path) << c.what;
}

}  // namespace
}  // namespace vt::sysdigest

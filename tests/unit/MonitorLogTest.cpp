#include "settings/MonitorLog.h"

#include <filesystem>

#include "platform/Utf8.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

LocalTime at(int year, int month, int day, int hour = 12, int minute = 0, int second = 0, int ms = 0) {
    return {year, month, day, hour, minute, second, ms};
}

MonitorLogRow reading(const LocalTime& time) {
    MonitorLogRow row;
    row.time = time;
    row.gpu = "GeForce RTX 4070";
    row.gpuClockMhz = 2475;
    row.memClockMhz = 10501;
    row.temperature = 61;
    row.load = 97;
    row.fan1Percent = 45;
    row.fan1Rpm = 1510;
    row.fan2Percent = 47;
    row.fan2Rpm = 1560;
    row.powerTargetPercent = 112.5;
    row.temperatureTarget = 83;
    row.gpuOffsetMhz = 150;
    row.memOffsetMhz = -200;
    return row;
}

MonitorLogRow event(const LocalTime& time, const char* what) {
    MonitorLogRow row;
    row.time = time;
    row.gpu = "GeForce RTX 4070";
    row.event = what;
    return row;
}

const std::string Header = std::string(Utf8Mark) + MonitorCsvHeader + "\n";

class MonitorLogTest : public test::PlatformTest {
protected:
    MonitorLogTest() { std::filesystem::create_directory("log"); }
    MonitorLog log{"log"};
};

TEST(MonitorCsv, HeaderNamesEveryColumnInOrder) {
    EXPECT_STREQ(MonitorCsvHeader,
                 "time,GPU,GPU clock (MHz),memory clock (MHz),temperature (\xC2\xB0""C),load (%),fan 1 (%),"
                 "fan 1 (rpm),fan 2 (%),fan 2 (rpm),power target (%),temperature target (\xC2\xB0""C),"
                 "GPU offset (MHz),memory offset (MHz),event");
}

TEST(MonitorCsv, RowsOfEachKind) {
    struct Case {
        MonitorLogRow row;
        const char* line;
    } cases[] = {
        {reading(at(2026, 12, 9, 7, 5, 3, 42)),
         "2026-12-09 07:05:03.042,GeForce RTX 4070,2475,10501,61,97,45,1510,47,1560,112.5,83,150,-200,"},
        {event(at(2026, 12, 9, 23, 59, 59, 999), "preset eco"),
         "2026-12-09 23:59:59.999,GeForce RTX 4070,,,,,,,,,,,,,preset eco"},
        {event(at(2026, 1, 2), "load night, quiet.cfg"),
         "2026-01-02 12:00:00.000,GeForce RTX 4070,,,,,,,,,,,,,\"load night, quiet.cfg\""},
    };
    for (const Case& c : cases) EXPECT_EQ(monitorCsvRow(c.row), c.line);

    // A one-fan card leaves fan 2 empty; a name with quotes is quoted.
    MonitorLogRow single = reading(at(2026, 12, 9));
    single.fan2Percent.reset();
    single.fan2Rpm.reset();
    single.gpu = "Card \"A\"";
    single.powerTargetPercent = 100.0;
    EXPECT_EQ(monitorCsvRow(single),
              "2026-12-09 12:00:00.000,\"Card \"\"A\"\"\",2475,10501,61,97,45,1510,,,100.0,83,150,-200,");
}

TEST(MonitorCsv, FileNamesAndDays) {
    EXPECT_EQ(monitorLogName(at(2026, 12, 9)), "monitor-20261209.csv");
    EXPECT_EQ(monitorLogName(at(2027, 1, 1)), "monitor-20270101.csv");
    EXPECT_EQ(daysSinceEpoch(1970, 1, 1), 0);
    EXPECT_EQ(daysSinceEpoch(2000, 3, 1) - daysSinceEpoch(2000, 2, 28), 2);  // a leap year
    EXPECT_EQ(daysSinceEpoch(2100, 3, 1) - daysSinceEpoch(2100, 2, 28), 1);  // not one
    EXPECT_EQ(daysSinceEpoch(2027, 1, 1) - daysSinceEpoch(2026, 12, 1), 31);
}

TEST(MonitorCsv, NamesBecomeUtf8) {
    EXPECT_EQ(utf8FromUtf16(u"GeForce"), "GeForce");
    EXPECT_EQ(utf8FromUtf16(u"\u00B0C \u30B0\u30E9\u30D5"), "\xC2\xB0" "C \xE3\x82\xB0\xE3\x83\xA9\xE3\x83\x95");
    EXPECT_EQ(utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8FromUtf16(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST_F(MonitorLogTest, RowsStayInMemoryUntilTheFlush) {
    log.add(reading(at(2026, 12, 9, 10, 0, 0)));
    log.add(event(at(2026, 12, 9, 10, 0, 0, 500), "preset eco"));
    log.add(reading(at(2026, 12, 9, 10, 0, 1)));
    EXPECT_EQ(log.pending(), 3u);
    EXPECT_FALSE(std::filesystem::exists("log/monitor-20261209.csv"));
    log.flush(at(2026, 12, 9));
    EXPECT_EQ(log.pending(), 0u);
    EXPECT_EQ(test::readFile("log/monitor-20261209.csv"),
              test::textFile(Header + monitorCsvRow(reading(at(2026, 12, 9, 10, 0, 0))) + "\n" +
                             monitorCsvRow(event(at(2026, 12, 9, 10, 0, 0, 500), "preset eco")) + "\n" +
                             monitorCsvRow(reading(at(2026, 12, 9, 10, 0, 1))) + "\n"));
    // The next flush adds to the file: the header stays the first line only.
    log.add(reading(at(2026, 12, 9, 10, 0, 2)));
    log.flush(at(2026, 12, 9));
    const std::string text = test::readFile("log/monitor-20261209.csv");
    EXPECT_EQ(text.find(MonitorCsvHeader), 3u);
    EXPECT_EQ(text.find(MonitorCsvHeader, 4), std::string::npos);
}

TEST_F(MonitorLogTest, EachDayHasItsOwnFile) {
    log.add(reading(at(2026, 12, 9, 23, 59, 59, 500)));
    log.add(reading(at(2026, 12, 10, 0, 0, 0, 500)));
    log.flush(at(2026, 12, 10));
    EXPECT_EQ(test::readFile("log/monitor-20261209.csv"),
              test::textFile(Header + monitorCsvRow(reading(at(2026, 12, 9, 23, 59, 59, 500))) + "\n"));
    EXPECT_EQ(test::readFile("log/monitor-20261210.csv"),
              test::textFile(Header + monitorCsvRow(reading(at(2026, 12, 10, 0, 0, 0, 500))) + "\n"));
}

TEST_F(MonitorLogTest, FilesOlderThanThirtyDaysGo) {
    const char* files[] = {"monitor-20261108.csv", "monitor-20261109.csv", "monitor-20261110.csv",
                           "monitor-20251209.csv", "log.txt", "monitor-notadate.csv"};
    for (const char* name : files) test::writeFile(std::string("log/") + name, "x\n");
    log.add(reading(at(2026, 12, 9)));
    log.flush(at(2026, 12, 9));
    EXPECT_FALSE(std::filesystem::exists("log/monitor-20261108.csv"));  // 31 days
    EXPECT_FALSE(std::filesystem::exists("log/monitor-20251209.csv"));
    EXPECT_TRUE(std::filesystem::exists("log/monitor-20261109.csv"));   // 30 days
    EXPECT_TRUE(std::filesystem::exists("log/monitor-20261110.csv"));
    EXPECT_TRUE(std::filesystem::exists("log/log.txt"));                // not the monitoring log's
    EXPECT_TRUE(std::filesystem::exists("log/monitor-notadate.csv"));
}

TEST_F(MonitorLogTest, AllFilesStayUnderTheLimitOldestGoingFirst) {
    const std::uint64_t third = MonitorLogMaxBytes / 3;
    for (const char* name : {"monitor-20261205.csv", "monitor-20261206.csv", "monitor-20261207.csv"}) {
        const std::string path = std::string("log/") + name;
        test::writeBinaryFile(path, "");
        std::filesystem::resize_file(path, third);
    }
    log.add(reading(at(2026, 12, 9)));
    log.flush(at(2026, 12, 9));
    EXPECT_FALSE(std::filesystem::exists("log/monitor-20261205.csv"));
    EXPECT_TRUE(std::filesystem::exists("log/monitor-20261206.csv"));
    EXPECT_TRUE(std::filesystem::exists("log/monitor-20261207.csv"));
    EXPECT_TRUE(std::filesystem::exists("log/monitor-20261209.csv"));
    std::uint64_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("log")) total += entry.file_size();
    EXPECT_LE(total, MonitorLogMaxBytes);
    EXPECT_EQ(log.dropped(), 0u);
}

// Today's file alone at the limit: nothing else to remove, the rows are dropped.
TEST_F(MonitorLogTest, RowsThatCannotFitAreDropped) {
    test::writeBinaryFile("log/monitor-20261209.csv", "");
    std::filesystem::resize_file("log/monitor-20261209.csv", MonitorLogMaxBytes - 10);
    log.add(reading(at(2026, 12, 9)));
    log.add(reading(at(2026, 12, 9, 12, 0, 1)));
    log.flush(at(2026, 12, 9));
    EXPECT_EQ(std::filesystem::file_size("log/monitor-20261209.csv"), MonitorLogMaxBytes - 10);
    EXPECT_EQ(log.dropped(), 2u);
}

TEST_F(MonitorLogTest, MemoryHoldsABoundedNumberOfRows) {
    for (std::size_t i = 0; i < MonitorLogMaxPending + 5; ++i) log.add(reading(at(2026, 12, 9)));
    EXPECT_EQ(log.pending(), MonitorLogMaxPending);
    EXPECT_EQ(log.dropped(), 5u);
}

TEST_F(MonitorLogTest, WriterFlushesAtItsEnd) {
    MonitorLogWriter writer;
    writer.start(log);
    EXPECT_TRUE(writer.running());
    log.add(reading(fake.localTime()));
    writer.stop();
    EXPECT_FALSE(writer.running());
    EXPECT_EQ(log.pending(), 0u);
    EXPECT_TRUE(std::filesystem::exists("log/" + monitorLogName(fake.localTime())));
}

}  // namespace
}  // namespace vt

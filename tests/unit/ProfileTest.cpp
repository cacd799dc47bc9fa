#include "settings/Profile.h"

#include <limits>

#include <cstdio>
#include <vector>

#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

using test::readFile;
using test::textFile;
using test::writeFile;

class ProfileTest : public test::PlatformTest {
protected:
    ProfileTest() {
        resetTuningSettings(settings);
        resetGpuInventory(gpus);
    }

    std::string writeToFile(int currentGpu = 0) {
        std::FILE* out = std::fopen("written.cfg", "w");
        writeProfile(out, settings, gpus, currentGpu);
        std::fclose(out);
        return readFile("written.cfg");
    }

    void addGpu(std::uint32_t deviceId) { gpus.slots[gpus.count++].deviceId = deviceId; }

    TuningSettings settings;
    GpuInventory gpus;
};

TEST_F(ProfileTest, WritesTheTypicalOneGpuFileByteForByte) {
    addGpu(0x1b8010de);
    settings.gpuOffset = 100000.0f;
    settings.powerTarget = 100000.0f;
    settings.tempTarget = 83.0f;
    settings.fpsTarget = -100;
    settings.sliSync = 0;
    EXPECT_EQ(writeToFile(), textFile("DeviceID = 1b8010de\n"
                                      "GPU = 0\n"
                                      "EASY_SETTINGS = 3\n"
                                      "GPU_OFFSET = 100000.000\n"
                                      "MEM_OFFSET = 0.000\n"
                                      "POWER_TARGET = 100000.000\n"
                                      "TEMP_TARGET = 83.000\n"
                                      "FPS_TARGET = -100\n"
                                      "FAN_SPEED = -100\n"
                                      "FAN_LEVEL = 0\n"
                                      "FAN_CURVE = 0\n"
                                      "PSTATE = -1\n"
                                      "SLI-SYNC = 0\n"
                                      "Ver = 2.10\n"));
}

TEST_F(ProfileTest, WritesBackgroundOnlyWhenThereIsOne) {
    addGpu(0x1b8010de);
    EXPECT_EQ(writeToFile().find("BACKSCREEN"), std::string::npos);
    settings.backScreen.set("C:\\pictures\\night sky.png");
    EXPECT_NE(writeToFile().find(textFile("GPU = 0\nBACKSCREEN = C:\\pictures\\night sky.png\nEASY_SETTINGS = 3\n")),
              std::string::npos);
}

TEST_F(ProfileTest, WritesEveryGpuIdWithoutSeparatorOrLeadingZeros) {
    addGpu(0x1b8010de);
    addGpu(0x0fc610de);
    EXPECT_TRUE(writeToFile().starts_with(textFile("DeviceID = 1b8010defc610de\n")));
}

TEST_F(ProfileTest, WritesTheFanLinesOfTheCurrentGpusInterface) {
    struct Case {
        const char* name;
        int newInterface, fanCount, manual1, manual2;
        const char* expected;
    } cases[] = {
        {"single cooler, automatic", 0, 0, 0, 0, "FAN_SPEED = -100\nFAN_LEVEL"},
        {"per-fan, one fan, manual", 1, 1, 1, 0, "FAN_SPEED1 = 55\nFAN_LEVEL"},
        {"per-fan, two fans, second automatic", 1, 2, 1, 0, "FAN_SPEED1 = 55\nFAN_SPEED2 = -100\nFAN_LEVEL"},
        {"per-fan, two fans, both manual", 1, 2, 1, 1, "FAN_SPEED1 = 55\nFAN_SPEED2 = 66\nFAN_LEVEL"},
        {"per-fan, three fans, automatic", 1, 3, 0, 0, "FAN_SPEED1 = -100\nFAN_SPEED2 = -100\nFAN_LEVEL"},
    };
    addGpu(0x1b8010de);
    addGpu(0x220410de);
    for (const Case& c : cases) {
        GpuSlot& gpu = gpus.slots[1];
        gpu.caps.NewFanInterface = c.newInterface;
        gpu.fanCount = c.fanCount;
        gpu.fanSpeed1 = 55;
        gpu.fanSpeed2 = 66;
        gpu.fanSpeed1Manual = c.manual1;
        gpu.fanSpeed2Manual = c.manual2;
        std::string text = writeToFile(1);
        EXPECT_NE(text.find(textFile(std::string("FPS_TARGET = 0\n") + c.expected)), std::string::npos) << c.name;
    }
    gpus.slots[0].fanSpeed = 40;
    gpus.slots[0].fanPolicyManual = 1;
    EXPECT_NE(writeToFile(0).find(textFile("FAN_SPEED = 40\n")), std::string::npos);
}

TEST_F(ProfileTest, FrameRateSentinelSurvivesWritingAndReading) {
    addGpu(0x1b8010de);
    settings.fpsTarget = -100;
    writeToFile();
    std::string text;
    ASSERT_TRUE(lookupText("written.cfg", "FPS_TARGET", text));
    EXPECT_EQ(text, "-100");
    EXPECT_EQ(textToInt(text), -100);
}

TEST_F(ProfileTest, DecimalValuesReadBackThroughTheTextLookup) {
    addGpu(0x1b8010de);
    settings.gpuOffset = -123000.0f;
    settings.memOffset = 51000.0f;
    writeToFile();
    std::string text;
    ASSERT_TRUE(lookupText("written.cfg", "GPU_OFFSET", text));
    EXPECT_EQ(static_cast<float>(textToDecimal(text)), -123000.0f);
    ASSERT_TRUE(lookupText("written.cfg", "MEM_OFFSET", text));
    EXPECT_EQ(static_cast<float>(textToDecimal(text)), 51000.0f);
    // The integer reader folds the point in as the digit -1.
    std::int32_t folded = 0;
    ASSERT_TRUE(lookupInteger("written.cfg", "MEM_OFFSET", folded));
    EXPECT_NE(folded, 51000);
}

TEST_F(ProfileTest, IntegerReaderFoldsEveryCharacter) {
    struct Case {
        const char* value;
        std::int32_t expected;
    } cases[] = {
        {"55\n", 55},       {"-100\n", -100}, {"0\n", 0},    {"-\n", -1},
        {"x\n", -1},        {"-5\n", -5},     {"3.5\n", 295}, {"7 \n", 69},
        {"12", 12},  // the end of the file ends the number too
    };
    for (const Case& c : cases) {
        writeFile("p.cfg", std::string("KEY = ") + c.value);
        std::int32_t value = 12345;
        ASSERT_TRUE(lookupInteger("p.cfg", "KEY", value)) << c.value;
        EXPECT_EQ(value, c.expected) << c.value;
    }
}

TEST_F(ProfileTest, IntegerReaderWrapsInsteadOfOverflowing) {
    writeFile("p.cfg", "KEY = -" + std::string(300, 'x') + "\n");
    std::int32_t value = 0;
    EXPECT_TRUE(lookupInteger("p.cfg", "KEY", value));  // no overflow fault under UBSan
}

// A hand-edited profile may have bare line feeds on Windows too.
TEST_F(ProfileTest, ReadsFilesWhateverTheirLineEnds) {
    std::vector<std::string> texts = {"GPU = 2\nEASY_SETTINGS = 1\nVer = 2.10\n"};
#ifdef _WIN32
    texts.push_back("GPU = 2\r\nEASY_SETTINGS = 1\r\nVer = 2.10\r\n");
#endif
    for (const std::string& text : texts) {
        test::writeBinaryFile("p.cfg", text);
        std::int32_t preset = 3;
        ASSERT_TRUE(lookupInteger("p.cfg", "EASY_SETTINGS", preset));
        EXPECT_EQ(preset, 1);
        std::string version;
        ASSERT_TRUE(lookupText("p.cfg", "Ver", version));
        EXPECT_EQ(version, "2.10");
    }
}

TEST_F(ProfileTest, MissingFileOrKeyLeavesIntegersAndGivesNotFoundText) {
    std::int32_t value = 77;
    EXPECT_FALSE(lookupInteger("absent.cfg", "GPU", value));
    EXPECT_EQ(value, 77);
    std::string text = "old";
    EXPECT_FALSE(lookupText("absent.cfg", "BACKSCREEN", text));
    EXPECT_EQ(text, "not found");

    writeFile("p.cfg", "GPU = 1\nVer = 2.10\n");
    EXPECT_FALSE(lookupInteger("p.cfg", "FAN_LEVEL", value));
    EXPECT_EQ(value, 77);
    text = "old";
    EXPECT_FALSE(lookupText("p.cfg", "BACKSCREEN", text));
    EXPECT_EQ(text, "not found");
}

TEST_F(ProfileTest, TextValueCutShortByTheEndOfFileCountsAsMissing) {
    writeFile("p.cfg", "Ver = 2.10");
    std::string text;
    EXPECT_FALSE(lookupText("p.cfg", "Ver", text));
    EXPECT_EQ(text, "not found");
}

TEST_F(ProfileTest, KeyMatchesInsideALongerKey) {
    writeFile("p.cfg", "FAN_SPEED1 = 55\n");
    std::string text;
    ASSERT_TRUE(lookupText("p.cfg", "FAN_SPEED", text));
    EXPECT_EQ(text, " 55");  // "1 =" was skipped as the separator
    EXPECT_EQ(textToInt(text), 55);
    std::int32_t value = 0;
    ASSERT_TRUE(lookupInteger("p.cfg", "FAN_SPEED", value));
    EXPECT_EQ(value, -55);  // the blank starts a "negative" number
}

TEST_F(ProfileTest, FirstOccurrenceAnywhereWins) {
    writeFile("p.cfg", "BACKSCREEN = C:/pictures/Ver/x.png\nVer = 2.10\n");
    std::string text;
    ASSERT_TRUE(lookupText("p.cfg", "Ver", text));
    EXPECT_EQ(text, "png");  // " = " was taken to be "/x."
}

TEST_F(ProfileTest, MismatchRetriesOnlyTheCurrentCharacter) {
    writeFile("p.cfg", "AAAB = 1\nAAB = 2\n");
    std::int32_t value = 0;
    ASSERT_TRUE(lookupInteger("p.cfg", "AAB", value));
    EXPECT_EQ(value, 2);  // "AAAB" does not contain the key for this search
}

TEST_F(ProfileTest, LongValueIsCutAt99Characters) {
    writeFile("p.cfg", "BACKSCREEN = " + std::string(500, 'p') + "\nVer = 2.10\n");
    std::string text;
    ASSERT_TRUE(lookupText("p.cfg", "BACKSCREEN", text));
    EXPECT_EQ(text, std::string(99, 'p'));
    ASSERT_TRUE(lookupText("p.cfg", "Ver", text));
    EXPECT_EQ(text, "2.10");
}

TEST_F(ProfileTest, ValidityNeedsTheExactVersion) {
    for (const char* version : {"2.1", "2.100", "2.10 ", "3.10"}) {
        writeFile("p.cfg", std::string("DeviceID = 1b8010de\nVer = ") + version + "\n");
        const std::uint32_t ids[] = {0x1b8010de};
        EXPECT_FALSE(checkProfile("p.cfg", ids)) << version;
    }
    writeFile("p.cfg", "DeviceID = 1b8010de\nVer = 2.10\n");
    const std::uint32_t ids[] = {0x1b8010de};
    EXPECT_TRUE(checkProfile("p.cfg", ids));
    EXPECT_FALSE(checkProfile("absent.cfg", ids));
}

TEST_F(ProfileTest, ValidityComparesPresentGpusInOrder) {
    addGpu(0x1b8010de);
    addGpu(0x1b8110de);
    writeToFile();
    const std::uint32_t firstOnly[] = {0x1b8010de};
    const std::uint32_t both[] = {0x1b8010de, 0x1b8110de};
    const std::uint32_t swapped[] = {0x1b8110de, 0x1b8010de};
    const std::uint32_t three[] = {0x1b8010de, 0x1b8110de, 0x1b8210de};
    EXPECT_TRUE(checkProfile("written.cfg", firstOnly));
    EXPECT_TRUE(checkProfile("written.cfg", both));
    EXPECT_FALSE(checkProfile("written.cfg", swapped));
    EXPECT_FALSE(checkProfile("written.cfg", three));
}

TEST_F(ProfileTest, CountsRecordsByTheirMarker) {
    struct Case {
        const char* text;
        int records;
    } cases[] = {
        {"", 0},
        {"Create = a\nCreate = b\n", 2},
        {"CCreate\n", 0},  // the second C breaks the match and is not retried
        {"Crate Creat Create\n", 1},
    };
    for (const Case& c : cases) {
        writeFile("h", c.text);
        EXPECT_EQ(countRecords("h"), c.records) << c.text;
    }
    EXPECT_EQ(countRecords("absent"), 0);
}

TEST_F(ProfileTest, RecordLookupsCountAgesFromTheEnd) {
    std::string history;
    for (int record = 1; record <= 3; ++record) {
        history += "Create = 2026/12/0" + std::to_string(record) + " 10:00:00\n";
        history += "DeviceID = 1b8010de\nGPU = " + std::to_string(record) + "\nEASY_SETTINGS = 3\n";
        history += "GPU_OFFSET = " + std::to_string(record) + "000.000\nVer = 2.10\n\n";
    }
    writeFile("h", history);
    for (int age = 1; age <= 3; ++age) {
        int record = 4 - age;
        std::int32_t gpu = -1;
        ASSERT_TRUE(lookupIntegerInRecord("h", "GPU", gpu, age)) << age;
        EXPECT_EQ(gpu, record) << age;
        std::string text;
        ASSERT_TRUE(lookupTextInRecord("h", "Create", text, age));
        EXPECT_EQ(text, "2026/12/0" + std::to_string(record) + " 10:00:00");
        ASSERT_TRUE(lookupTextInRecord("h", "GPU_OFFSET", text, age));
        EXPECT_EQ(text, std::to_string(record) + "000.000");
    }
    std::int32_t gpu = -1;
    EXPECT_FALSE(lookupIntegerInRecord("h", "GPU", gpu, 4));
    EXPECT_EQ(gpu, -1);
    std::string text;
    EXPECT_FALSE(lookupTextInRecord("h", "Create", text, 4));
    EXPECT_EQ(text, "not found");
}

TEST_F(ProfileTest, RecordSearchRunsOnIntoLaterRecords) {
    // The newest record has only its Create line so far.
    writeFile("h", "Create = a\nGPU = 1\nVer = 2.10\n\nCreate = b\nCreate = c\nGPU = 3\nVer = 2.10\n\n");
    std::int32_t gpu = -1;
    ASSERT_TRUE(lookupIntegerInRecord("h", "GPU", gpu, 2));
    EXPECT_EQ(gpu, 3);
}

TEST(ProfileText, ConvertsLikeTheCLibraryInTheCLocale) {
    struct Case {
        const char* text;
        std::int32_t integer;
        double decimal;
    } cases[] = {
        {"100000.000", 100000, 100000.0},
        {"-510000.000", -510000, -510000.0},
        {"83.000", 83, 83.0},
        {" 55", 55, 55.0},
        {"+7", 7, 7.0},
        {"-100", -100, -100.0},
        {"abc", 0, 0.0},
        {"", 0, 0.0},
        {"--5", 0, 0.0},
        {"12abc", 12, 12.0},
        {"1e3", 1, 1000.0},
        {"99999999999", 2147483647, 99999999999.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(textToInt(c.text), c.integer) << c.text;
        EXPECT_EQ(textToDecimal(c.text), c.decimal) << c.text;
    }
}

TEST(ProfileText, DecimalsBecomeWholeNumbersInsideThe32BitRange) {
    struct Case {
        double decimal;
        std::int32_t whole;
    } cases[] = {
        {0.0, 0},
        {75000.9, 75000},
        {-20000.9, -20000},
        {2147483647.0, 2147483647},
        {2147483648.0, 2147483647},
        {1e12, 2147483647},
        {-2147483648.0, -2147483647 - 1},
        {-1e300, -2147483647 - 1},
        {std::numeric_limits<double>::infinity(), 2147483647},
        {-std::numeric_limits<double>::infinity(), -2147483647 - 1},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(truncateToInt32(c.decimal), c.whole) << c.decimal;
}

TEST(ProfileText, DeviceIdsAreLowerCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(deviceIdText(0x1B8010DE), "1b8010de");
    EXPECT_EQ(deviceIdText(0x0FC610DE), "fc610de");
    EXPECT_EQ(deviceIdText(0), "0");
}

}  // namespace
}  // namespace vt

#include <string>
#include <vector>

#include "driver/DirectDriverLibrary.h"
#include "driver/SystemLibraryLoader.h"
#include "platform/Messages.h"
#include "tests/unit/DriverTestSupport.h"

namespace vt {
namespace {

using Lines = std::vector<std::string>;
using test::DriverLibrary;

class DriverSystemLibraryLoaderTest : public test::SimulatedDriverTest {
protected:
    ModuleHandle load(const std::string& name, std::uint32_t flags = LoadLibrarySearchSystem32) {
        error = 0;
        return loadSystemLibrary(name, flags, error);
    }
    std::uint32_t error = 0;
};

TEST_F(DriverSystemLibraryLoaderTest, NameWithAPathIsRefusedWithoutTouchingTheDisk) {
    for (const char* name : {"C:\\Temp\\nvapi.dll", "plugins/nvapi.dll", ".\\nvapi.dll", "C:nvapi.dll", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(load(name), nullptr);
        EXPECT_EQ(error, ErrorInvalidParameter);
    }
    EXPECT_EQ(fake.count("loadLibrary"), 0);
}

TEST_F(DriverSystemLibraryLoaderTest, SignatureSupportIsPreloadedOnceThenOnlyTheLibraryLoads) {
    EXPECT_NE(load(DriverLibrary), nullptr);
    EXPECT_NE(load(DriverLibrary), nullptr);
    EXPECT_EQ(fake.callsStartingWith("loadLibrary"),
              (Lines{"loadLibrary msasn1.dll flags=800", "loadLibrary cryptnet.dll flags=800",
                     "loadLibrary cryptbase.dll flags=800", "loadLibrary " + DriverLibrary + " flags=800",
                     "loadLibrary " + DriverLibrary + " flags=800"}));
}

TEST_F(DriverSystemLibraryLoaderTest, CallersSearchFlagsAreReplacedByTheSystemFolderOnly) {
    // Application folder, default folders, altered search path: all cleared.
    load(DriverLibrary, 0x200 | 0x1000 | 0x8);
    EXPECT_EQ(fake.callsStartingWith("loadLibrary " + DriverLibrary), Lines{"loadLibrary " + DriverLibrary + " flags=800"});
}

TEST_F(DriverSystemLibraryLoaderTest, SystemsBeforeBuild9200LoadTheFullSystemFolderPath) {
    struct Case {
        OsVersion version;
        bool searchFlag;
    };
    const Case cases[] = {
        {{5, 1, 2600}, false}, {{6, 1, 7601}, false}, {{6, 2, 9200}, true},
        {{6, 3, 9600}, true},  {{10, 0, 19045}, true},
    };
    fake.addModule("C:\\windows\\system32\\" + DriverLibrary, {});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.version.major) + "." + std::to_string(c.version.minor));
        resetSystemLibraryLoader();
        fake.clearCalls();
        fake.version = c.version;
        EXPECT_NE(load(DriverLibrary), nullptr);
        const Lines expected = c.searchFlag ? Lines{"loadLibrary " + DriverLibrary + " flags=800"}
                                            : Lines{"loadLibrary C:\\windows\\system32\\" + DriverLibrary + " flags=8"};
        ASSERT_EQ(fake.callsStartingWith("loadLibrary").size(), 4u);
        EXPECT_EQ(fake.calls().at(3), expected.front());
        if (!c.searchFlag) {
            EXPECT_EQ(fake.calls().at(0), "loadLibrary C:\\windows\\system32\\msasn1.dll flags=8");
        }
    }
}

TEST_F(DriverSystemLibraryLoaderTest, SupportLibraryThatFailsForAnotherReasonThanBeingAbsentRefusesTheLoad) {
    fake.failModule("cryptnet.dll", 5);  // access denied
    EXPECT_EQ(load(DriverLibrary), nullptr);
    EXPECT_EQ(error, 5u);
    EXPECT_EQ(fake.count("loadLibrary " + DriverLibrary), 0);

    // Absent support libraries are fine: the others are simply not there.
    fake.failModule("cryptnet.dll", ErrorModNotFound);
    EXPECT_NE(load(DriverLibrary), nullptr);
}

TEST_F(DriverSystemLibraryLoaderTest, SecondLoadByNameGoesThroughTheSameLoaderAndFindsTheLoadEntries) {
    simulator().useManualClock();
    simulator().editGpu(0, [](sim::SimGpu& gpu) { gpu.fixedLoad = 64; });
    simulator().advance(100);
    DirectDriverLibrary direct;
    ASSERT_TRUE(direct.open());
    EXPECT_EQ(fake.callsStartingWith("loadLibrary " + DriverLibrary), Lines{"loadLibrary " + DriverLibrary + " flags=800"});
    ASSERT_EQ(direct.initialize(), DriverOk);

    GpuHandleList handles{};
    std::uint32_t count = 0;
    ASSERT_EQ(direct.enumPhysicalGpus(handles, count), DriverOk);
    ASSERT_EQ(count, 1u);
    GpuUsages usages;
    ASSERT_EQ(direct.getGpuUsages(handles[0], usages), DriverOk);
    EXPECT_EQ(usages.load(), 64u);

    // Opening again reuses the library.
    EXPECT_TRUE(direct.open());
    EXPECT_EQ(fake.count("loadLibrary " + DriverLibrary), 1);
}

TEST_F(DriverSystemLibraryLoaderTest, SecondLoadIsNotOpenWhenAnEntryIsMissing) {
    for (const char* missing : {"GetGpuUsages", "NvAPI_Initialize", "NvAPI_EnumPhysicalGPUs"}) {
        SCOPED_TRACE(missing);
        simulator().reset();
        simulator().removeOperation(missing);
        DirectDriverLibrary direct;
        EXPECT_FALSE(direct.open());
        GpuHandleList handles{};
        std::uint32_t count = 0;
        GpuUsages usages;
        EXPECT_EQ(direct.enumPhysicalGpus(handles, count) == DriverNoSuchOperation ||
                      direct.getGpuUsages(gpu(), usages) == DriverNoSuchOperation ||
                      direct.initialize() == DriverNoSuchOperation,
                  true);
    }
    fake.failModule(DriverLibrary, ErrorModNotFound);
    DirectDriverLibrary absent;
    EXPECT_FALSE(absent.open());
}

}  // namespace
}  // namespace vt

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "driver/DriverApi.h"
#include "driver/DriverBinder.h"
#include "driver/DriverOperations.h"
#include "platform/Messages.h"
#include "tests/unit/DriverTestSupport.h"

namespace vt {
namespace {

using test::DriverLibrary;
using test::SimulatedDriverTest;

class DriverBinderTest : public SimulatedDriverTest {};

// Counts what the binder asks the query entry for, then asks the simulator.
std::mutex lookupLock;
std::map<std::uint32_t, int> lookups;
void* VT_DRIVER_CALL countingQuery(std::uint32_t id) {
    {
        std::lock_guard guard(lookupLock);
        ++lookups[id];
    }
    return sim::queryInterfaceEntry()(id);
}
int lookupsOf(Operation operation) {
    std::lock_guard guard(lookupLock);
    return lookups[interfaceId(operation)];
}

// A 64-bit process can only load the driver's 64-bit library, which has its own name.
constexpr const char* LibraryForThisWidth = sizeof(void*) == 8 ? "nvapi64.dll" : "nvapi.dll";

TEST_F(DriverBinderTest, FirstOperationLoadsFromTheSystemFolderAndInitialisesTheDriver) {
    std::uint32_t pstate = 99;
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverOk);

    EXPECT_EQ(fake.callsStartingWith("loadLibrary"),
              (std::vector<std::string>{"loadLibrary msasn1.dll flags=800", "loadLibrary cryptnet.dll flags=800",
                                        "loadLibrary cryptbase.dll flags=800",
                                        "loadLibrary " + std::string(LibraryForThisWidth) + " flags=800"}));
    EXPECT_TRUE(simulator().initialized());
    EXPECT_TRUE(binder::slotBound(binder::DriverSlot));
    EXPECT_TRUE(binder::slotReady(binder::DriverSlot, binder::ModePlain));
    EXPECT_FALSE(binder::slotBound(binder::PowerSlot));
    EXPECT_EQ(pstate, simulator().gpu(0).pstates.back());
}

TEST_F(DriverBinderTest, InitializeCallsTheDriversInitialisationOnceMoreOnlyTheFirstTime) {
    EXPECT_EQ(DriverApi::initialize(), DriverOk);
    EXPECT_EQ(DriverApi::initialize(), DriverOk);

    // Once while binding, once for the initialised flag; never again.
    EXPECT_EQ(simulator().count("NvAPI_Initialize"), 2);
    EXPECT_TRUE(binder::initialized());
    EXPECT_EQ(binder::initializationCount(), 2);
    EXPECT_EQ(binder::callsInFlight(), 0);
}

TEST_F(DriverBinderTest, DriverThatLacksOneOperationAnswersMinusThreeForItEveryTimeAndServesTheOthers) {
    simulator().removeOperation("GetPowerPolicyInfo");
    PowerPolicyInfo info;
    PowerPolicyStatus status;
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(DriverApi::getPowerPolicyInfo(gpu(), info), DriverNoSuchOperation);
        EXPECT_EQ(binder::cachedEntryPoint(Operation::GetPowerPolicyInfo), nullptr);
        EXPECT_EQ(DriverApi::getPowerPolicyStatus(gpu(), status), DriverOk);
    }
    EXPECT_EQ(status.currentLimit(), 100000u);
    EXPECT_EQ(simulator().count("GetPowerPolicyInfo"), 0);
}

TEST_F(DriverBinderTest, ModeTwoIsRefusedByTheLoaderWithMinusThreeAndByTheBinderWithMinusOne) {
    EXPECT_EQ(binder::load(binder::DriverSlot, 2), DriverNoSuchOperation);
    EXPECT_EQ(fake.count("loadLibrary"), 0);

    std::uint32_t error = 0;
    ModuleHandle module = platform().loadLibrary(DriverLibrary, LoadLibrarySearchSystem32, error);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(binder::bind(module, binder::DriverSlot, 2), DriverNotReady);
    EXPECT_FALSE(simulator().initialized());
    platform().freeLibrary(module);
}

TEST_F(DriverBinderTest, ModeOneInitialisesWithFlagsAndGivesMinusThreeWhenThatEntryIsMissing) {
    EXPECT_EQ(binder::ensureLoaded(binder::DriverSlot, binder::ModeWithFlags), DriverOk);
    EXPECT_EQ(simulator().calls("InitializeWithFlags").at(0).values, "flags=1");
    EXPECT_EQ(simulator().count("NvAPI_Initialize"), 0);
    EXPECT_TRUE(binder::slotReady(binder::DriverSlot, binder::ModeWithFlags));

    binder::resetBinding();
    simulator().removeOperation("InitializeWithFlags");
    EXPECT_EQ(binder::ensureLoaded(binder::DriverSlot, binder::ModeWithFlags), DriverNoSuchOperation);
    EXPECT_EQ(binder::slotModule(binder::DriverSlot), nullptr);
    EXPECT_TRUE(fake.loadedModules().empty());
}

TEST_F(DriverBinderTest, FailedBindingsUnloadTheLibraryAgain) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        DriverStatus expected;
    };
    const Case cases[] = {
        {"no query export", [this] { fake.addModule(DriverLibrary, {}); }, DriverNotReady},
        {"no initialisation entry", [] { simulator().removeOperation("NvAPI_Initialize"); }, DriverNotReady},
        {"initialisation fails", [] { simulator().failOperation("NvAPI_Initialize", -6); }, -6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        binder::resetBinding();
        simulator().reset();
        installDriver();
        fake.clearCalls();
        c.arrange();

        EXPECT_EQ(DriverApi::initialize(), c.expected);
        EXPECT_EQ(fake.count("freeLibrary " + DriverLibrary), 1);
        EXPECT_TRUE(fake.loadedModules().empty());
        EXPECT_EQ(binder::slotModule(binder::DriverSlot), nullptr);
        EXPECT_EQ(binder::initializationCount(), 0);
    }
}

TEST_F(DriverBinderTest, MissingLibraryGivesMinusTwoAndTheNextCallTriesAgain) {
    fake.addModule(DriverLibrary, {});
    fake.failModule(DriverLibrary, ErrorModNotFound);
    std::uint32_t mask = 0;
    EXPECT_EQ(DriverApi::getActiveOutputMask(gpu(), mask), DriverLibraryMissing);
    EXPECT_EQ(DriverApi::initialize(), DriverLibraryMissing);
    EXPECT_EQ(fake.count("loadLibrary " + DriverLibrary), 2);
    EXPECT_EQ(binder::callsInFlight(), 0);
}

TEST_F(DriverBinderTest, LibraryThatAppearsLaterIsBoundByTheNextCall) {
    FakePlatform withoutDriver;
    setPlatform(&withoutDriver);
    std::uint32_t mask = 0;
    EXPECT_EQ(DriverApi::getActiveOutputMask(gpu(), mask), DriverLibraryMissing);
    EXPECT_EQ(binder::slotModule(binder::DriverSlot), nullptr);

    setPlatform(&fake);
    EXPECT_EQ(DriverApi::getActiveOutputMask(gpu(), mask), DriverOk);
    EXPECT_EQ(mask, 1u);
}

TEST_F(DriverBinderTest, LibraryThatCannotBeLoadedGivesMinusTwo) {
    fake.failModule(DriverLibrary, 193);  // not a valid image
    std::uint32_t mask = 0;
    EXPECT_EQ(DriverApi::getActiveOutputMask(gpu(), mask), DriverLibraryMissing);
}

TEST_F(DriverBinderTest, CacheIsEmptyAfterEveryBindSoTheFirstCallOfEachOperationLooksItUp) {
    {
        std::lock_guard guard(lookupLock);
        lookups.clear();
    }
    fake.addModule(DriverLibrary, {{{"nvapi_QueryInterface", reinterpret_cast<void*>(&countingQuery)}}});
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    EXPECT_EQ(binder::cachedEntryCount(), 0);

    std::uint32_t pstate = 0, mask = 0;
    DriverApi::getCurrentPstate(gpu(), pstate);
    DriverApi::getCurrentPstate(gpu(), pstate);
    DriverApi::getActiveOutputMask(gpu(), mask);
    EXPECT_EQ(lookupsOf(Operation::GetCurrentPstate), 1);
    EXPECT_EQ(lookupsOf(Operation::GetActiveOutputMask), 1);
    EXPECT_EQ(binder::cachedEntryCount(), 2);

    // Binding the library again empties the cache.
    EXPECT_EQ(binder::bind(binder::slotModule(binder::DriverSlot), binder::DriverSlot, binder::ModePlain), DriverOk);
    EXPECT_EQ(binder::cachedEntryCount(), 0);
    DriverApi::getCurrentPstate(gpu(), pstate);
    EXPECT_EQ(lookupsOf(Operation::GetCurrentPstate), 2);
}

TEST_F(DriverBinderTest, DriverStatusesPassThroughUnchanged) {
    simulator().failOperation("SetPstates20", -104);
    Pstates20 request;
    request.requestClockDelta(Pstates20::GraphicsDomain, 1000);
    EXPECT_EQ(DriverApi::setPstates20(gpu(), request), -104);

    Pstates20 tooNew(0x41CF8);
    EXPECT_EQ(DriverApi::getPstates20(gpu(), tooNew), -9);
    EXPECT_EQ(DriverApi::getPstates20(reinterpret_cast<GpuHandle>(std::uintptr_t(0x1234)), request), -101);
}

TEST_F(DriverBinderTest, VersionWordLargerThanTheBufferNeverReachesTheDriver) {
    Pstates20 request(0x3FFFF);  // claims 65535 bytes
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    simulator().clearCalls();
    EXPECT_EQ(DriverApi::getPstates20(gpu(), request), DriverIncompatibleVersion);
    EXPECT_TRUE(simulator().calls().empty());
}

TEST_F(DriverBinderTest, CallCounterIsBackToZeroAfterConcurrentCallsFromSeveralThreads) {
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 150; ++i) {
                ThermalSettings thermal;
                ClockFrequencies clocks;
                std::uint32_t pstate = 0;
                const DriverStatus status = t % 2 == 0 ? DriverApi::getThermalSettings(gpu(), 0, thermal)
                                            : i % 2 == 0 ? DriverApi::getAllClockFrequencies(gpu(), clocks)
                                                         : DriverApi::getCurrentPstate(gpu(), pstate);
                if (status != DriverOk) ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(binder::callsInFlight(), 0);
}

// A driver function that reports how many calls were in flight while it ran.
std::atomic<int> seenInFlight{-1};
DriverStatus VT_DRIVER_CALL reportInFlight(GpuHandle, std::uint32_t* pstate) {
    seenInFlight = binder::callsInFlight();
    *pstate = 0;
    return DriverOk;
}
void* VT_DRIVER_CALL queryWithProbe(std::uint32_t id) {
    if (id == interfaceId(Operation::GetCurrentPstate)) return reinterpret_cast<void*>(&reportInFlight);
    return sim::queryInterfaceEntry()(id);
}

TEST_F(DriverBinderTest, CallIsCountedWhileTheDriverRunsIt) {
    fake.addModule(DriverLibrary, {{{"nvapi_QueryInterface", reinterpret_cast<void*>(&queryWithProbe)}}});
    std::uint32_t pstate = 7;
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverOk);
    EXPECT_EQ(seenInFlight, 1);
    EXPECT_EQ(binder::callsInFlight(), 0);
}

TEST_F(DriverBinderTest, CallWhileAnotherThreadIsStillLoadingGivesMinusOneAfterTenWaits) {
    configure("initializeDelay = 1600\n");
    std::atomic<DriverStatus> loaded{99};
    std::thread loader([&] { loaded = DriverApi::initialize(); });
    while (fake.count("loadLibrary " + DriverLibrary) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));

    std::uint32_t pstate = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverNotReady);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(950));
    loader.join();

    EXPECT_EQ(loaded, DriverOk);
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverOk);
    EXPECT_EQ(fake.count("loadLibrary " + DriverLibrary), 1);
}

TEST_F(DriverBinderTest, TracingHooksRunAroundEveryOperationWhenTheDriverOffersThem) {
    configure("hooks = 1\n");
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    EXPECT_TRUE(binder::enterHookInstalled());
    EXPECT_TRUE(binder::leaveHookInstalled());
    simulator().failOperation("GetCurrentPstate", -8);
    std::uint32_t pstate = 0;
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), -8);

    const auto hooks = simulator().hookRecords();
    ASSERT_EQ(hooks.size(), 2u);
    EXPECT_TRUE(hooks[0].enter);
    EXPECT_FALSE(hooks[1].enter);
    for (const auto& hook : hooks) EXPECT_EQ(hook.id, 0x927DA4F6u);
    // The leave hook gets the scratch pair the enter hook filled, as one
    // 64-bit value (word 0 its low half), and the result: on both widths, in
    // the driver's own calling convention.
    EXPECT_EQ(hooks[0].scratch0, 1u);
    EXPECT_EQ(hooks[0].scratch1, 0x927DA4F6u ^ 0xA5A5A5A5u);
    EXPECT_EQ(hooks[1].scratch0, hooks[0].scratch0);
    EXPECT_EQ(hooks[1].scratch1, hooks[0].scratch1);
    EXPECT_EQ(hooks[1].result, -8);
}

TEST_F(DriverBinderTest, WithoutHooksTheBindingKeepsNone) {
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    EXPECT_FALSE(binder::enterHookInstalled());
    EXPECT_FALSE(binder::leaveHookInstalled());
}

TEST_F(DriverBinderTest, PowerSlotBindsItsOwnQueryExportWithoutInitialising) {
    fake.addModule("nvpowerapi.dll", {{{"nvapi_pepQueryInterface", test::exportOf(sim::queryInterfaceEntry())}}});
    EXPECT_EQ(binder::ensureLoaded(binder::PowerSlot, binder::ModePlain), DriverOk);
    EXPECT_TRUE(binder::slotBound(binder::PowerSlot));
    EXPECT_FALSE(simulator().initialized());

    binder::resetBinding();
    fake.addModule("nvpowerapi.dll", {{{"nvapi_QueryInterface", test::exportOf(sim::queryInterfaceEntry())}}});
    EXPECT_EQ(binder::ensureLoaded(binder::PowerSlot, binder::ModePlain), DriverNotReady);
}

}  // namespace
}  // namespace vt

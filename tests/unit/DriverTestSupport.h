// What the driver and simulator tests share: a fake platform whose system
// folder holds the simulated driver library, a fresh binding and a fresh driver.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "driver/DriverApi.h"
#include "driver/DriverBinder.h"
#include "driver/SystemLibraryLoader.h"
#include "sim/Simulator.h"
#include "tests/unit/TestSupport.h"

namespace vt::test {

// The driver library's name in this build: nvapi.dll, or nvapi64.dll in a
// 64-bit process.
inline const std::string DriverLibrary = binder::DriverLibraryName;

inline void* exportOf(sim::SimQueryInterface query) { return reinterpret_cast<void*>(query); }

class SimulatedDriverTest : public PlatformTest {
protected:
    SimulatedDriverTest() {
        binder::resetBinding();
        resetSystemLibraryLoader();
        simulator().reset();
        installDriver();
    }
    ~SimulatedDriverTest() override {
        binder::resetBinding();
        resetSystemLibraryLoader();
        simulator().reset();
    }

    static sim::Simulator& simulator() { return sim::Simulator::instance(); }
    void installDriver() {
        fake.addModule(DriverLibrary, {{{"nvapi_QueryInterface", exportOf(sim::queryInterfaceEntry())}}});
    }
    // Replaces the driver with one set up from the text form.
    void configure(std::string_view text) {
        std::string error;
        ASSERT_TRUE(simulator().resetFromText(text, error)) << error;
    }
    GpuHandle gpu(int index = 0) const { return sim::Simulator::instance().handle(index); }
};

// The same, with the driver initialised through the layer and time moving
// only when a test says so.
class InitializedDriverTest : public SimulatedDriverTest {
protected:
    InitializedDriverTest() {
        simulator().useManualClock();
        EXPECT_EQ(DriverApi::initialize(), DriverOk);
    }
    // Starts over with a driver set up from the text form.
    void use(std::string_view text) {
        configure(text);
        simulator().useManualClock();
        binder::resetBinding();
        EXPECT_EQ(DriverApi::initialize(), DriverOk);
    }
};

}  // namespace vt::test

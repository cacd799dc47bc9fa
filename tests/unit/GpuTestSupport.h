// A fixture for the GPU operations: the product's driver layer bound to the
// simulated driver through the fake platform, every piece of shared state
// fresh, and the operation log in the scratch folder.
#pragma once

#include <string>
#include <vector>

#include "sim/SimConfig.h"
#include "sim/Simulator.h"
#include "tests/unit/DriverTestSupport.h"

namespace vt::test {

class GpuTest : public SimulatedDriverTest {
protected:
    GpuTest();
    ~GpuTest() override;

    static sim::Simulator& driver() { return simulator(); }
    // A driver with these card models ("current", "cooler", "legacy",
    // "unlisted"); the first drives the display.
    void useCards(const std::vector<std::string>& models);
    // The same card model for each id, with that PCI device id.
    void useDeviceIds(const std::string& model, const std::vector<std::uint32_t>& deviceIds);
    void startAfresh(const sim::SimConfig& config);
    // Builds the inventory and fills the ranges the monitoring thread would.
    void startUp();
    // What the monitoring thread reads into the settings record.
    void readRanges();
    std::string log() const;
    // The calls of one operation, as "Operation gpu=N status=S values".
    std::vector<std::string> calls(const std::string& operation) const;
};

}  // namespace vt::test

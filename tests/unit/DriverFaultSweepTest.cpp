// Every driver operation the program uses, in turn refused, missing, and
// answering the extreme values its structure allows, under a whole run of the
// program's GPU work: start-up, every Advanced page, every preset, reset, a
// profile load, a history load and monitoring passes. Nothing may crash or
// hang, nothing may reach a GPU the inventory does not hold, and the log's
// FAILED lines must be exactly those the failed operation accounts for.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "app/ShellState.h"
#include "app/shell/StateReset.h"
#include "driver/DriverOperations.h"
#include "gpu/Apply.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/ProfileApplication.h"
#include "gpu/Reset.h"
#include "settings/OperationLog.h"
#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/DriverAnswerShapes.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

// --- extreme answers ---------------------------------------------------------

// The operation whose answers are replaced, and the word every field it
// hands back is filled with.
Operation extremeOperation = Operation::Count;
std::uint32_t extremeWord = 0;

void* simFunction(Operation operation) { return sim::Simulator::instance().queryInterface(interfaceId(operation)); }

template <class Function>
Function simCall(Operation operation) {
    return reinterpret_cast<Function>(simFunction(operation));
}

// Every word after the version word, as far as the version word says the
// structure reaches.
void fillStructure(void* structure) {
    auto* bytes = static_cast<std::uint8_t*>(structure);
    std::uint32_t version = 0;
    std::memcpy(&version, bytes, 4);
    for (std::size_t at = 4; at + 4 <= structSize(version); at += 4) std::memcpy(bytes + at, &extremeWord, 4);
}

DriverStatus VT_DRIVER_CALL extremeStructure(GpuHandle gpu, void* structure) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(GpuHandle, void*);
    const DriverStatus status = simCall<Call>(extremeOperation)(gpu, structure);
    if (status == DriverOk) fillStructure(structure);
    return status;
}

DriverStatus VT_DRIVER_CALL extremeIndexedStructure(GpuHandle gpu, std::uint32_t index, void* structure) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(GpuHandle, std::uint32_t, void*);
    const DriverStatus status = simCall<Call>(extremeOperation)(gpu, index, structure);
    if (status == DriverOk) fillStructure(structure);
    return status;
}

DriverStatus VT_DRIVER_CALL extremeChipset(void* structure) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(void*);
    const DriverStatus status = simCall<Call>(extremeOperation)(structure);
    if (status == DriverOk) fillStructure(structure);
    return status;
}

DriverStatus VT_DRIVER_CALL extremeWordOut(GpuHandle gpu, std::uint32_t* out) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(GpuHandle, std::uint32_t*);
    const DriverStatus status = simCall<Call>(extremeOperation)(gpu, out);
    if (status == DriverOk) *out = extremeWord;
    return status;
}

// The count only: the handles stay the driver's, as many as it has.
DriverStatus VT_DRIVER_CALL extremeEnumeration(GpuHandle* handles, std::uint32_t* count) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(GpuHandle*, std::uint32_t*);
    const DriverStatus status = simCall<Call>(extremeOperation)(handles, count);
    if (status == DriverOk) *count = extremeWord;
    return status;
}

// All 64 bytes, no terminator.
DriverStatus VT_DRIVER_CALL extremeName(GpuHandle gpu, char* name) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(GpuHandle, char*);
    const DriverStatus status = simCall<Call>(extremeOperation)(gpu, name);
    if (status == DriverOk) std::memset(name, static_cast<int>(extremeWord & 0xFF), 64);
    return status;
}

DriverStatus VT_DRIVER_CALL extremePci(GpuHandle gpu, std::uint32_t* device, std::uint32_t* subsystem,
                                       std::uint32_t* revision, std::uint32_t* extended) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(GpuHandle, std::uint32_t*, std::uint32_t*, std::uint32_t*,
                                               std::uint32_t*);
    const DriverStatus status = simCall<Call>(extremeOperation)(gpu, device, subsystem, revision, extended);
    if (status == DriverOk) *device = *subsystem = *revision = *extended = extremeWord;
    return status;
}

DriverStatus VT_DRIVER_CALL extremeSetting(DrsSession session, DrsProfile profile, std::uint32_t id, void* setting) {
    using Call = DriverStatus(VT_DRIVER_CALL*)(DrsSession, DrsProfile, std::uint32_t, void*);
    const DriverStatus status = simCall<Call>(extremeOperation)(session, profile, id, setting);
    if (status == DriverOk) fillStructure(setting);
    return status;
}

// The replacement for an operation that hands data back; null for those
// that only take it and for the settings store's handles.
void* extremeFunction(Operation operation) {
    switch (test::answerShape(operation)) {
        case test::AnswerShape::Enumeration: return reinterpret_cast<void*>(&extremeEnumeration);
        case test::AnswerShape::Word: return reinterpret_cast<void*>(&extremeWordOut);
        case test::AnswerShape::Name: return reinterpret_cast<void*>(&extremeName);
        case test::AnswerShape::PciIdentifiers: return reinterpret_cast<void*>(&extremePci);
        case test::AnswerShape::IndexedStructure: return reinterpret_cast<void*>(&extremeIndexedStructure);
        case test::AnswerShape::Structure: return reinterpret_cast<void*>(&extremeStructure);
        case test::AnswerShape::ChipsetStructure: return reinterpret_cast<void*>(&extremeChipset);
        case test::AnswerShape::Setting: return reinterpret_cast<void*>(&extremeSetting);
        default: return nullptr;
    }
}

void* VT_DRIVER_CALL sweepQueryInterface(std::uint32_t id) {
    if (extremeOperation != Operation::Count && id == interfaceId(extremeOperation)) {
        if (void* replacement = extremeFunction(extremeOperation)) return replacement;
    }
    return sim::Simulator::instance().queryInterface(id);
}

// --- the run -------------------------------------------------------------------

enum class Fault { None, Refused, Missing, Extreme };

// Short names of the FAILED lines, in the order the run writes them: pages
// 0 to 4, then the presets in the order run, then reset.
const std::map<std::string, std::string> FailedKeys = {
    {"GPU_OFFSET", "G"}, {"MEM_OFFSET", "M"}, {"POWER_TARGET", "P"}, {"TEMP_TARGET", "T"},
    {"FPS_TARGET", "F"}, {"FAN_SPEED", "S"},  {"FAN_CURVE", "C"},    {"RESET", "R"},
};
constexpr int PresetOrder[] = {0, 2, 1};

// A GPU operation names a GPU; the rest (initialisation, enumeration, the
// chipset and the settings store) do not.
bool namesGpu(const std::string& operation) {
    static const std::set<std::string> withoutGpu = {
        "NvAPI_Initialize", "InitializeWithFlags", "NvAPI_EnumPhysicalGPUs", "EnumComputeGpus", "GetChipsetInfo"};
    return withoutGpu.count(operation) == 0 && operation.rfind("NvAPI_DRS_", 0) != 0;
}

bool writes(const std::string& operation) {
    return operation.rfind("Set", 0) == 0 || operation == "EnableDynamicPstates" ||
           operation == "RestoreCoolerSettings" || operation == "NvAPI_DRS_SetSetting" ||
           operation == "NvAPI_DRS_SaveSettings" || operation == "NvAPI_DRS_RestoreProfileDefaultSetting";
}

class DriverFaultSweepTest : public test::GpuTest {
protected:
    DriverFaultSweepTest() {
        fake.instantSleep = true;
        fake.addModule(test::DriverLibrary, {{{"nvapi_QueryInterface", reinterpret_cast<void*>(&sweepQueryInterface)}}});
    }
    ~DriverFaultSweepTest() override { extremeOperation = Operation::Count; }

    // A fresh process on this card, with the fault in place before start-up.
    // False when start-up ended (the inventory could not be built).
    bool run(const std::string& card, Operation operation, Fault fault, std::uint32_t word = 0) {
        endMonitoring();
        finishApplySettle();
        finishHistoryWriter();
        const std::string folder = lifecycle.programFolder;
        resetLifecycle();
        resetShellState();
        resetAllState();
        lifecycle.programFolder = folder;
        useCards({card});
        extremeOperation = Operation::Count;
        if (fault == Fault::Refused) driver().failOperation(std::string(operationInfo(operation).name), -5);
        if (fault == Fault::Missing) driver().removeOperation(std::string(operationInfo(operation).name));
        if (fault == Fault::Extreme) {
            extremeOperation = operation;
            extremeWord = word;
        }
        std::filesystem::remove("log/log.txt");
        std::filesystem::remove_all("history");
        writeStoredProfile(card);
        if (!startProgram()) return false;
        for (int page = 0; page <= 4; ++page) applyPage(page);
        for (int preset : PresetOrder) applyPreset(preset);
        resetGpusToDefaults();
        resetTakenOver();  // the panel has taken the values over
        monitoringPass();
        writeProfileCopy("saved.cfg");
        applyProfileFile("saved.cfg");
        applyHistoryRecord(historyPath(), 2);
        for (int pass = 0; pass < 3; ++pass) monitoringPass();
        endMonitoring();
        return true;
    }

    // Main window initialisation's GPU steps, with the stored profile.
    bool startProgram() {
        if (buildInventory().failure != InventoryResult::None) return false;
        std::vector<std::uint32_t> ids;
        for (int i = 0; i < inventory.count; ++i) ids.push_back(inventory.slots[i].deviceId);
        tuning.sliSync = 1;
        if (checkProfile(ProfilePath, ids)) applyStartupProfile();
        if (activeGpuIndex() == -1) return false;
        applyStoredPstate();
        monitoringPass();
        return true;
    }

    void writeStoredProfile(const std::string& card) {
        std::filesystem::create_directories("profile");
        const bool perFan = card == "current";
        test::writeFile(ProfilePath, std::string("DeviceID = ") + (perFan ? "220610de" : "1b8010de") +
                                         "\nGPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 50000.000\n"
                                         "MEM_OFFSET = 100000.000\nPOWER_TARGET = 90000.000\nTEMP_TARGET = 80.000\n"
                                         "FPS_TARGET = 60\n" +
                                         (perFan ? "FAN_SPEED1 = 55\nFAN_SPEED2 = 60\n" : "FAN_SPEED = 55\n") +
                                         "FAN_LEVEL = 0\nFAN_CURVE = 0\nPSTATE = 2\nSLI-SYNC = 0\nVer = 2.10\n");
    }

    void writeProfileCopy(const std::string& path) {
        if (std::FILE* out = std::fopen(path.c_str(), "w")) {
            writeProfile(out, tuning, inventory, currentGpuIndex());
            std::fclose(out);
        }
    }

    void settle() {
        finishApplySettle();
        finishHistoryWriter();
        monitoringPass();
    }

    void applyPage(int page) {
        PageValues values;
        values.gpuOffset = 50;
        values.memOffset = 100;
        values.powerTarget = 90;
        values.tempTarget = 80;
        values.fpsTarget = 60;
        values.fanSpeed = 55;
        values.fan2Speed = 60;
        values.curveEditorEnabled = inventory.slots[currentGpuIndex()].caps.FanCurveCapable != 0;
        values.curve[0] = {40, 40, 0};
        values.curve[1] = {60, 60, 0};
        values.curve[2] = {80, 90, 0};
        beginApply();
        applyAdvancedPage(page, values);
        settle();
    }

    void applyPreset(int preset) {
        beginApply();
        if (applyEasyPreset(preset)) settle();
    }

    // The FAILED lines of the log, by short name; an easy summary is named
    // by the preset it reports.
    std::string failedLines() const {
        std::istringstream lines(log());
        std::string line, out;
        int easyLine = 0;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();  // the log is a text file
            const std::size_t colon = line.find(": ");
            const std::size_t equals = line.find(" = ");
            if (colon == std::string::npos || equals == std::string::npos) continue;
            const std::string key = line.substr(colon + 2, equals - colon - 2);
            std::string shortKey;
            if (key == "EASY_SETTINGS") {
                shortKey = "E" + std::to_string(PresetOrder[std::min(easyLine++, 2)]);
            } else {
                auto found = FailedKeys.find(key);
                shortKey = found == FailedKeys.end() ? key : found->second;
            }
            if (line.compare(equals + 3, std::string::npos, "FAILED") != 0) continue;
            out += (out.empty() ? "" : " ") + shortKey;
        }
        return out;
    }

    // Every write went to a GPU of the inventory; a start-up that ended
    // wrote nothing. (Reads name the GPUs being probed, the driver's own
    // handles, before the inventory holds them.)
    void expectOnlyProbedGpus(bool started, const std::string& context) const {
        for (const sim::SimCallRecord& call : driver().calls()) {
            if (!writes(call.operation)) continue;
            EXPECT_TRUE(started) << context << ": " << call.text();
            if (namesGpu(call.operation)) {
                EXPECT_TRUE(call.gpu >= 0 && call.gpu < inventory.count) << context << ": " << call.text();
            }
        }
    }
};

struct SweepRow {
    Operation operation;
    // The FAILED lines when the operation is refused or missing, on a card
    // with the per-fan interface and a fan curve ("current") and on one with
    // the older cooler interface ("cooler"); "no start" when start-up ends.
    const char* failedOnCurrent;
    const char* failedOnCooler;
};

const SweepRow SweepTable[] = {
    {Operation::NvAPI_Initialize, "no start", "no start"},
    {Operation::InitializeWithFlags, "", ""},
    {Operation::NvAPI_EnumPhysicalGPUs, "no start", "no start"},
    {Operation::EnumComputeGpus, "", ""},
    {Operation::GetActiveOutputMask, "", ""},
    {Operation::NvAPI_GPU_GetFullName, "no start", "no start"},
    {Operation::NvAPI_GPU_GetPCIIdentifiers, "no start", "no start"},
    {Operation::NvAPI_GPU_GetAllClockFrequencies, "", ""},
    {Operation::NvAPI_GPU_GetThermalSettings, "", ""},
    {Operation::NvAPI_GPU_GetPstates20, "G M E1 R", "G M E1 R"},
    {Operation::SetPstates20, "G M E0 E2 E1 R", "G M E0 E2 E1 R"},
    {Operation::GetCurrentPstate, "", ""},
    {Operation::EnableDynamicPstates, "", ""},
    {Operation::SetPstateClientLimit, "E0 E2 E1 R", "E0 E2 E1 R"},
    {Operation::GetPowerPolicyInfo, "P E0 E2 E1 R", "P E0 E2 E1 R"},
    {Operation::GetPowerPolicyStatus, "", ""},
    {Operation::SetPowerPolicyStatus, "P E0 E2 E1 R", "P E0 E2 E1 R"},
    {Operation::GetThermalPolicyInfo, "E0 R", "R"},
    {Operation::GetThermalPolicyLimit, "", ""},
    {Operation::SetThermalPolicyLimit, "T E0 E2 E1 R", "T E0 E2 E1 R"},
    {Operation::GetCoolerSettings, "", ""},
    {Operation::SetCoolerLevels, "", "S"},
    {Operation::RestoreCoolerSettings, "E1", "E1 R"},
    {Operation::GetFanCoolerStatus, "S", ""},
    {Operation::SetFanCoolerControl, "S C E0 E2 E1 R", ""},
    {Operation::GetFanCurveInfo, "", ""},
    {Operation::GetFanCurve, "", ""},
    {Operation::SetFanCurve, "C E0 E2 E1 R", ""},
    {Operation::GetMemoryInfo, "", ""},
    {Operation::GetChipsetInfo, "", ""},
    {Operation::NvAPI_DRS_CreateSession, "F E0 E2 E1 R", "F E0 E2 E1 R"},
    {Operation::NvAPI_DRS_DestroySession, "", ""},
    {Operation::NvAPI_DRS_LoadSettings, "F E0 E2 E1 R", "F E0 E2 E1 R"},
    {Operation::NvAPI_DRS_SaveSettings, "F E0 E2 E1 R", "F E0 E2 E1 R"},
    {Operation::NvAPI_DRS_GetBaseProfile, "F E0 E2 E1 R", "F E0 E2 E1 R"},
    {Operation::NvAPI_DRS_SetSetting, "F E2", "F E2"},
    {Operation::NvAPI_DRS_GetSetting, "", ""},
    {Operation::NvAPI_DRS_RestoreProfileDefaultSetting, "E0 E1 R", "E0 E1 R"},
    {Operation::GetGpuUsages, "", ""},
};

const char* const Cards[] = {"current", "cooler"};

std::string expectedFor(const SweepRow& row, const std::string& card) {
    return card == "current" ? row.failedOnCurrent : row.failedOnCooler;
}

TEST_F(DriverFaultSweepTest, SweepCoversEveryOperationButTheTracingHooks) {
    std::set<Operation> swept;
    for (const SweepRow& row : SweepTable) swept.insert(row.operation);
    for (std::size_t i = 0; i < OperationCount; ++i) {
        const auto operation = static_cast<Operation>(i);
        if (operation == Operation::CallEnterHook || operation == Operation::CallLeaveHook) continue;
        EXPECT_TRUE(swept.count(operation)) << operationInfo(operation).name;
    }
}

TEST_F(DriverFaultSweepTest, WithoutAFaultNothingFails) {
    for (const char* card : Cards) {
        ASSERT_TRUE(run(card, Operation::Count, Fault::None)) << card;
        EXPECT_EQ(failedLines(), "") << card << "\n" << log();
        expectOnlyProbedGpus(true, card);
    }
}

TEST_F(DriverFaultSweepTest, RefusedOrMissingOperationFailsExactlyItsSteps) {
    for (const SweepRow& row : SweepTable) {
        for (const char* card : Cards) {
            for (Fault fault : {Fault::Refused, Fault::Missing}) {
                const std::string context = std::string(operationInfo(row.operation).name) + " on " + card +
                                            (fault == Fault::Refused ? " refused" : " missing");
                const bool started = run(card, row.operation, fault);
                const std::string expected = expectedFor(row, card);
                if (expected == "no start") {
                    EXPECT_FALSE(started) << context;
                } else {
                    ASSERT_TRUE(started) << context;
                    EXPECT_EQ(failedLines(), expected) << context << "\n" << log();
                }
                expectOnlyProbedGpus(started, context);
            }
        }
    }
}

// The replaced answers do reach the program: what it keeps of them.
TEST_F(DriverFaultSweepTest, ExtremeAnswersReachTheProgram) {
    struct Case {
        Operation operation;
        std::uint32_t word;
        bool started;
        std::function<bool()> seen;
    } cases[] = {
        {Operation::NvAPI_GPU_GetFullName, 0x41414141u, true,
         [] { return std::u16string(inventory.slots[0].name) == std::u16string(39, u'A'); }},
        {Operation::NvAPI_GPU_GetPCIIdentifiers, 0x12345678u, true,
         [] { return inventory.slots[0].deviceId == 0x12345678u && inventory.slots[0].caps.ModernTuning == 0; }},
        {Operation::NvAPI_EnumPhysicalGPUs, 0u, false, [] { return inventory.count == 0; }},
        {Operation::NvAPI_GPU_GetAllClockFrequencies, 0u, true, [] { return monitor.gpu[0].gpuClock == 0; }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run("current", c.operation, Fault::Extreme, c.word), c.started) << operationInfo(c.operation).name;
        EXPECT_TRUE(c.seen()) << operationInfo(c.operation).name;
    }
}

TEST_F(DriverFaultSweepTest, ExtremeAnswersAreSurvivedAndStayOnProbedGpus) {
    for (const SweepRow& row : SweepTable) {
        if (extremeFunction(row.operation) == nullptr) continue;
        for (const char* card : Cards) {
            for (std::uint32_t word : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0u}) {
                std::ostringstream context;
                context << operationInfo(row.operation).name << " on " << card << " answering 0x" << std::hex << word;
                const bool started = run(card, row.operation, Fault::Extreme, word);
                expectOnlyProbedGpus(started, context.str());
                EXPECT_LE(inventory.count, GpuLimit) << context.str();
                // Every log line is one of the known forms: a key and a value.
                std::istringstream lines(log());
                std::string line;
                while (std::getline(lines, line)) {
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    if (line.empty() || line.rfind("---", 0) == 0) continue;
                    EXPECT_NE(line.find(" = "), std::string::npos) << context.str() << ": " << line;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vt

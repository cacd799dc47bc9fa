#include "tests/fuzz/FuzzDriver.h"

#include <cstring>

#include "driver/DriverOperations.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/DriverAnswerShapes.h"

namespace vt::fuzz {
namespace {

constexpr std::size_t MaskBytes = (OperationCount + 7) / 8;
constexpr DriverStatus Refusals[] = {-1, -3, -4, -5, -6, -8, -9, -101, -104, -130, -160, -163, -7, -2, -10, -1000};

std::uint8_t missingMask[MaskBytes];
InputReader answers(nullptr, 0);

// Most calls succeed; the top sixteenth of the byte picks a refusal.
DriverStatus status() {
    const std::uint8_t b = answers.byte();
    return b >= 0xF0 ? Refusals[b - 0xF0] : DriverOk;
}

std::uint32_t count() {
    const std::uint8_t b = answers.byte();
    return b == 0xFF ? answers.word() : b;
}

// The structure as the driver hands it back: a repeated pattern from the
// input, then a few words put at chosen offsets (the version word included).
void fill(void* structure) {
    std::uint8_t* bytes = static_cast<std::uint8_t*>(structure);
    std::uint32_t version = 0;
    std::memcpy(&version, bytes, 4);
    const std::size_t size = version & 0xFFFF;
    if (size <= 4) return;
    std::uint8_t pattern[16];
    const std::size_t length = answers.byte() % 17;
    for (std::size_t i = 0; i < length; ++i) pattern[i] = answers.byte();
    for (std::size_t at = 4; at < size; ++at) bytes[at] = length == 0 ? 0 : pattern[(at - 4) % length];
    for (int pokes = answers.byte() % 8; pokes > 0; --pokes) {
        const std::size_t at = (answers.half() % size) & ~std::size_t{3};
        const std::uint32_t value = answers.word();
        if (at + 4 <= size) std::memcpy(bytes + at, &value, 4);
    }
}

template <class... Ignored>
DriverStatus VT_DRIVER_CALL refuseOrAccept(Ignored...) {
    return status();
}

template <class Handle>
DriverStatus VT_DRIVER_CALL giveWord(Handle, std::uint32_t* out) {
    const DriverStatus st = status();
    if (st == DriverOk && out != nullptr) *out = answers.word();
    return st;
}

DriverStatus VT_DRIVER_CALL enumerate(GpuHandle* handles, std::uint32_t* outCount) {
    const DriverStatus st = status();
    if (st != DriverOk) return st;
    const std::uint32_t n = count();
    for (std::uint32_t i = 0; i < n && i < MaxDriverGpus; ++i) {
        handles[i] = reinterpret_cast<GpuHandle>(static_cast<std::uintptr_t>(answers.word()));
    }
    *outCount = n;
    return st;
}

DriverStatus VT_DRIVER_CALL fullName(GpuHandle, char* name) {
    const DriverStatus st = status();
    if (st != DriverOk) return st;
    for (int i = 0; i < 64; ++i) name[i] = static_cast<char>(answers.byte());
    return st;
}

DriverStatus VT_DRIVER_CALL pciIdentifiers(GpuHandle, std::uint32_t* device, std::uint32_t* subsystem,
                                           std::uint32_t* revision, std::uint32_t* extended) {
    const DriverStatus st = status();
    if (st != DriverOk) return st;
    for (std::uint32_t* out : {device, subsystem, revision, extended}) {
        if (out != nullptr) *out = answers.word();
    }
    return st;
}

DriverStatus VT_DRIVER_CALL structureOfGpu(GpuHandle, void* structure) {
    const DriverStatus st = status();
    if (st == DriverOk) fill(structure);
    return st;
}

DriverStatus VT_DRIVER_CALL indexedStructure(GpuHandle, std::uint32_t, void* structure) {
    const DriverStatus st = status();
    if (st == DriverOk) fill(structure);
    return st;
}

DriverStatus VT_DRIVER_CALL chipsetInfo(void* structure) {
    const DriverStatus st = status();
    if (st == DriverOk) fill(structure);
    return st;
}

template <class Out>
DriverStatus VT_DRIVER_CALL giveHandle(Out* out) {
    const DriverStatus st = status();
    if (st == DriverOk) *out = reinterpret_cast<Out>(static_cast<std::uintptr_t>(answers.word()));
    return st;
}

DriverStatus VT_DRIVER_CALL baseProfile(DrsSession, DrsProfile* profile) { return giveHandle(profile); }

DriverStatus VT_DRIVER_CALL getSetting(DrsSession, DrsProfile, std::uint32_t, void* setting) {
    const DriverStatus st = status();
    if (st == DriverOk) fill(setting);
    return st;
}

template <class Function>
void* entry(Function function) {
    return reinterpret_cast<void*>(function);
}

// Operations that only take data answer with their status, whatever their arguments.
void* statusOnly(Operation operation) {
    switch (operation) {
        case Operation::CallEnterHook:
        case Operation::CallLeaveHook: return nullptr;  // no tracing hooks
        case Operation::NvAPI_Initialize: return entry(&refuseOrAccept<>);
        case Operation::InitializeWithFlags: return entry(&refuseOrAccept<std::uint32_t>);
        case Operation::EnableDynamicPstates: return entry(&refuseOrAccept<GpuHandle, std::uint32_t>);
        case Operation::SetPstateClientLimit: return entry(&refuseOrAccept<GpuHandle, std::uint32_t, std::uint32_t>);
        case Operation::SetCoolerLevels: return entry(&refuseOrAccept<GpuHandle, std::uint32_t, void*>);
        case Operation::RestoreCoolerSettings: return entry(&refuseOrAccept<GpuHandle, std::uint32_t*, std::uint32_t>);
        case Operation::NvAPI_DRS_DestroySession:
        case Operation::NvAPI_DRS_LoadSettings:
        case Operation::NvAPI_DRS_SaveSettings: return entry(&refuseOrAccept<DrsSession>);
        case Operation::NvAPI_DRS_SetSetting: return entry(&refuseOrAccept<DrsSession, DrsProfile, void*>);
        case Operation::NvAPI_DRS_RestoreProfileDefaultSetting:
            return entry(&refuseOrAccept<DrsSession, DrsProfile, std::uint32_t>);
        default: return entry(&refuseOrAccept<GpuHandle, void*>);  // the structure writes
    }
}

void* functionFor(Operation operation) {
    switch (test::answerShape(operation)) {
        case test::AnswerShape::Enumeration: return entry(&enumerate);
        case test::AnswerShape::Word: return entry(&giveWord<GpuHandle>);
        case test::AnswerShape::Name: return entry(&fullName);
        case test::AnswerShape::PciIdentifiers: return entry(&pciIdentifiers);
        case test::AnswerShape::Structure: return entry(&structureOfGpu);
        case test::AnswerShape::IndexedStructure: return entry(&indexedStructure);
        case test::AnswerShape::ChipsetStructure: return entry(&chipsetInfo);
        case test::AnswerShape::Session: return entry(&giveHandle<DrsSession>);
        case test::AnswerShape::Profile: return entry(&baseProfile);
        case test::AnswerShape::Setting: return entry(&getSetting);
        case test::AnswerShape::Status: break;
    }
    return statusOnly(operation);
}

}  // namespace

void useDriverAnswers(const std::uint8_t* data, std::size_t size) {
    InputReader input(data, size);
    for (std::uint8_t& bits : missingMask) bits = input.byte();
    answers = InputReader(input.rest(), input.restSize());
}

void* VT_DRIVER_CALL fuzzQueryInterface(std::uint32_t id) {
    for (std::size_t i = 0; i < OperationCount; ++i) {
        if (OperationTable[i].id != id) continue;
        if (missingMask[i / 8] & (1u << (i % 8))) return nullptr;
        return functionFor(static_cast<Operation>(i));
    }
    return nullptr;
}

}  // namespace vt::fuzz

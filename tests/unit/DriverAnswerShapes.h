// What each driver operation hands back, by the shape of its arguments:
// the tests that make up driver answers (the fault sweep's extreme values,
// the fuzz driver) fill exactly these.
#pragma once

#include "driver/DriverOperations.h"

namespace vt::test {

enum class AnswerShape {
    Status,            // nothing but its status
    Enumeration,       // handle list, count
    Word,              // handle, one 32-bit word
    Name,              // handle, 64-byte text
    PciIdentifiers,    // handle, four words
    Structure,         // handle, versioned structure
    IndexedStructure,  // handle, index, versioned structure
    ChipsetStructure,  // versioned structure only
    Session,           // a new settings session
    Profile,           // session, the base profile
    Setting,           // session, profile, setting id, versioned structure
};

constexpr AnswerShape answerShape(Operation operation) {
    switch (operation) {
        case Operation::NvAPI_EnumPhysicalGPUs:
        case Operation::EnumComputeGpus: return AnswerShape::Enumeration;
        case Operation::GetActiveOutputMask:
        case Operation::GetCurrentPstate: return AnswerShape::Word;
        case Operation::NvAPI_GPU_GetFullName: return AnswerShape::Name;
        case Operation::NvAPI_GPU_GetPCIIdentifiers: return AnswerShape::PciIdentifiers;
        case Operation::NvAPI_GPU_GetThermalSettings:
        case Operation::GetCoolerSettings: return AnswerShape::IndexedStructure;
        case Operation::NvAPI_GPU_GetAllClockFrequencies:
        case Operation::NvAPI_GPU_GetPstates20:
        case Operation::GetPowerPolicyInfo:
        case Operation::GetPowerPolicyStatus:
        case Operation::GetThermalPolicyInfo:
        case Operation::GetThermalPolicyLimit:
        case Operation::GetFanCoolerStatus:
        case Operation::GetFanCurveInfo:
        case Operation::GetFanCurve:
        case Operation::GetMemoryInfo:
        case Operation::GetGpuUsages: return AnswerShape::Structure;
        case Operation::GetChipsetInfo: return AnswerShape::ChipsetStructure;
        case Operation::NvAPI_DRS_CreateSession: return AnswerShape::Session;
        case Operation::NvAPI_DRS_GetBaseProfile: return AnswerShape::Profile;
        case Operation::NvAPI_DRS_GetSetting: return AnswerShape::Setting;
        default: return AnswerShape::Status;
    }
}

}  // namespace vt::test

#include "driver/CallLedger.h"

namespace vt {
namespace {
thread_local CallLedger* open = nullptr;
}

OpenLedger::OpenLedger(CallLedger& ledger) : previous_(open) { open = &ledger; }

OpenLedger::~OpenLedger() { open = previous_; }

void noteGpuCall(DriverStatus status) {
    if (open == nullptr) return;
    ++open->gpuCalls;
    if (meansDriverGone(status)) ++open->goneAnswers;
}

}  // namespace vt

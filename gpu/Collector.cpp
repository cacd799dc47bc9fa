#include "gpu/Collector.h"

#include <thread>
#include <utility>

#include "platform/Messages.h"
#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {

std::string collectorParameters(const std::string& outputPath) { return "-o \"" + outputPath + "\""; }

void startCollector(const std::string& outputPath, CollectorOutcome outcome) {
    // The thread owns copies: the caller's buffers may change once it returns.
    std::thread([program = lifecycle.programFolder + "/" + CollectorProgram, parameters = collectorParameters(outputPath),
                 outcome = std::move(outcome)] {
        const bool started = platform().shellExecute(nullptr, "open", program, parameters, nullptr, SwShow);
        if (outcome) outcome(started);
    }).detach();
}

}  // namespace vt

// Starts the collector exactly as the program does, from the current folder,
// so an end-to-end test can check what the collector receives:
//   collectorprobe "<output path>"
#include <chrono>
#include <thread>

#include "gpu/Collector.h"
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"
#include "state/Lifecycle.h"

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    vt::Win32Platform win32(GetModuleHandleA(nullptr));
    vt::setPlatform(&win32);
    vt::lifecycle.programFolder = win32.currentDirectory();
    vt::startCollector(argv[1]);
    // The start thread runs detached; give it time to hand over to the shell.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    return 0;
}

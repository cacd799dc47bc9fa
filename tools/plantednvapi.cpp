// A foreign driver library (nvapi.dll, or nvapi64.dll for the 64-bit tests), planted beside the program.
// Whoever loads it leaves a marker file in the current folder, so a test can
// tell that it was loaded; its query entry hands out nothing.
#include <windows.h>

#include <cstdio>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (std::FILE* marker = std::fopen("planted-nvapi-loaded.txt", "w")) {
            std::fputs("the planted nvapi.dll was loaded\n", marker);
            std::fclose(marker);
        }
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void* __cdecl nvapi_QueryInterface(unsigned int) { return nullptr; }

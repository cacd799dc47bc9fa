// Stands in for the system-information collector in end-to-end tests: writes
// how it was called to Sysdigest-call.txt beside itself, one argument a line.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    std::strcpy(slash != nullptr ? slash + 1 : path, "Sysdigest-call.txt");
    std::FILE* out = std::fopen(path, "w");
    if (out == nullptr) return 1;
    std::fprintf(out, "argc=%d\n", argc);
    for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
    std::fclose(out);
    return 0;
}

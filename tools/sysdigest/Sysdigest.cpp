// Sysdigest: the system-information collector the program starts when the
// user saves a system-information report.
//
//   Sysdigest.exe -o "<report file>"
//
// Gathers the facts a support request needs (Windows, processor, memory,
// display adapters, and the GPUs as the program's own driver layer sees
// them), writes them as one plain-text report and keeps the program's
// progress dialog informed. A GUI-subsystem program: the shell starts it
// without a console window. Exit codes: 0 written, 1 not written, 2 usage.
#include "platform/win32/Win32Include.h"

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "tools/sysdigest/CommandLine.h"
#include "tools/sysdigest/GpuFacts.h"
#include "tools/sysdigest/ProgressDialog.h"
#include "tools/sysdigest/ReportFile.h"
#include "tools/sysdigest/ReportText.h"
#include "tools/sysdigest/SystemFacts.h"

namespace {

using namespace vt::sysdigest;

constexpr const char* ReportTitle = "Vantrelis system information report";
// The program opens its progress dialog right after starting the collector.
constexpr std::uint32_t DialogPatienceMs = 3000;

// Parsed from the UTF-16 command line: the program's path may hold
// characters whose code page 932 bytes include a backslash, which would
// confuse the parsing of the 8-bit one before a quotation mark.
std::vector<std::wstring> arguments() {
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> list;
    for (int i = 1; parsed != nullptr && i < count; ++i) list.emplace_back(parsed[i]);
    LocalFree(parsed);
    return list;
}

// To the standard error the starter gave us, or else to the console of
// the shell it was typed in: a GUI-subsystem program has none of its own.
void printUsage() {
    const std::string line = std::string(Usage) + "\r\n";
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE console = INVALID_HANDLE_VALUE;
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        out = console;
    }
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE) WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
}

std::string collectorName() {
    return std::string("Sysdigest ") + VT_VERSION + (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)");
}

std::vector<ReportSection> gatherReport(ProgressDialog& progress) {
    std::vector<ReportSection> sections{reportSection(readReportTime(), collectorName())};
    sections.push_back(windowsSection(readWindowsFacts()));
    progress.advance();
    sections.push_back(processorSection(readProcessorFacts()));
    progress.advance();
    sections.push_back(memorySection(readMemoryFacts()));
    progress.advance();
    for (ReportSection& display : displaySections(readDisplayAdapters())) sections.push_back(std::move(display));
    progress.advance();
    for (ReportSection& gpu : gpuSections()) sections.push_back(std::move(gpu));
    progress.advance();
    return sections;
}

}  // namespace

int main() {
    const std::optional<std::wstring> path = reportPathArgument(arguments());
    if (!path) {
        printUsage();
        return 2;
    }
    vt::Win32Platform win32(GetModuleHandleA(nullptr));
    vt::setPlatform(&win32);
    ProgressDialog progress = ProgressDialog::find(DialogPatienceMs);
    const std::string report = formatReport(ReportTitle, gatherReport(progress));
    const bool written = writeReportFile(*path, report);
    if (written) progress.reportWritten();
    else progress.reportFailed();
    vt::setPlatform(nullptr);
    return written ? 0 : 1;
}

#include "tools/sysdigest/SystemFacts.h"

#include "platform/win32/Win32Include.h"

#include <string>

namespace vt::sysdigest {
namespace {

std::string utf8FromWide(const wchar_t* text, int length = -1) {
    if (text == nullptr || length == 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0) out.resize(out.size() - 1);  // the terminator came along
    return out;
}

// Text from an ANSI function is in the system's code page.
std::string utf8FromAnsi(const char* text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    return utf8FromWide(wide.c_str());
}

// One value of a local-machine key, from the machine's own (64-bit) view
// even in a 32-bit collector, whose registry view would be redirected.
bool readRegistry(const wchar_t* key, const wchar_t* name, DWORD type, void* value, DWORD size) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegGetValueW(opened, nullptr, name, type, nullptr, value, &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

// A string value, trimmed; empty when absent.
std::string registryText(const wchar_t* key, const wchar_t* name) {
    wchar_t value[512] = {};
    if (!readRegistry(key, name, RRF_RT_REG_SZ, value, sizeof value)) return {};
    std::string text = utf8FromWide(value);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// A number value; 0 when absent.
DWORD registryNumber(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    return readRegistry(key, name, RRF_RT_REG_DWORD, &value, sizeof value) ? value : 0;
}

constexpr const wchar_t* CurrentVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const wchar_t* ProcessorKey = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

template <class Function>
Function ntdllFunction(const char* name) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name))) : nullptr;
}

// Windows' own version: GetVersionEx answers what the program's manifest
// claims to know, not what runs.
void readVersion(WindowsFacts& facts) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    auto rtlGetVersion = ntdllFunction<RtlGetVersionFn>("RtlGetVersion");
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return;
    facts.versionRead = true;
    facts.major = info.dwMajorVersion;
    facts.minor = info.dwMinorVersion;
    facts.build = info.dwBuildNumber;
    facts.server = info.wProductType != VER_NT_WORKSTATION;
    facts.servicePack = utf8FromWide(info.szCSDVersion);
}

// Wine says which Wine it is through an export of its ntdll; a support
// reader needs to know the system is not Windows itself.
std::string compatibilityLayer() {
    using WineVersionFn = const char*(CDECL*)();
    auto wineVersion = ntdllFunction<WineVersionFn>("wine_get_version");
    return wineVersion ? std::string("Wine ") + wineVersion() : std::string();
}

// The monitors on an adapter by their descriptions.
std::vector<std::string> monitorNames(const char* adapter) {
    std::vector<std::string> names;
    DISPLAY_DEVICEA monitor{};
    monitor.cb = sizeof monitor;
    for (DWORD index = 0; EnumDisplayDevicesA(adapter, index, &monitor, 0); ++index) {
        names.push_back(utf8FromAnsi(monitor.DeviceString));
        monitor = DISPLAY_DEVICEA{};
        monitor.cb = sizeof monitor;
    }
    return names;
}

}  // namespace

ReportTime readReportTime() {
    ReportTime time;
    SYSTEMTIME local{};
    GetLocalTime(&local);
    time.local = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    if (kind != TIME_ZONE_ID_INVALID) {
        // The bias is what local time adds to reach UTC.
        LONG bias = zone.Bias;
        if (kind == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
        if (kind == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
        time.offsetKnown = true;
        time.utcOffsetMinutes = -static_cast<int>(bias);
    }
    return time;
}

WindowsFacts readWindowsFacts() {
    WindowsFacts facts;
    readVersion(facts);
    facts.updateRevision = registryNumber(CurrentVersionKey, L"UBR");
    facts.edition = registryText(CurrentVersionKey, L"EditionID");
    facts.displayVersion = registryText(CurrentVersionKey, L"DisplayVersion");
    if (facts.displayVersion.empty()) facts.displayVersion = registryText(CurrentVersionKey, L"ReleaseId");
    facts.compatibilityLayer = compatibilityLayer();
    return facts;
}

ProcessorFacts readProcessorFacts() {
    ProcessorFacts facts;
    facts.name = registryText(ProcessorKey, L"ProcessorNameString");
    facts.vendor = registryText(ProcessorKey, L"VendorIdentifier");
    facts.megahertz = registryNumber(ProcessorKey, L"~MHz");
    SYSTEM_INFO system{};
    // The machine's architecture, not this process's: a 32-bit collector
    // runs on 64-bit Windows too.
    GetNativeSystemInfo(&system);
    facts.architecture = system.wProcessorArchitecture;
    const DWORD active = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    facts.logicalProcessors = active != 0 ? active : system.dwNumberOfProcessors;
    return facts;
}

MemoryFacts readMemoryFacts() {
    MemoryFacts facts;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return facts;
    facts.read = true;
    facts.totalPhysical = status.ullTotalPhys;
    facts.availablePhysical = status.ullAvailPhys;
    facts.loadPercent = status.dwMemoryLoad;
    return facts;
}

std::vector<DisplayAdapterFacts> readDisplayAdapters() {
    std::vector<DisplayAdapterFacts> adapters;
    DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    for (DWORD index = 0; EnumDisplayDevicesA(nullptr, index, &device, 0); ++index) {
        DisplayAdapterFacts adapter;
        adapter.deviceName = utf8FromAnsi(device.DeviceName);
        adapter.description = utf8FromAnsi(device.DeviceString);
        adapter.deviceId = utf8FromAnsi(device.DeviceID);
        adapter.flags = device.StateFlags;
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        if (EnumDisplaySettingsA(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) {
            adapter.modeKnown = true;
            adapter.width = mode.dmPelsWidth;
            adapter.height = mode.dmPelsHeight;
            adapter.bitsPerPixel = mode.dmBitsPerPel;
            adapter.frequency = mode.dmDisplayFrequency;
        }
        adapter.monitors = monitorNames(device.DeviceName);
        adapters.push_back(std::move(adapter));
        device = DISPLAY_DEVICEA{};
        device.cb = sizeof device;
    }
    return adapters;
}

}  // namespace vt::sysdigest

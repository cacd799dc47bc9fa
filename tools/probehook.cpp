// Hook procedures that windowprobe.exe installs into the program under test,
// so that the test can see what only that process can see: which icon its
// window class uses, which windows it creates, and which texts it draws.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void appendLine(const char* line) {
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    lstrcatA(path, "vantrelis-probe.txt");
    if (std::FILE* out = std::fopen(path, "a")) {
        std::fprintf(out, "%s\n", line);
        std::fclose(out);
    }
}

// LoadIcon hands out one shared handle per resource, so the class icon is
// identified by comparing it with the program's own icons.
void reportClassIcon(HWND window) {
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    HICON small = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    int found = 0;
    int foundSmall = 0;
    for (int id = 161; id <= 164; ++id) {
        HICON candidate = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        if (candidate == icon) found = id;
        if (candidate == small) foundSmall = id;
    }
    char line[64];
    std::snprintf(line, sizeof line, "classicon %d %d", found, foundSmall);
    appendLine(line);
}

// --- the texts a paint draws ------------------------------------------------------
//
// The program draws every text with GDI+'s GdipDrawString (for one paint
// directly, see reportTexts). For that paint the program's import of it is
// pointed at a recorder that notes each text with its position and brush
// colour and then draws it as before.

struct LayoutRect {
    float x, y, width, height;
};
using DrawString = int(WINAPI*)(void* graphics, const WCHAR* text, INT length, const void* font,
                                const LayoutRect* layout, const void* format, const void* brush);
using SolidFillColour = int(WINAPI*)(const void* brush, DWORD* argb);

DrawString originalDrawString = nullptr;

// Texts in the Japanese code page, as the tests read the probe's output;
// line breaks become "|".
std::string japanese(const WCHAR* text, INT length) {
    const int count = length < 0 ? lstrlenW(text) : length;
    std::string out(static_cast<std::size_t>(count) * 2 + 1, '\0');
    const int written = WideCharToMultiByte(932, 0, text, count, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    for (char& c : out) {
        if (c == '\n') c = '|';
        if (c == '\r') c = ' ';
    }
    return out;
}

int WINAPI recordDrawString(void* graphics, const WCHAR* text, INT length, const void* font,
                            const LayoutRect* layout, const void* format, const void* brush) {
    static const auto colourOf = reinterpret_cast<SolidFillColour>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdiplus.dll"), "GdipGetSolidFillColor")));
    DWORD argb = 0;
    if (colourOf != nullptr && brush != nullptr) colourOf(brush, &argb);
    char head[64];
    std::snprintf(head, sizeof head, "text x=%d y=%d argb=%08lX ", layout != nullptr ? static_cast<int>(layout->x) : 0,
                  layout != nullptr ? static_cast<int>(layout->y) : 0, static_cast<unsigned long>(argb));
    appendLine((head + (text != nullptr ? japanese(text, length) : std::string())).c_str());
    return originalDrawString(graphics, text, length, font, layout, format, brush);
}

// The slot of the module's import address table that holds `function` of `library`.
void** importSlot(HMODULE module, const char* library, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
         ++entry) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), library) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
    }
    return nullptr;
}

void reportTexts(HWND window) {
    void** slot = importSlot(GetModuleHandleA(nullptr), "gdiplus.dll", "GdipDrawString");
    DWORD protection = 0;
    if (slot == nullptr || !VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        appendLine("texts unavailable");
        appendLine("texts end");
        return;
    }
    originalDrawString = reinterpret_cast<DrawString>(*slot);
    *slot = reinterpret_cast<void*>(recordDrawString);
    // The program keeps drawn texts and lays them over again from memory;
    // for this one paint it draws each through GdipDrawString.
    SetEnvironmentVariableA("VANTRELIS_DRAW_TEXTS_DIRECTLY", "1");
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SetEnvironmentVariableA("VANTRELIS_DRAW_TEXTS_DIRECTLY", nullptr);
    *slot = reinterpret_cast<void*>(originalDrawString);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    appendLine("texts end");
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probeMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message->message == WM_NULL && message->wParam == 0x5650 && message->lParam == 0x524F) {
            reportClassIcon(message->hwnd);
        }
        if (message->message == WM_NULL && message->wParam == 0x5650 && message->lParam == 0x5458) {
            reportTexts(message->hwnd);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK probeCreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        char line[300];
        const char* title = create->lpcs->lpszName != nullptr ? create->lpcs->lpszName : "";
        std::snprintf(line, sizeof line, "created pid=%lu title=%s", GetCurrentProcessId(), title);
        appendLine(line);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

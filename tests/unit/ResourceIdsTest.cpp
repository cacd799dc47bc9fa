// Every identifier the code asks the resources for is in the program's
// compiled resources: each dialog with the controls the code addresses, each
// icon, string and the accelerator table, and the product version. Read
// from the built Vantrelis.exe beside the tests, so it runs where the
// Windows build's tests run (under Wine).
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "resources/ProductVersion.h"
#include "resources/ResourceIds.h"

namespace vt {
namespace {

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring program(path);
        program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"Vantrelis.exe";
        module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module != nullptr) FreeLibrary(module);
        module = nullptr;
    }

    static std::vector<std::uint8_t> resource(int id, LPCWSTR type) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(module, found);
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
        return {bytes, bytes + SizeofResource(module, found)};
    }

    static HMODULE module;
};

HMODULE ProgramResources::module = nullptr;

// The resource types, as the wide calls take them.
const LPCWSTR Dialog = MAKEINTRESOURCEW(5);       // RT_DIALOG
const LPCWSTR GroupIcon = MAKEINTRESOURCEW(14);   // RT_GROUP_ICON
const LPCWSTR Accelerators = MAKEINTRESOURCEW(9); // RT_ACCELERATOR
const LPCWSTR Version = MAKEINTRESOURCEW(16);     // RT_VERSION
const LPCWSTR Manifest = MAKEINTRESOURCEW(24);    // RT_MANIFEST

// Reads a dialog template (the extended form the resource compiler writes
// for DIALOGEX) far enough to list its controls' identifiers.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::set<int> controlIds() {
        std::set<int> ids;
        if (word() != 1 || word() != 0xFFFF) return ids;  // version 1 of the extended template
        skip(4 + 4);                                      // help id, extended style
        const std::uint32_t style = dword();
        const int count = word();
        skip(4 * 2);  // x, y, cx, cy
        nameOrOrdinal();  // menu
        nameOrOrdinal();  // class
        text();           // title
        if (style & DS_SETFONT) {
            skip(2 + 2 + 1 + 1);
            text();
        }
        for (int i = 0; i < count && at_ < bytes_.size(); ++i) {
            align();
            skip(4 + 4 + 4 + 4 * 2);  // help id, extended style, style, x, y, cx, cy
            ids.insert(static_cast<int>(dword()));
            nameOrOrdinal();  // class
            nameOrOrdinal();  // title
            skip(word());     // creation data
        }
        return ids;
    }

private:
    std::uint16_t word() {
        std::uint16_t value = 0;
        if (at_ + 2 <= bytes_.size()) std::memcpy(&value, bytes_.data() + at_, 2);
        at_ += 2;
        return value;
    }
    std::uint32_t dword() {
        std::uint32_t value = 0;
        if (at_ + 4 <= bytes_.size()) std::memcpy(&value, bytes_.data() + at_, 4);
        at_ += 4;
        return value;
    }
    void skip(std::size_t count) { at_ += count; }
    void align() { at_ = (at_ + 3) & ~std::size_t{3}; }
    void text() {
        while (at_ < bytes_.size() && word() != 0) {
        }
    }
    void nameOrOrdinal() {
        const std::uint16_t first = word();
        if (first == 0xFFFF) {
            word();
        } else if (first != 0) {
            text();
        }
    }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

TEST_F(ProgramResources, EveryDialogHoldsTheControlsTheCodeAddresses) {
    ASSERT_NE(module, nullptr) << "Vantrelis.exe is not beside the tests";
    struct Case {
        int dialog;
        std::set<int> controls;
    } cases[] = {
        {IDD_SETTINGS,
         {IDC_TABS, IDC_SLOT_1, IDC_SLOT_2, IDC_SLOT_3, IDC_SLOT_4, IDC_SLOT_5, IDC_SLOT_6, IDC_FRAME_1, IDC_FRAME_2,
          IDC_FRAME_3, IDC_FRAME_4, IDC_FRAME_5, IDC_FRAME_6, IDC_CLEAR_HISTORY}},
        {IDD_SAVE_ERROR, {IDOK}},
        {IDD_OPEN_ERROR, {IDOK}},
        {IDD_SYSINFO_ERROR, {IDOK}},
        {IDD_HISTORY_ERROR, {IDOK}},
        {IDD_PROGRESS, {IDC_PROGRESS_BAR, IDC_PROGRESS_TEXT}},
        {IDD_ADVANCED_WARNING, {IDC_WARNING_AGREE, IDC_WARNING_CANCEL}},
        {IDD_RESET_CONFIRM, {IDC_RESET_OK, IDC_RESET_CANCEL}},
        {IDD_CURVE_NOTICE, {IDC_CURVE_NOTICE_OK}},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = resource(c.dialog, Dialog);
        ASSERT_FALSE(bytes.empty()) << "dialog " << c.dialog;
        const std::set<int> found = TemplateReader(bytes).controlIds();
        for (int control : c.controls) EXPECT_TRUE(found.count(control)) << "dialog " << c.dialog << " control " << control;
    }
}

TEST_F(ProgramResources, IconsStringsAndKeysAreThere) {
    ASSERT_NE(module, nullptr);
    for (int icon : {IDI_PRESET_CUSTOM, IDI_PRESET_ECO, IDI_PRESET_DEFAULT, IDI_PRESET_HIGHPERFORMANCE}) {
        EXPECT_FALSE(resource(icon, GroupIcon).empty()) << "icon " << icon;
    }
    struct Text {
        int id;
        const wchar_t* text;
    } texts[] = {{IDS_TITLE, L"Vantrelis"}, {IDS_CLASS, L"VANTRELIS"}};
    for (const Text& t : texts) {
        wchar_t buffer[64] = {};
        EXPECT_GT(LoadStringW(module, static_cast<UINT>(t.id), buffer, 64), 0) << "string " << t.id;
        EXPECT_STREQ(buffer, t.text);
    }
    const std::vector<std::uint8_t> keys = resource(IDA_MAIN, Accelerators);
    ASSERT_EQ(keys.size(), 2 * 8u);  // two entries of flags, key, command, padding
    for (std::size_t entry = 0; entry < 2; ++entry) {
        std::uint16_t command = 0;
        std::memcpy(&command, keys.data() + entry * 8 + 4, 2);
        EXPECT_EQ(command, IDM_ACCEL_SWALLOW);
    }
}

TEST_F(ProgramResources, VersionInformationCarriesTheProductVersion) {
    ASSERT_NE(module, nullptr);
    const std::vector<std::uint8_t> info = resource(1, Version);
    ASSERT_FALSE(info.empty());
    VS_FIXEDFILEINFO fixed{};
    const std::uint32_t signature = 0xFEEF04BD;
    for (std::size_t at = 0; at + sizeof fixed <= info.size(); at += 4) {
        if (std::memcmp(info.data() + at, &signature, 4) == 0) {
            std::memcpy(&fixed, info.data() + at, sizeof fixed);
            break;
        }
    }
    EXPECT_EQ(fixed.dwFileVersionMS, static_cast<DWORD>(MAKELONG(VT_VERSION_MINOR, VT_VERSION_MAJOR)));
    EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
    const std::wstring wide(reinterpret_cast<const wchar_t*>(info.data()), info.size() / 2);
    const std::string narrow = VT_VERSION_TEXT;
    EXPECT_NE(wide.find(std::wstring(narrow.begin(), narrow.end())), std::wstring::npos);
}

// The manifest asks for the common controls of the program's own width: a
// 64-bit program that names the x86 assembly does not start on Windows.
TEST_F(ProgramResources, TheManifestNamesThisWidthAndTheProductVersion) {
    ASSERT_NE(module, nullptr);
    const std::vector<std::uint8_t> bytes = resource(1, Manifest);
    ASSERT_FALSE(bytes.empty());
    const std::string text(bytes.begin(), bytes.end());
    const std::string architecture =
        std::string("processorArchitecture=\"") + (sizeof(void*) == 8 ? "amd64" : "x86") + "\"";
    std::size_t named = 0;
    for (std::size_t at = text.find("processorArchitecture="); at != std::string::npos;
         at = text.find("processorArchitecture=", at + 1)) {
        EXPECT_EQ(text.compare(at, architecture.size(), architecture), 0) << text.substr(at, 40);
        ++named;
    }
    EXPECT_EQ(named, 2u);  // the program's own identity and the common controls
    const std::string version = std::string("version=\"") + VT_VERSION_TEXT + ".0.0\"";
    EXPECT_NE(text.find(version), std::string::npos) << text;
}

}  // namespace
}  // namespace vt

#endif

// Writes the fuzz targets' seed corpora from real files the program writes:
// the profile and the history of simulated cards, read back through the
// program's own start-up, apply and history code, and entries of the skin
// archive this build packed. Run: fuzz_make_corpus <corpus folder>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "app/shell/StateReset.h"
#include "driver/DriverBinder.h"
#include "driver/SystemLibraryLoader.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "sim/Simulator.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/fuzz/FuzzSupport.h"
#include "ui/SkinArchive.h"
#include "ui/SkinEntrySizes.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

void writeSeed(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The program up on these simulated cards, as start-up and the first
// monitoring pass leave it.
bool startOn(const std::vector<std::string>& models) {
    vt::sim::SimConfig config;
    for (const std::string& model : models) {
        vt::sim::SimGpu gpu;
        if (!vt::sim::cardModel(model, gpu)) return false;
        config.gpus.push_back(gpu);
    }
    config.gpus.front().outputMask = 1;
    vt::binder::resetBinding();
    vt::resetSystemLibraryLoader();
    vt::sim::Simulator::instance().reset(config);
    const std::string folder = vt::lifecycle.programFolder;
    vt::resetLifecycle();
    vt::resetAllState();
    vt::lifecycle.programFolder = folder;
    if (vt::buildInventory().failure != vt::InventoryResult::None) return false;
    vt::monitoringPass();
    vt::endMonitoring();
    return true;
}

void writeProfileFile(const std::string& path) {
    if (std::FILE* out = std::fopen(path.c_str(), "w")) {
        vt::writeProfile(out, vt::tuning, vt::inventory, vt::currentGpuIndex());
        std::fclose(out);
    }
}

// A history of `records` applies, each with other values.
Bytes history(int records) {
    vt::resetHistory();
    for (int i = 0; i < records; ++i) {
        vt::tuning.fanLevel = i % 4;
        vt::tuning.pstate = i - 1;
        vt::recordApply([](std::FILE* out) { vt::writeProfile(out, vt::tuning, vt::inventory, vt::currentGpuIndex()); });
        vt::finishHistoryWriter();
    }
    return fileBytes(vt::historyPath());
}

Bytes header(int a, int b, int c) { return Bytes{char(a), char(b), char(c)}; }

void profileAndHistorySeeds(const fs::path& corpus) {
    struct Rig {
        std::string name;
        std::vector<std::string> cards;
    } rigs[] = {{"current", {"current"}}, {"cooler", {"cooler", "legacy"}}, {"unlisted", {"unlisted"}}};
    for (const Rig& rig : rigs) {
        if (!startOn(rig.cards)) {
            std::cerr << "the simulated rig " << rig.name << " did not start\n";
            continue;
        }
        writeProfileFile("seed.cfg");
        const Bytes profile = fileBytes("seed.cfg");
        const Bytes three = history(3);
        const Bytes six = history(6);
        // reader 0/1 whole file, 2/3 in a record, 4 the count, 5 the check
        for (int reader = 0; reader < 6; ++reader) {
            writeSeed(corpus / "profile_reader", rig.name + "-profile-" + std::to_string(reader),
                      header(reader, reader * 3, 1) + profile);
            writeSeed(corpus / "profile_reader", rig.name + "-history-" + std::to_string(reader),
                      header(reader, reader * 3 + 1, reader + 1) + six);
        }
        writeSeed(corpus / "history_writer", rig.name + "-three", three);
        writeSeed(corpus / "history_writer", rig.name + "-six", six);
        writeSeed(corpus / "history_writer", rig.name + "-profile", profile);
    }
    writeSeed(corpus / "history_writer", "empty", "");
}

void skinSeeds(const fs::path& corpus) {
    std::FILE* archive = vt::openSkinArchive(VT_TEST_SKIN_ARCHIVE);
    if (archive == nullptr) {
        std::cerr << "no skin archive at " << VT_TEST_SKIN_ARCHIVE << "\n";
        return;
    }
    for (int entry : {1, 2, 22, 40, 98, 99}) {
        std::vector<std::uint8_t> plain;
        if (!vt::readSkinEntry(archive, entry, plain)) continue;
        Bytes stored{char(entry), char(entry == 22 ? 7 : 3)};
        for (std::uint8_t byte : plain) stored += char(byte + 1);
        writeSeed(corpus / "skin_archive", "entry-" + std::to_string(entry), stored);
    }
    std::fclose(archive);
}

// Answers in the fuzz driver's form: the lacking-operations mask, the
// choices byte, then call by call; every byte not given reads 0, a success
// with zero fields.
void driverSeeds(const fs::path& corpus) {
    auto word = [](std::uint32_t value) {
        return Bytes{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    };
    auto name = [](const std::string& text) { return Bytes(1, '\0') + text + Bytes(64 - text.size(), '\0'); };
    const Bytes mask(6, '\0');
    const Bytes init = Bytes(2, '\0');  // the binder's and the start-up's initialisation
    Bytes one = mask + char(0x20) + init + '\0' + char(1) + word(0x100) + char(0xF4);
    one += name("NVIDIA GeForce RTX 3080");
    writeSeed(corpus / "driver_answers", "one-gpu", one);
    Bytes two = mask + char(0x25) + init + '\0' + char(2) + word(0x100) + word(0x200) + '\0' + char(1) + word(0x300);
    two += name("NVIDIA GeForce GTX 1080") + name("Quadro") + name("NVIDIAx");
    writeSeed(corpus / "driver_answers", "three-gpus", two);
    writeSeed(corpus / "driver_answers", "no-gpu", mask + char(0) + init + '\0' + char(0) + char(0xF4));
    writeSeed(corpus / "driver_answers", "lacking-all", Bytes(6, char(0xFF)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_corpus <corpus folder>\n";
        return 2;
    }
    const fs::path corpus = fs::absolute(argv[1]);
    vt::FakePlatform& fake = vt::fuzz::fuzzPlatform();
    fake.addModule(vt::binder::DriverLibraryName,
                   {{{"nvapi_QueryInterface", reinterpret_cast<void*>(vt::sim::queryInterfaceEntry())}}});
    vt::sim::Simulator::instance().useManualClock();
    profileAndHistorySeeds(corpus);
    skinSeeds(corpus);
    driverSeeds(corpus);
    return 0;
}

// How fast the skinned window draws, measured on the host: the blend table's
// build, one paint of the start-up tree's images against one plain copy of a
// frame, and the process's memory once the tree stands.
//
//   vt_view_benchmark [archive]   (default: the archive this build packed)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/FakePlatform.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/BackBuffer.h"
#include "ui/BlendTable.h"
#include "ui/SkinArchive.h"
#include "ui/WidgetLayout.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Work>
double milliseconds(Work work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Spread {
    double median;
    double best;
};

Spread spread(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

std::string statusLine(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return line.substr(line.find_first_not_of(" \t", line.find(':') + 1));
    }
    return "n/a";
}

void printMemory(const char* when) {
    std::printf("memory %-28s VmRSS %s, VmHWM %s\n", when, statusLine("VmRSS").c_str(), statusLine("VmHWM").c_str());
}

// What a paint of the tree has to do: pixels by the alpha they are blended with.
void printPixelMix(const vt::View& root) {
    long opaque = 0, clear = 0, blended = 0;
    auto count = [&](const vt::View& view) {
        if (view.kind() != vt::KindImage && view.kind() != vt::KindPictureFile) return;
        const vt::ViewImage& image = view.normalImage();
        for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
            const std::uint8_t alpha = vt::scaledAlpha(image.pixels[i], view.opacity());
            (alpha == 255 ? opaque : alpha == 0 ? clear : blended) += 1;
        }
    };
    count(root);
    for (std::size_t i = 0; i < root.childCount(); ++i) {
        if (root.child(i)->visible()) count(*root.child(i));
    }
    std::printf("pixels per paint: %ld copied (alpha 255), %ld left (alpha 0), %ld blended through the table\n", opaque,
                clear, blended);
}

volatile std::uint8_t sink;  // keeps the work from being optimised away

}  // namespace

int main(int argc, char** argv) {
    const char* archivePath = argc > 1 ? argv[1] : VT_TEST_SKIN_ARCHIVE;
    vt::FakePlatform fake;
    vt::setPlatform(&fake);
    printMemory("at start:");

    // The program builds the table once, cold: that is its start-up cost.
    const double coldBuild = milliseconds([] { sink = vt::BlendTable::shared().blend(1, 2, 3); });
    printMemory("with the blend table:");

    std::FILE* archive = vt::openSkinArchive(archivePath);
    if (archive == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", archivePath);
        return 1;
    }
    vt::resetLifecycle();
    std::unique_ptr<vt::View> root;
    const double treeBuild =
        milliseconds([&] { root = vt::buildWidgetTree(archive, {}, vt::widgets, vt::widgetTexts); });
    std::fclose(archive);
    if (root == nullptr) {
        std::fprintf(stderr, "the tree could not be built from %s\n", archivePath);
        return 1;
    }
    printMemory("with the tree built:");

    std::vector<double> warmBuilds;
    for (int run = 0; run < 7; ++run) {
        warmBuilds.push_back(milliseconds([] {
            vt::BlendTable table;
            sink = table.blend(1, 2, 3);
        }));
    }
    const Spread warm = spread(warmBuilds);
    std::printf("BlendTable build: %.2f ms cold (once, as at start-up); %.2f ms median, %.2f ms best of 7 more\n",
                coldBuild, warm.median, warm.best);
    std::printf("tree build (root + every widget, images decoded by the test decoder): %.1f ms\n", treeBuild);
    printPixelMix(*vt::widgets.root);

    // Copies and paints alternate, so that both see the same machine load.
    constexpr int Width = 640, Height = 650, Rounds = 501;
    std::vector<std::uint8_t> frame(std::size_t{Width} * Height * 4, 0x40);
    std::vector<std::uint8_t> copy(frame.size());
    vt::BackBuffer buffer;
    buffer.attach(frame.data(), Width, Height);
    std::vector<double> copies, paints;
    for (int round = 0; round < Rounds; ++round) {
        copies.push_back(milliseconds([&] {
            std::memcpy(copy.data(), frame.data(), frame.size());
            sink = copy[copy.size() / 2];
        }));
        paints.push_back(milliseconds([&] {
            vt::widgets.root->draw(buffer);
            sink = frame[frame.size() / 3];
        }));
    }
    const Spread copied = spread(copies);
    const Spread painted = spread(paints);
    std::printf("plain copy of a %dx%dx4 frame: %.3f ms median, %.3f ms best of %d\n", Width, Height, copied.median,
                copied.best, Rounds);
    std::printf("start-up tree drawn into the back buffer: %.3f ms median, %.3f ms best of %d\n", painted.median,
                painted.best, Rounds);
    std::printf("paint / copy: %.2f (medians), %.2f (best)\n", painted.median / copied.median,
                painted.best / copied.best);

    vt::widgets = vt::Widgets{};
    root.reset();
    vt::setPlatform(nullptr);
    return 0;
}

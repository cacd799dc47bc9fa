#include "ui/SkinArchive.h"

#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>

#include "app/shell/MainWindow.h"
#include "app/ShellState.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/TestImages.h"
#include "tests/unit/TestSupport.h"
#include "ui/SkinEntrySizes.h"

namespace vt {
namespace {

std::uint64_t archiveLength() {
    return std::accumulate(std::begin(SkinEntrySizes), std::end(SkinEntrySizes), std::uint64_t{0});
}

// Closes the archive when the test is done with it.
struct OpenArchive {
    explicit OpenArchive(const char* path) : file(std::fopen(path, "rb")) {}
    ~OpenArchive() {
        if (file != nullptr) std::fclose(file);
    }
    std::FILE* file;
};

std::string realArchive() {
    const std::string bytes = test::readFile(VT_TEST_SKIN_ARCHIVE);
    EXPECT_EQ(bytes.size(), archiveLength()) << "the build's archive and size table do not match";
    return bytes;
}

class SkinArchiveTest : public test::PlatformTest {
protected:
    SkinArchiveTest() {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        View::setImageFailureHandler(quitOnImageFailure);
    }
    ~SkinArchiveTest() override {
        View::setImageFailureHandler(nullptr);
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
    }
};

TEST_F(SkinArchiveTest, EntriesFollowEachOtherInNumberOrder) {
    EXPECT_EQ(skinEntryOffset(0), 0u);
    EXPECT_EQ(skinEntryOffset(1), SkinEntrySizes[0]);
    EXPECT_EQ(skinEntryOffset(2), std::uint64_t{SkinEntrySizes[0]} + SkinEntrySizes[1]);
    EXPECT_EQ(skinEntryOffset(99) + SkinEntrySizes[99], archiveLength());
    EXPECT_EQ(test::readFile(VT_TEST_SKIN_ARCHIVE).size(), archiveLength());
}

TEST_F(SkinArchiveTest, EachEntryIsReadFromItsOwnOffsetAndDecodedByteWise) {
    // Every stored byte of entry i is i + 1, so it reads back as i.
    std::string stored;
    for (int entry = 0; entry < SkinEntryCount; ++entry) {
        stored.append(SkinEntrySizes[entry], static_cast<char>(entry + 1));
    }
    // Entry 2 starts with the two ends of the byte coding.
    const std::size_t entry2 = skinEntryOffset(2);
    stored[entry2] = '\x00';
    stored[entry2 + 1] = '\x01';
    stored[entry2 + 2] = '\xFF';
    test::writeBinaryFile("imgTemp", stored);
    OpenArchive archive("imgTemp");
    ASSERT_NE(archive.file, nullptr);

    std::vector<std::uint8_t> plain;
    for (int entry : {1, 0, 99, 42}) {
        ASSERT_TRUE(readSkinEntry(archive.file, entry, plain));
        ASSERT_EQ(plain.size(), SkinEntrySizes[entry]);
        EXPECT_EQ(plain.front(), entry) << "entry " << entry;
        EXPECT_EQ(plain.back(), entry) << "entry " << entry;
    }
    ASSERT_TRUE(readSkinEntry(archive.file, 2, plain));
    EXPECT_EQ(plain[0], 0xFF);
    EXPECT_EQ(plain[1], 0x00);
    EXPECT_EQ(plain[2], 0xFE);
    EXPECT_EQ(plain[3], 2);
}

TEST_F(SkinArchiveTest, WhatAShortArchiveLacksReadsAsTheFillByteMinusOne) {
    const std::string full = realArchive();
    const std::size_t half = SkinEntrySizes[1] / 2;
    test::writeBinaryFile("short", full.substr(0, skinEntryOffset(1) + half));
    OpenArchive archive("short");
    ASSERT_NE(archive.file, nullptr);

    std::vector<std::uint8_t> plain;
    ASSERT_TRUE(readSkinEntry(archive.file, 1, plain));
    EXPECT_EQ(plain[0], static_cast<std::uint8_t>(full[skinEntryOffset(1)] - 1));
    EXPECT_EQ(plain[half - 1], static_cast<std::uint8_t>(full[skinEntryOffset(1) + half - 1] - 1));
    EXPECT_EQ(std::count(plain.begin() + static_cast<std::ptrdiff_t>(half), plain.end(), 0x2F),
              static_cast<std::ptrdiff_t>(plain.size() - half));
    ASSERT_TRUE(readSkinEntry(archive.file, 50, plain));
    EXPECT_EQ(std::count(plain.begin(), plain.end(), 0x2F), static_cast<std::ptrdiff_t>(plain.size()));

    // Such an entry still loads (nothing failed to allocate) but does not decode.
    std::unique_ptr<View> root(new View({0, 0}, nullptr, KindText, nullptr, 0));
    View* knob = nullptr;
    EXPECT_TRUE(loadSkinEntry(archive.file, 1, knob, 228, 421, root.get(), false, false));
    ASSERT_NE(knob, nullptr);
    EXPECT_FALSE(knob->normalImage().hasPixels());
    EXPECT_EQ(fake.count("debugOutput 画像読み込みに失敗しました\n"), 1);
    EXPECT_EQ(fake.quitCode(), 0);
}

TEST_F(SkinArchiveTest, LoadsANewViewOrAddsItsPressedOrHoverImage) {
    OpenArchive archive(VT_TEST_SKIN_ARCHIVE);
    ASSERT_NE(archive.file, nullptr);
    std::unique_ptr<View> root(new View({0, 0}, nullptr, KindText, nullptr, 0));

    View* button = nullptr;
    ASSERT_TRUE(loadSkinEntry(archive.file, 12, button, 514, 330, root.get(), false, false));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parent(), root.get());
    EXPECT_EQ(button->position(), (Point{514, 330}));
    EXPECT_EQ(button->kind(), KindImage);
    EXPECT_EQ(button->normalImage().width, 96);
    EXPECT_EQ(button->normalImage().height, 24);

    View* const made = button;
    ASSERT_TRUE(loadSkinEntry(archive.file, 11, button, 1, 2, nullptr, true, false));
    ASSERT_TRUE(loadSkinEntry(archive.file, 10, button, 3, 4, nullptr, false, true));
    ASSERT_TRUE(loadSkinEntry(archive.file, 1, button, 3, 4, nullptr, true, true));  // pressed wins
    EXPECT_EQ(button, made);
    EXPECT_EQ(button->position(), (Point{514, 330}));
    EXPECT_EQ(root->childCount(), 1u);
    EXPECT_EQ(button->pressedImage().width, 16);  // the knob, entry 1
    EXPECT_EQ(button->hoverImage().width, 96);
    EXPECT_EQ(fake.count("debugOutput"), 0);
}

TEST_F(SkinArchiveTest, RefusesUnknownEntriesAndMissingViews) {
    OpenArchive archive(VT_TEST_SKIN_ARCHIVE);
    View* view = nullptr;
    std::vector<std::uint8_t> plain;
    EXPECT_FALSE(readSkinEntry(archive.file, -1, plain));
    EXPECT_FALSE(readSkinEntry(archive.file, SkinEntryCount, plain));
    EXPECT_FALSE(loadSkinEntry(archive.file, 100, view, 0, 0, nullptr, false, false));
    EXPECT_FALSE(loadSkinEntry(archive.file, 11, view, 0, 0, nullptr, true, false));
    EXPECT_FALSE(loadSkinEntry(archive.file, 10, view, 0, 0, nullptr, false, true));
    EXPECT_EQ(view, nullptr);
}

TEST_F(SkinArchiveTest, RootIsEntryZeroWithoutABackgroundPicture) {
    OpenArchive archive(VT_TEST_SKIN_ARCHIVE);
    std::unique_ptr<View> root(createRootView(archive.file));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->kind(), KindImage);
    EXPECT_EQ(root->parent(), nullptr);
    EXPECT_EQ(root->position(), (Point{0, 0}));
    EXPECT_EQ(root->normalImage().width, 640);
    EXPECT_EQ(root->normalImage().height, 650);
}

TEST_F(SkinArchiveTest, RootIsTheUsersPictureWhenItDecodes) {
    const auto png = test::solidPng(64, 48, 0xFF336699u);
    test::writeBinaryFile("mine.png", std::string(png.begin(), png.end()));
    tuning.backScreen.set("mine.png");
    OpenArchive archive(VT_TEST_SKIN_ARCHIVE);
    std::unique_ptr<View> root(createRootView(archive.file));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->kind(), KindPictureFile);
    EXPECT_EQ(root->normalImage().width, 64);
    EXPECT_EQ(tuning.backScreen.get(), "mine.png");
}

TEST_F(SkinArchiveTest, APictureThatDoesNotDecodeCountsAsNone) {
    test::writeFile("notes.txt", "not a picture\n");
    for (const char* named : {"notes.txt", "gone.png"}) {
        tuning.backScreen.set(named);
        OpenArchive archive(VT_TEST_SKIN_ARCHIVE);
        std::unique_ptr<View> root(createRootView(archive.file));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->kind(), KindImage) << named;
        EXPECT_EQ(root->normalImage().width, 640) << named;
        EXPECT_EQ(tuning.backScreen.get(), "not found") << named;
    }
    EXPECT_EQ(fake.count("postQuitMessage"), 0);
    EXPECT_EQ(fake.count("debugOutput"), 0);
}

TEST_F(SkinArchiveTest, OpensTheArchiveBesideTheProgramAndReportsFailuresToTheUser) {
    EXPECT_EQ(openSkinArchive(), nullptr);  // the scratch folder has no skin
    std::filesystem::create_directory("skin");
    test::writeBinaryFile("skin/imgTemp", "x");
    std::FILE* archive = openSkinArchive();
    ASSERT_NE(archive, nullptr);
    std::fclose(archive);

    lifecycle.mainWindow = reinterpret_cast<WindowHandle>(0x1234);
    showSkinFailure(ArchiveUnreadableMessage);
    showSkinFailure(OutOfMemoryMessage);
    EXPECT_EQ(fake.callsStartingWith("messageBox"),
              (std::vector<std::string>{"messageBox owner=1234 caption=Vantrelis text=アーカイブファイルを読み込めません",
                                        "messageBox owner=1234 caption=Vantrelis text=メモリを確保できません"}));
}

}  // namespace
}  // namespace vt

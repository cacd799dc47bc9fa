#include "platform/PlainPng.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/unit/TestImages.h"

namespace vt {
namespace {

using test::PngChunk;

const std::vector<std::uint32_t> FourPixels = {0xFF102030, 0x80405060, 0x00FFFFFF, 0x7F000000};

std::vector<std::uint8_t> goodPng() { return test::pngImage(2, 2, FourPixels); }

// The good PNG with one change made to its chunks.
std::vector<std::uint8_t> changed(const std::function<void(std::vector<PngChunk>&)>& change) {
    std::vector<PngChunk> chunks = test::pngChunks(goodPng());
    change(chunks);
    return test::pngFromChunks(chunks);
}

// Inserts a chunk just before the image data.
std::function<void(std::vector<PngChunk>&)> inserting(const std::string& type, std::vector<std::uint8_t> data) {
    return [type, data](std::vector<PngChunk>& chunks) { chunks.insert(chunks.begin() + 1, {type, data}); };
}

std::function<void(std::vector<PngChunk>&)> headerByte(std::size_t at, std::uint8_t value) {
    return [at, value](std::vector<PngChunk>& chunks) { chunks.front().data[at] = value; };
}

struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool plain;
};

std::vector<Case> cases() {
    std::vector<std::uint8_t> badCrc = goodPng();
    badCrc[badCrc.size() - 20] ^= 0x01;  // a byte of the image data: its chunk's CRC no longer holds
    std::vector<std::uint8_t> shortArchive = goodPng();
    std::fill(shortArchive.end() - 16, shortArchive.end(), std::uint8_t{0x2F});  // the archive's fill, less one
    std::vector<std::uint8_t> trailing = goodPng();
    trailing.insert(trailing.end(), {1, 2, 3});
    std::vector<std::uint8_t> overlong = goodPng();
    overlong[33] = 0x7F;  // the IDAT length's top byte: the chunk runs past the file
    return {
        {"an intact 8-bit RGBA file", goodPng(), true},
        {"an 8-bit RGB file", changed(headerByte(9, 2)), true},
        {"text, time, background and pixel size chunks", changed([](auto& chunks) {
             inserting("tEXt", {'a', 0, 'b'})(chunks);
             inserting("pHYs", {0, 0, 0, 1, 0, 0, 0, 1, 0})(chunks);
             inserting("bKGD", {0, 0, 0, 0, 0, 0})(chunks);
             inserting("tIME", {7, 234, 12, 8, 20, 0, 0})(chunks);
         }), true},
        {"bytes after the end chunk", trailing, true},
        {"a gamma chunk", changed(inserting("gAMA", {0, 0, 0xB1, 0x8F})), false},
        {"an sRGB chunk", changed(inserting("sRGB", {0})), false},
        {"a colour profile", changed(inserting("iCCP", {'p', 0, 0, 0x78, 0x01})), false},
        {"a transparency chunk", changed(inserting("tRNS", {0, 0, 0, 0, 0, 0})), false},
        {"an unknown ancillary chunk", changed(inserting("vtXx", {1})), false},
        {"16 bits per sample", changed(headerByte(8, 16)), false},
        {"a palette image", changed(headerByte(9, 3)), false},
        {"grey with alpha", changed(headerByte(9, 4)), false},
        {"an interlaced file", changed(headerByte(12, 1)), false},
        {"no width", changed(headerByte(3, 0)), false},
        {"a wrong CRC", badCrc, false},
        {"an entry cut short by the archive's end", shortArchive, false},
        {"a chunk longer than the file", overlong, false},
        {"no end chunk", changed([](auto& chunks) { chunks.pop_back(); }), false},
        {"no image data", changed([](auto& chunks) { chunks.erase(chunks.begin() + 1); }), false},
        {"the header not first", changed([](auto& chunks) { std::swap(chunks[0], chunks[1]); }), false},
        {"a short header", changed([](auto& chunks) { chunks.front().data.pop_back(); }), false},
        {"a bitmap file", {'B', 'M', 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0}, false},
        {"nothing", {}, false},
    };
}

TEST(PlainPngTest, OnlyIntactFilesWithNothingThatChangesPixelsArePlain) {
    for (const Case& c : cases()) {
        EXPECT_EQ(isPlainPng(c.bytes.data(), c.bytes.size()), c.plain) << c.what;
    }
    EXPECT_FALSE(isPlainPng(nullptr, 0));
}

TEST(PlainPngTest, APlainFileDecodesToBlueGreenRedAlphaRowsTopFirst) {
    const std::vector<std::uint8_t> png = goodPng();
    DecodedImage image;
    ASSERT_TRUE(decodePlainPng(png.data(), png.size(), image));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.stride, 8);
    const std::vector<std::uint8_t> expected = {0x30, 0x20, 0x10, 0xFF, 0x60, 0x50, 0x40, 0x80,
                                                0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x7F};
    EXPECT_EQ(image.pixels, expected);
}

TEST(PlainPngTest, AnRgbFileComesOutOpaque) {
    const std::vector<std::uint8_t> rows = {0, 1, 2, 3, 4, 5, 6};  // one row: filter, two pixels
    const std::vector<std::uint8_t> png = test::pngFromChunks(
        {{"IHDR", {0, 0, 0, 2, 0, 0, 0, 1, 8, 2, 0, 0, 0}}, {"IDAT", test::storedZlib(rows)}, {"IEND", {}}});
    DecodedImage image;
    ASSERT_TRUE(decodePlainPng(png.data(), png.size(), image));
    const std::vector<std::uint8_t> expected = {3, 2, 1, 0xFF, 6, 5, 4, 0xFF};
    EXPECT_EQ(image.pixels, expected);
}

TEST(PlainPngTest, WhatIsNotDecodedHereLeavesTheImageAsItWas) {
    std::vector<Case> refused;
    for (const Case& c : cases()) {
        if (!c.plain) refused.push_back(c);
    }
    // Intact chunks around image data that does not inflate: plain by its
    // chunks, refused by the decoder.
    refused.push_back({"data that does not inflate", changed([](auto& chunks) { chunks[1].data = {0x78, 0x01, 0xFF}; }),
                       true});
    for (const Case& c : refused) {
        DecodedImage image;
        image.width = 7;
        image.pixels = {9};
        EXPECT_FALSE(decodePlainPng(c.bytes.data(), c.bytes.size(), image)) << c.what;
        EXPECT_EQ(image.width, 7) << c.what;
        EXPECT_EQ(image.pixels, std::vector<std::uint8_t>{9}) << c.what;
    }
}

}  // namespace
}  // namespace vt

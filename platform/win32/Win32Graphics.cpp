// The back buffer (a bottom-up 32-bit DIB section), painting, the UI font,
// and GDI+ for texts, lines and image decoding.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/CrispLine.h"
#include "platform/PlainPng.h"
#include "platform/TextStamp.h"
#include "platform/win32/Win32Owned.h"

namespace vt {

using namespace win32;
using namespace Gdiplus::DllExports;
using Gdiplus::GpStatus;

namespace {

using GdiBitmap = Owned<HBITMAP__, DeleteObject>;
using MemoryDc = Owned<HDC__, DeleteDC>;
using GdipGraphics = Owned<Gdiplus::GpGraphics, GdipDeleteGraphics>;
using GdipBrush = Owned<Gdiplus::GpSolidFill, GdipDeleteBrush>;
using GdipFormat = Owned<Gdiplus::GpStringFormat, GdipDeleteStringFormat>;
using GdipFamily = Owned<Gdiplus::GpFontFamily, GdipDeleteFontFamily>;
using GdipFont = Owned<Gdiplus::GpFont, GdipDeleteFont>;
using GdipPen = Owned<Gdiplus::GpPen, GdipDeletePen>;
using GdipBitmap = Owned<Gdiplus::GpBitmap, GdipDisposeImage>;
using GlobalBlock = Owned<void, GlobalFree>;
using Stream = Owned<IStream, releaseCom>;

// What the back buffer keeps besides its pixels. The members are undone in
// reverse: the graphics object, the bitmap selected out again, the memory
// context, the bitmap, and the window's context given back.
struct BackBufferNative {
    explicit BackBufferNative(HWND window) : windowDc(window) {}
    WindowDc windowDc;
    GdiBitmap bitmap;
    MemoryDc memoryDc;
    std::optional<Selection> selection;
    GdipGraphics graphics;
    // Every paint draws the same few faces again: finding a family by name
    // enumerates the system's fonts each time, so each face is made once.
    struct Face {
        GdipFamily family;
        GdipFont font;
    };
    std::map<std::tuple<std::u16string, float, std::int32_t>, Face> faces;
    TextStampCache stamps;
};

BackBufferNative* native(const Surface& surface) { return static_cast<BackBufferNative*>(surface.native); }

// The style's font, made on first use: the named family, or the generic sans
// serif one when the system lacks it or cannot make it at that size.
Gdiplus::GpFont* cachedFont(BackBufferNative& buffer, const TextStyle& style) {
    auto key = std::make_tuple(std::u16string(style.family), style.sizePixels, style.fontStyle);
    auto found = buffer.faces.find(key);
    if (found != buffer.faces.end()) return found->second.font.get();
    BackBufferNative::Face face;
    Gdiplus::GpFontFamily* familyHandle = nullptr;
    if (GdipCreateFontFamilyFromName(reinterpret_cast<const WCHAR*>(style.family), nullptr, &familyHandle) !=
        Gdiplus::Ok) {
        GdipGetGenericFontFamilySansSerif(&familyHandle);
    }
    face.family.reset(familyHandle);
    Gdiplus::GpFont* fontHandle = nullptr;
    if (GdipCreateFont(face.family.get(), style.sizePixels, style.fontStyle, Gdiplus::UnitPixel, &fontHandle) !=
        Gdiplus::Ok) {
        Gdiplus::GpFontFamily* fallbackHandle = nullptr;
        GdipGetGenericFontFamilySansSerif(&fallbackHandle);
        face.family.reset(fallbackHandle);
        GdipCreateFont(face.family.get(), style.sizePixels, style.fontStyle, Gdiplus::UnitPixel, &fontHandle);
    }
    face.font.reset(fontHandle);
    return buffer.faces.emplace(std::move(key), std::move(face)).first->second.font.get();
}

bool copyBitmapPixels(Gdiplus::GpBitmap* bitmap, DecodedImage& image) {
    UINT width = 0;
    UINT height = 0;
    if (GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok || GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok ||
        width == 0 || height == 0) {
        return false;
    }
    Gdiplus::GpRect area(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &area, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) {
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    image.stride = static_cast<std::int32_t>(rowBytes);
    image.pixels.resize(rowBytes * height);
    for (UINT row = 0; row < height; ++row) {
        std::memcpy(image.pixels.data() + row * rowBytes, static_cast<const std::uint8_t*>(data.Scan0) + row * data.Stride,
                    rowBytes);
    }
    GdipBitmapUnlockBits(bitmap, &data);
    return true;
}

}  // namespace

struct Win32Platform::PaintState {
    PAINTSTRUCT paint{};
    HWND window = nullptr;
};

Win32Platform::Win32Platform(void* instance) : instance_(instance), paint_(std::make_unique<PaintState>()) {}

Win32Platform::~Win32Platform() = default;

bool Win32Platform::startGraphics() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    graphicsToken_ = token;
    return true;
}

void Win32Platform::stopGraphics() {
    if (graphicsToken_ != 0) Gdiplus::GdiplusShutdown(graphicsToken_);
    graphicsToken_ = 0;
}

FontHandle Win32Platform::createUiFont(int height, int weight, int charset, std::u16string_view face) {
    std::wstring name(reinterpret_cast<const wchar_t*>(face.data()), face.size());
    return reinterpret_cast<FontHandle>(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                                    static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS,
                                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, name.c_str()));
}

void Win32Platform::deleteFont(FontHandle font) { DeleteObject(reinterpret_cast<HFONT>(font)); }

bool Win32Platform::createBackBuffer(WindowHandle window, int width, int height, Surface& surface) {
    auto buffer = std::make_unique<BackBufferNative>(hwnd(window));
    buffer->memoryDc.reset(CreateCompatibleDC(buffer->windowDc.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    buffer->bitmap.reset(CreateDIBSection(buffer->windowDc.get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (buffer->memoryDc == nullptr || buffer->bitmap == nullptr) return false;
    buffer->selection.emplace(buffer->memoryDc.get(), buffer->bitmap.get());
    Gdiplus::GpGraphics* graphics = nullptr;
    GdipCreateFromHDC(buffer->memoryDc.get(), &graphics);
    buffer->graphics.reset(graphics);
    if (graphics != nullptr) {
        GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintAntiAliasGridFit);
        GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    }
    surface.pixels = static_cast<std::uint8_t*>(pixels);
    surface.width = width;
    surface.height = height;
    surface.native = buffer.release();
    return true;
}

void Win32Platform::destroyBackBuffer(Surface& surface) {
    delete native(surface);
    surface = Surface{};
}

void Win32Platform::beginPaint(WindowHandle window) {
    paint_->window = hwnd(window);
    BeginPaint(paint_->window, &paint_->paint);
}

void Win32Platform::presentBackBuffer(WindowHandle, const Surface& surface) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr) return;
    GdiFlush();
    BitBlt(buffer->windowDc.get(), 0, 0, surface.width, surface.height, buffer->memoryDc.get(), 0, 0, SRCCOPY);
}

void Win32Platform::endPaint(WindowHandle window) { EndPaint(hwnd(window), &paint_->paint); }

namespace {

// The brush and the string format one text is drawn with.
struct TextTools {
    GdipBrush brush;
    GdipFormat format;
};

TextTools textTools(const TextStyle& style) {
    TextTools tools;
    Gdiplus::GpSolidFill* brushHandle = nullptr;
    GdipCreateSolidFill(style.argb, &brushHandle);
    tools.brush.reset(brushHandle);
    Gdiplus::GpStringFormat* formatHandle = nullptr;
    GdipCreateStringFormat(0, LANG_NEUTRAL, &formatHandle);
    tools.format.reset(formatHandle);
    GdipSetStringFormatAlign(tools.format.get(), static_cast<Gdiplus::StringAlignment>(style.alignment));
    return tools;
}

// The text drawn alone onto a transparent bitmap by the same text drawing
// the back buffer would get: each pixel is the colour with its coverage as
// alpha, which the drawing then lays over the back buffer pixel by pixel.
// Its origin sits at a whole pixel inside the bitmap, as it does in the
// window, so the glyphs land on the same pixels.
bool renderStamp(BackBufferNative& buffer, const char16_t* text, const TextStyle& style, TextStamp& stamp) {
    const TextTools tools = textTools(style);
    Gdiplus::GpFont* font = cachedFont(buffer, style);
    const auto* wide = reinterpret_cast<const WCHAR*>(text);

    Gdiplus::RectF origin(0, 0, 0, 0);
    Gdiplus::RectF bounds{};
    if (GdipMeasureString(buffer.graphics.get(), wide, -1, font, &origin, tools.format.get(), &bounds, nullptr, nullptr) !=
        Gdiplus::Ok) {
        return false;
    }
    // A centred or far-aligned text reaches left of its origin by up to its
    // width, whatever the measured box says; anti-aliasing and overhanging
    // glyphs reach past the box.
    const std::int32_t margin = 4 + static_cast<std::int32_t>(style.sizePixels / 2);
    const float left = std::min(bounds.X, -bounds.Width);
    const float right = std::max(bounds.X + bounds.Width, bounds.Width);
    stamp.left = static_cast<std::int32_t>(std::floor(left)) - margin;
    stamp.top = static_cast<std::int32_t>(std::floor(bounds.Y)) - margin;
    stamp.width = static_cast<std::int32_t>(std::ceil(right)) + margin + 1 - stamp.left;
    stamp.height = static_cast<std::int32_t>(std::ceil(bounds.Height)) + 2 * margin + 1;
    if (stamp.width <= 0 || stamp.height <= 0 || stamp.width > 4096 || stamp.height > 4096) return false;

    Gdiplus::GpBitmap* bitmapHandle = nullptr;
    if (GdipCreateBitmapFromScan0(stamp.width, stamp.height, 0, PixelFormat32bppARGB, nullptr, &bitmapHandle) !=
        Gdiplus::Ok) {
        return false;
    }
    const GdipBitmap bitmap(bitmapHandle);
    Gdiplus::GpGraphics* graphicsHandle = nullptr;
    if (GdipGetImageGraphicsContext(bitmap.get(), &graphicsHandle) != Gdiplus::Ok) return false;
    {
        const GdipGraphics graphics(graphicsHandle);
        GdipGraphicsClear(graphics.get(), 0);
        GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAliasGridFit);
        GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
        Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(-stamp.left), static_cast<Gdiplus::REAL>(-stamp.top), 0, 0);
        if (GdipDrawString(graphics.get(), wide, -1, font, &layout, tools.format.get(), tools.brush.get()) != Gdiplus::Ok) {
            return false;
        }
        GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
    }
    DecodedImage pixels;  // tightly packed rows, as the stamp keeps them
    if (!copyBitmapPixels(bitmap.get(), pixels)) return false;
    stamp.argb.resize(static_cast<std::size_t>(stamp.width) * stamp.height);
    std::memcpy(stamp.argb.data(), pixels.pixels.data(), stamp.argb.size() * 4);
    trimStamp(stamp);
    return true;
}

// The end-to-end tests' window probe records the texts of one paint by
// catching the system's text drawing; it sets this variable in the process
// for that paint, and every text is then drawn directly (the same pixels).
bool drawingTextsDirectly() { return GetEnvironmentVariableA("VANTRELIS_DRAW_TEXTS_DIRECTLY", nullptr, 0) > 0; }

void drawTextDirectly(BackBufferNative& buffer, const char16_t* text, const TextStyle& style, int x, int y) {
    const TextTools tools = textTools(style);
    Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y), 0, 0);
    GdipDrawString(buffer.graphics.get(), reinterpret_cast<const WCHAR*>(text), -1, cachedFont(buffer, style), &layout,
                   tools.format.get(), tools.brush.get());
    GdipFlush(buffer.graphics.get(), Gdiplus::FlushIntentionSync);
    GdiFlush();  // the next software blend writes the same pixels
}

}  // namespace

void Win32Platform::drawText(Surface& surface, const char16_t* text, const TextStyle& style, int x, int y) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr || buffer->graphics == nullptr || text == nullptr || *text == u'\0') return;
    if (drawingTextsDirectly()) {
        drawTextDirectly(*buffer, text, style, x, y);
        return;
    }
    const TextStamp* stamp = buffer->stamps.find(text, style);
    if (stamp == nullptr) {
        TextStamp made;
        if (!renderStamp(*buffer, text, style, made)) return;
        stamp = &buffer->stamps.add(text, style, std::move(made));
    }
    blendStamp(surface, *stamp, x, y);
}

void Win32Platform::drawLine(Surface& surface, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr || buffer->graphics == nullptr) return;
    if (drawCrispLine(surface, penWidth, argb, x1, y1, x2, y2)) return;
    Gdiplus::GpPen* penHandle = nullptr;
    if (GdipCreatePen1(argb, penWidth, Gdiplus::UnitWorld, &penHandle) != Gdiplus::Ok) return;
    const GdipPen pen(penHandle);
    GdipDrawLineI(buffer->graphics.get(), pen.get(), x1, y1, x2, y2);
    GdipFlush(buffer->graphics.get(), Gdiplus::FlushIntentionSync);
    GdiFlush();
}

bool Win32Platform::decodeImage(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) {
    return decodePlainPng(bytes, count, image) || decodeImageWithSystem(bytes, count, image);
}

bool Win32Platform::decodeImageWithSystem(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) {
    GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, count));
    if (block == nullptr) return false;
    void* target = GlobalLock(block.get());
    if (target == nullptr) return false;
    std::memcpy(target, bytes, count);
    GlobalUnlock(block.get());
    IStream* streamHandle = nullptr;
    if (CreateStreamOnHGlobal(block.get(), TRUE, &streamHandle) != S_OK) return false;
    block.release();  // the stream frees it now
    const Stream stream(streamHandle);
    Gdiplus::GpBitmap* bitmapHandle = nullptr;
    const bool created = GdipCreateBitmapFromStream(stream.get(), &bitmapHandle) == Gdiplus::Ok;
    const GdipBitmap bitmap(bitmapHandle);
    return created && copyBitmapPixels(bitmap.get(), image);
}

bool Win32Platform::decodeImageFile(std::u16string_view path, DecodedImage& image) {
    std::wstring name(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    Gdiplus::GpBitmap* bitmapHandle = nullptr;
    const bool created = GdipCreateBitmapFromFile(name.c_str(), &bitmapHandle) == Gdiplus::Ok;
    const GdipBitmap bitmap(bitmapHandle);
    return created && copyBitmapPixels(bitmap.get(), image);
}

}  // namespace vt

// The back buffer (a bottom-up 32-bit DIB section), painting, the UI font,
// and GDI+ for texts, lines and image decoding.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/CrispLine.h"
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

void Win32Platform::drawText(Surface& surface, const char16_t* text, const TextStyle& style, int x, int y) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr || buffer->graphics == nullptr || text == nullptr) return;
    Gdiplus::GpSolidFill* brushHandle = nullptr;
    GdipCreateSolidFill(style.argb, &brushHandle);
    const GdipBrush brush(brushHandle);
    Gdiplus::GpStringFormat* formatHandle = nullptr;
    GdipCreateStringFormat(0, LANG_NEUTRAL, &formatHandle);
    const GdipFormat format(formatHandle);
    GdipSetStringFormatAlign(format.get(), static_cast<Gdiplus::StringAlignment>(style.alignment));
    Gdiplus::GpFont* font = cachedFont(*buffer, style);
    Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y), 0, 0);
    GdipDrawString(buffer->graphics.get(), reinterpret_cast<const WCHAR*>(text), -1, font, &layout,
                   format.get(), brush.get());
    GdipFlush(buffer->graphics.get(), Gdiplus::FlushIntentionSync);
    GdiFlush();  // the next software blend writes the same pixels
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

// The back buffer (a bottom-up 32-bit DIB section), painting, the UI font,
// and GDI+ for texts, lines and image decoding.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

namespace vt {

using namespace win32;
using namespace Gdiplus::DllExports;
using Gdiplus::GpStatus;

namespace {

// What the back buffer keeps besides its pixels.
struct BackBufferNative {
    HDC windowDc = nullptr;
    HWND window = nullptr;
    HDC memoryDc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    Gdiplus::GpGraphics* graphics = nullptr;
};

BackBufferNative* native(const Surface& surface) { return static_cast<BackBufferNative*>(surface.native); }

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

Win32Platform::Win32Platform(void* instance) : instance_(instance), paint_(new PaintState) {}

Win32Platform::~Win32Platform() { delete paint_; }

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
    auto* buffer = new BackBufferNative;
    buffer->window = hwnd(window);
    buffer->windowDc = GetDC(buffer->window);
    buffer->memoryDc = CreateCompatibleDC(buffer->windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    buffer->bitmap = CreateDIBSection(buffer->windowDc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (buffer->memoryDc == nullptr || buffer->bitmap == nullptr) {
        if (buffer->bitmap != nullptr) DeleteObject(buffer->bitmap);
        if (buffer->memoryDc != nullptr) DeleteDC(buffer->memoryDc);
        ReleaseDC(buffer->window, buffer->windowDc);
        delete buffer;
        return false;
    }
    buffer->previousBitmap = SelectObject(buffer->memoryDc, buffer->bitmap);
    GdipCreateFromHDC(buffer->memoryDc, &buffer->graphics);
    if (buffer->graphics != nullptr) {
        GdipSetTextRenderingHint(buffer->graphics, Gdiplus::TextRenderingHintAntiAliasGridFit);
        GdipSetSmoothingMode(buffer->graphics, Gdiplus::SmoothingModeAntiAlias);
    }
    surface.pixels = static_cast<std::uint8_t*>(pixels);
    surface.width = width;
    surface.height = height;
    surface.native = buffer;
    return true;
}

void Win32Platform::destroyBackBuffer(Surface& surface) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr) return;
    if (buffer->graphics != nullptr) GdipDeleteGraphics(buffer->graphics);
    SelectObject(buffer->memoryDc, buffer->previousBitmap);
    DeleteDC(buffer->memoryDc);
    DeleteObject(buffer->bitmap);
    ReleaseDC(buffer->window, buffer->windowDc);
    delete buffer;
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
    BitBlt(buffer->windowDc, 0, 0, surface.width, surface.height, buffer->memoryDc, 0, 0, SRCCOPY);
}

void Win32Platform::endPaint(WindowHandle window) { EndPaint(hwnd(window), &paint_->paint); }

void Win32Platform::drawText(Surface& surface, const char16_t* text, const TextStyle& style, int x, int y) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr || buffer->graphics == nullptr || text == nullptr) return;
    Gdiplus::GpSolidFill* brush = nullptr;
    Gdiplus::GpStringFormat* format = nullptr;
    Gdiplus::GpFontFamily* family = nullptr;
    Gdiplus::GpFont* font = nullptr;
    GdipCreateSolidFill(style.argb, &brush);
    GdipCreateStringFormat(0, LANG_NEUTRAL, &format);
    GdipSetStringFormatAlign(format, static_cast<Gdiplus::StringAlignment>(style.alignment));
    if (GdipCreateFontFamilyFromName(reinterpret_cast<const WCHAR*>(style.family), nullptr, &family) != Gdiplus::Ok) {
        GdipGetGenericFontFamilySansSerif(&family);
    }
    if (GdipCreateFont(family, style.sizePixels, style.fontStyle, Gdiplus::UnitPixel, &font) != Gdiplus::Ok) {
        Gdiplus::GpFontFamily* fallback = nullptr;
        GdipGetGenericFontFamilySansSerif(&fallback);
        GdipCreateFont(fallback, style.sizePixels, style.fontStyle, Gdiplus::UnitPixel, &font);
        GdipDeleteFontFamily(fallback);
    }
    Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y), 0, 0);
    GdipDrawString(buffer->graphics, reinterpret_cast<const WCHAR*>(text), -1, font, &layout, format, brush);
    GdipFlush(buffer->graphics, Gdiplus::FlushIntentionSync);
    GdiFlush();  // the next software blend writes the same pixels
    if (font != nullptr) GdipDeleteFont(font);
    if (family != nullptr) GdipDeleteFontFamily(family);
    if (format != nullptr) GdipDeleteStringFormat(format);
    if (brush != nullptr) GdipDeleteBrush(brush);
}

void Win32Platform::drawLine(Surface& surface, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2) {
    BackBufferNative* buffer = native(surface);
    if (buffer == nullptr || buffer->graphics == nullptr) return;
    Gdiplus::GpPen* pen = nullptr;
    if (GdipCreatePen1(argb, penWidth, Gdiplus::UnitWorld, &pen) != Gdiplus::Ok) return;
    GdipDrawLineI(buffer->graphics, pen, x1, y1, x2, y2);
    GdipFlush(buffer->graphics, Gdiplus::FlushIntentionSync);
    GdiFlush();
    GdipDeletePen(pen);
}

bool Win32Platform::decodeImage(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, count);
    if (block == nullptr) return false;
    void* target = GlobalLock(block);
    if (target == nullptr) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(target, bytes, count);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        GlobalFree(block);
        return false;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    bool decoded = GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok && copyBitmapPixels(bitmap, image);
    if (bitmap != nullptr) GdipDisposeImage(bitmap);
    stream->Release();
    return decoded;
}

bool Win32Platform::decodeImageFile(std::u16string_view path, DecodedImage& image) {
    std::wstring name(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    Gdiplus::GpBitmap* bitmap = nullptr;
    bool decoded = GdipCreateBitmapFromFile(name.c_str(), &bitmap) == Gdiplus::Ok && copyBitmapPixels(bitmap, image);
    if (bitmap != nullptr) GdipDisposeImage(bitmap);
    return decoded;
}

}  // namespace vt

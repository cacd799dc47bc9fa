#include "ui/View.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {

std::int32_t View::serialCounter_ = 0;
View::ImageFailureHandler View::imageFailureHandler_ = nullptr;

namespace {

constexpr std::string_view ImageLoadFailure = "画像読み込みに失敗しました\n";
constexpr std::size_t PicturePathCapacity = 100;  // wide characters

// Takes the decoder's pixels over as they are (rows top first, BGRA).
bool store(ViewImage& slot, DecodedImage& decoded) {
    if (decoded.width <= 0 || decoded.height <= 0) return false;
    slot.width = decoded.width;
    slot.height = decoded.height;
    slot.stride = decoded.stride;
    slot.bytesPerPixel = decoded.stride / decoded.width;
    slot.pixels = std::move(decoded.pixels);
    slot.indexRuns();
    return true;
}

bool decodeInto(ViewImage& slot, const std::uint8_t* bytes, std::size_t count) {
    DecodedImage decoded;
    if (bytes == nullptr || count == 0 || !platform().decodeImage(bytes, count, decoded)) return false;
    return store(slot, decoded);
}

// The path is 8-bit text in the program's code page; the platform turns it
// into UTF-16.
bool decodePicture(ViewImage& slot, const std::string& path) {
    std::u16string wide = platform().toWide(path);
    if (wide.size() > PicturePathCapacity) wide.resize(PicturePathCapacity);
    DecodedImage decoded;
    if (!platform().decodeImageFile(wide, decoded)) return false;
    return store(slot, decoded);
}

std::uint32_t argb(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return std::uint32_t{a} << 24 | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

}  // namespace

View::View(Point position, View* parent, std::int32_t kind, const std::uint8_t* imageBytes, std::size_t byteCount) {
    initialise(position, parent, kind, imageBytes, byteCount);
}

View::~View() {
    clearChildren();
    detachFromParent();
}

void View::reinit(Point position, View* parent, std::int32_t kind, const std::uint8_t* imageBytes,
                  std::size_t byteCount) {
    initialise(position, parent, kind, imageBytes, byteCount);
}

void View::initialise(Point position, View* parent, std::int32_t kind, const std::uint8_t* imageBytes,
                      std::size_t byteCount) {
    resetFields();
    pressedImage_.clear();
    hoverImage_.clear();
    normal_.clear();
    serial_ = serialCounter_++;
    x_ = position.x;
    y_ = position.y;
    kind_ = kind;
    attachTo(parent);
    updateAbsolutePosition();
    // A view whose image failed still joins its parent, so the tree owns it.
    if (imageBytes != nullptr && !loadNormalImage(imageBytes, byteCount)) {
        platform().debugOutput(ImageLoadFailure);
        if (imageFailureHandler_ != nullptr) imageFailureHandler_();
    }
}

void View::resetFields() {
    absoluteX_ = absoluteY_ = 0;
    pressed_ = hovered_ = draggable_ = underCursor_ = hitThrough_ = 0;
    visible_ = 1;
    imageState_ = ImageAuto;
    alignment_ = 0;
    fontSize_ = 10;
    fontStyle_ = 0;
    width_ = height_ = 0;
    hoverDelay_ = hoverTicks_ = 0;
    lineX1_ = lineY1_ = lineX2_ = lineY2_ = 0;
    penWidth_ = 0.0f;
    text_ = u"";
    fontFamily_ = DefaultFontFamily;
    colour_ = 0xFFFFFFFFu;
    opacity_ = 1.0f;
}

void View::attachTo(View* parent) {
    if (parent == parent_ && parent != nullptr) {
        // Already in this list: move to its end rather than appear twice.
        auto& list = parent->children_;
        auto at = std::find_if(list.begin(), list.end(), [this](const auto& child) { return child.get() == this; });
        if (at != list.end()) std::rotate(at, at + 1, list.end());
        return;
    }
    // A view cannot become a child of itself or of its own descendant.
    for (View* up = parent; up != nullptr; up = up->parent_) {
        if (up == this) return;
    }
    detachFromParent();
    if (parent == nullptr) return;
    parent->children_.emplace_back(this);
    parent_ = parent;
}

void View::detachFromParent() {
    if (parent_ == nullptr) return;
    auto& list = parent_->children_;
    auto at = std::find_if(list.begin(), list.end(), [this](const auto& child) { return child.get() == this; });
    if (at != list.end()) {
        (void)at->release();  // the list no longer owns this view
        list.erase(at);
    }
    parent_ = nullptr;
}

void View::clearChildren() {
    // Taken out first, so a child going away does not edit the list it is in.
    std::vector<std::unique_ptr<View>> list = std::move(children_);
    children_.clear();
    for (auto& child : list) {
        child->parent_ = nullptr;
        child.reset();
    }
}

bool View::loadNormalImage(const std::uint8_t* imageBytes, std::size_t byteCount) {
    if (kind_ == KindPictureFile) {
        return decodePicture(normal_, std::string(reinterpret_cast<const char*>(imageBytes), byteCount));
    }
    return decodeInto(normal_, imageBytes, byteCount);
}

bool View::setImage(const std::uint8_t* bytes, std::size_t count) { return decodeInto(normal_, bytes, count); }

bool View::setPressedImage(const std::uint8_t* bytes, std::size_t count) {
    return decodeInto(pressedImage_, bytes, count);
}

bool View::setHoverImage(const std::uint8_t* bytes, std::size_t count) { return decodeInto(hoverImage_, bytes, count); }

void View::updateAbsolutePosition() {
    absoluteX_ = x_;
    absoluteY_ = y_;
    if (parent_ == nullptr) return;
    parent_->updateAbsolutePosition();
    absoluteX_ += parent_->absoluteX_;
    absoluteY_ += parent_->absoluteY_;
}

const ViewImage& View::imageToDraw() const {
    switch (imageState_) {
        case ImagePressed: return pressedImage_;
        case ImageHover: return hoverImage_;
        default:
            if (pressed_ && pressedImage_.hasPixels()) return pressedImage_;
            if (hovered_ && hoverImage_.hasPixels()) return hoverImage_;
            return normal_;
    }
}

void View::draw(BackBuffer& target) {
    updateAbsolutePosition();
    drawSelf(target);
    for (const auto& child : children_) {
        if (child->visible_) child->draw(target);
    }
}

void View::drawSelf(BackBuffer& target) {
    switch (kind_) {
        case KindImage:
        case KindPictureFile:
            target.blit(imageToDraw(), absoluteX_, absoluteY_, opacity_);
            break;
        case KindText: {
            // The platform draws UTF-16 as it is; no C locale is needed first.
            TextStyle style;
            style.family = fontFamily_;
            style.sizePixels = static_cast<float>(fontSize_) * 96.0f / 72.0f;
            style.fontStyle = fontStyle_;
            style.alignment = alignment_;
            style.argb = colour_;
            platform().drawText(target.surface(), text_, style, absoluteX_, absoluteY_);
            break;
        }
        case KindLine:
            platform().drawLine(target.surface(), penWidth_, colour_, lineX1_, lineY1_, lineX2_, lineY2_);
            break;
        default:
            break;
    }
}

Size View::hitSize() const {
    if (kind_ == KindImage || kind_ == KindPictureFile) return {normal_.width, normal_.height};
    return {width_, height_};
}

View* View::hitTest(Point point) {
    View* topmost = nullptr;
    if (visible_) {
        for (const auto& child : children_) {
            View* found = child->hitTest(point);
            if (found != nullptr && (topmost == nullptr || found->serial_ > topmost->serial_)) topmost = found;
        }
    }
    return topmost != nullptr ? topmost : hitTestSelf(point);
}

View* View::hitTestSelf(Point point) {
    if (kind_ == KindLine || !visible_ || hitThrough_) return nullptr;
    // Positions are taken fresh: a view moved since the last paint is hit where it is now.
    updateAbsolutePosition();
    const Size size = hitSize();
    const std::int64_t left = absoluteX_, top = absoluteY_;
    const bool hit = left <= point.x && point.x <= left + size.width && top <= point.y && point.y <= top + size.height;
    if (hit) {
        underCursor_ = 1;
        return this;
    }
    underCursor_ = pressed_ = hovered_ = 0;
    return nullptr;
}

void View::press(Point) { pressed_ = 1; }

void View::release(Point) { pressed_ = 0; }

void View::dragTo(Point position) {
    if (draggable_) moveTo(position);
}

void View::setVisible(bool flag) {
    if (lifecycle.running == 0) return;
    visible_ = flag;
}

void View::setText(const char16_t* text, std::int32_t sizePoints, std::int32_t style, std::int32_t alignment,
                   std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::int32_t width,
                   std::int32_t height) {
    text_ = text != nullptr ? text : u"";
    fontSize_ = sizePoints;
    fontStyle_ = style;
    alignment_ = alignment;
    colour_ = argb(a, r, g, b);
    width_ = width;
    height_ = height;
    fontFamily_ = DefaultFontFamily;
}

void View::setLine(float penWidth, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    penWidth_ = penWidth;
    lineX1_ = x1;
    lineY1_ = y1;
    lineX2_ = x2;
    lineY2_ = y2;
    colour_ = argb(a, r, g, b);
    kind_ = KindLine;
    width_ = height_ = 1;
}

bool View::loadPicture(const std::string& path) {
    ViewImage picture;
    if (!decodePicture(picture, path)) return false;
    normal_ = std::move(picture);
    return true;
}

bool View::reloadBackground(const std::string& path) {
    // A profile naming a file that is no picture must not leave the window
    // without a background, nor end the program mid-session: the old one stays.
    if (!loadPicture(path)) {
        platform().debugOutput(ImageLoadFailure);
        return false;
    }
    resetFields();
    kind_ = KindPictureFile;
    x_ = y_ = 0;
    serial_ = 0;
    return true;
}

}  // namespace vt

// One widget of the skinned window: an image, a text or a line.
//
// The window has no native controls. Everything the user sees is a tree of
// views under the root (the window background), drawn into the back buffer
// in list order, hit-tested by creation serial, and switched between looks by
// the panels through the flags below. A view owns its children and its images;
// the text it shows belongs to whoever set it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "ui/BackBuffer.h"
#include "ui/ViewImage.h"

namespace vt {

enum ViewKind : std::int32_t {
    KindImage = 0,         // a skin image decoded from memory
    KindPictureFile = 1,   // the user's background picture, decoded from its file
    KindText = 3,
    KindLine = 4,
};

enum ImageState : std::int32_t {
    ImageAuto = 0,     // by the pressed and hovered flags
    ImagePressed = 1,  // always the pressed image
    ImageHover = 2,    // always the hover image
};

inline constexpr const char16_t* DefaultFontFamily = u"メイリオ";
inline constexpr std::int32_t HoverDelayTicks = 60;

class View {
public:
    // Takes the next serial and, with a parent, joins the end of its child
    // list (the parent then owns the view). Image bytes load the normal image:
    // for KindImage they are the image file; for KindPictureFile they are the
    // picture's path, 8-bit text in the program's code page. When they give no
    // picture the failure handler runs.
    View(Point position, View* parent, std::int32_t kind, const std::uint8_t* imageBytes, std::size_t byteCount);
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Children first, in list order, then the images.
    virtual ~View();
    // Construction over again, keeping the children; the view moves to the end
    // of the new parent's list.
    virtual void reinit(Point position, View* parent, std::int32_t kind, const std::uint8_t* imageBytes,
                        std::size_t byteCount);
    virtual void clearChildren();
    // This view, then each visible child in list order.
    virtual void draw(BackBuffer& target);
    virtual bool setImage(const std::uint8_t* bytes, std::size_t count);
    virtual bool setPressedImage(const std::uint8_t* bytes, std::size_t count);
    virtual bool setHoverImage(const std::uint8_t* bytes, std::size_t count);
    // The topmost (largest serial) hit view of this subtree at a window point.
    virtual View* hitTest(Point point);
    // This view alone; records the outcome in its under-cursor flag.
    virtual View* hitTestSelf(Point point);
    virtual void press(Point point);
    // A draggable view's top-left corner goes to `position`; any other view
    // stays. Where a drag may take a view is its panel's business.
    virtual void dragTo(Point position);
    virtual void release(Point point);

    Point position() const { return {x_, y_}; }
    // Places the view outright (layouts; a drag goes through dragTo).
    void moveTo(Point position) {
        x_ = position.x;
        y_ = position.y;
    }
    Point absolutePosition() const { return {absoluteX_, absoluteY_}; }
    void setDraggable(bool flag) { draggable_ = flag; }
    // Ignored once the application has begun shutting down.
    void setVisible(bool flag);
    void setHitThrough(bool flag) { hitThrough_ = flag; }
    void setImageState(std::int32_t state) { imageState_ = state; }
    void setOpacity(float opacity) { opacity_ = opacity; }
    void setHoverDelay() { hoverDelay_ = HoverDelayTicks; }
    // The view keeps the pointer: text must outlive it or be set again.
    void setText(const char16_t* text, std::int32_t sizePoints, std::int32_t style, std::int32_t alignment,
                 std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::int32_t width,
                 std::int32_t height);
    void setLine(float penWidth, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint8_t a,
                 std::uint8_t r, std::uint8_t g, std::uint8_t b);
    // The same with the colour as one ARGB word.
    void setText(const char16_t* text, std::int32_t sizePoints, std::int32_t style, std::int32_t alignment,
                 std::uint32_t argb, std::int32_t width, std::int32_t height) {
        setText(text, sizePoints, style, alignment, static_cast<std::uint8_t>(argb >> 24),
                static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                static_cast<std::uint8_t>(argb), width, height);
    }
    void setLine(float penWidth, Point from, Point to, std::uint32_t argb) {
        setLine(penWidth, from.x, from.y, to.x, to.y, static_cast<std::uint8_t>(argb >> 24),
                static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                static_cast<std::uint8_t>(argb));
    }
    // The root only: shows the picture at `path` and starts over as a fresh
    // kind 1 root. A picture that does not decode leaves the old one.
    bool reloadBackground(const std::string& path);
    // Decodes the picture at `path` (8-bit text in the program's code page)
    // into the normal image; on failure the image stays as it was and nothing
    // is reported.
    bool loadPicture(const std::string& path);

    // What happens when a view is made with image bytes that give no picture,
    // after the failure has gone to the debugger output: the application
    // installs its policy (it quits). None by default.
    using ImageFailureHandler = void (*)();
    static void setImageFailureHandler(ImageFailureHandler handler) { imageFailureHandler_ = handler; }

    // Read access for the panels and tests.
    std::int32_t kind() const { return kind_; }
    std::int32_t serial() const { return serial_; }
    bool pressed() const { return pressed_ != 0; }
    bool hovered() const { return hovered_ != 0; }
    void setPressed(bool flag) { pressed_ = flag; }
    void setHovered(bool flag) { hovered_ = flag; }
    bool draggable() const { return draggable_ != 0; }
    bool underCursor() const { return underCursor_ != 0; }
    bool hitThrough() const { return hitThrough_ != 0; }
    bool visible() const { return visible_ != 0; }
    std::int32_t imageState() const { return imageState_; }
    float opacity() const { return opacity_; }
    std::int32_t hoverDelay() const { return hoverDelay_; }
    std::int32_t hoverTicks() const { return hoverTicks_; }
    void setHoverTicks(std::int32_t ticks) { hoverTicks_ = ticks; }
    const char16_t* text() const { return text_; }
    const char16_t* fontFamily() const { return fontFamily_; }
    std::int32_t fontSize() const { return fontSize_; }
    std::int32_t fontStyle() const { return fontStyle_; }
    std::int32_t alignment() const { return alignment_; }
    std::uint32_t colour() const { return colour_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    Rect line() const { return {lineX1_, lineY1_, lineX2_, lineY2_}; }
    float penWidth() const { return penWidth_; }
    View* parent() const { return parent_; }
    std::size_t childCount() const { return children_.size(); }
    View* child(std::size_t index) const { return children_[index].get(); }
    const ViewImage& normalImage() const { return normal_; }
    const ViewImage& pressedImage() const { return pressedImage_; }
    const ViewImage& hoverImage() const { return hoverImage_; }

    // The serial the next view will take.
    static std::int32_t nextSerial() { return serialCounter_; }

private:
    void initialise(Point position, View* parent, std::int32_t kind, const std::uint8_t* imageBytes,
                    std::size_t byteCount);
    void resetFields();
    void attachTo(View* parent);
    void detachFromParent();
    bool loadNormalImage(const std::uint8_t* imageBytes, std::size_t byteCount);
    void updateAbsolutePosition();
    const ViewImage& imageToDraw() const;
    void drawSelf(BackBuffer& target);
    Size hitSize() const;

    std::int32_t x_ = 0, y_ = 0;
    std::int32_t absoluteX_ = 0, absoluteY_ = 0;
    std::uint8_t pressed_ = 0;
    std::uint8_t hovered_ = 0;
    std::uint8_t draggable_ = 0;
    std::uint8_t underCursor_ = 0;
    std::uint8_t hitThrough_ = 0;
    std::uint8_t visible_ = 1;
    std::int32_t kind_ = KindImage;
    std::int32_t imageState_ = ImageAuto;
    std::int32_t serial_ = 0;
    std::int32_t alignment_ = 0;
    std::int32_t fontSize_ = 10;
    std::int32_t fontStyle_ = 0;
    std::int32_t width_ = 0, height_ = 0;
    std::int32_t hoverDelay_ = 0;
    std::int32_t hoverTicks_ = 0;
    std::int32_t lineX1_ = 0, lineY1_ = 0, lineX2_ = 0, lineY2_ = 0;
    float penWidth_ = 0.0f;
    const char16_t* text_ = u"";
    const char16_t* fontFamily_ = DefaultFontFamily;
    std::uint32_t colour_ = 0xFFFFFFFFu;
    float opacity_ = 1.0f;
    View* parent_ = nullptr;
    std::vector<std::unique_ptr<View>> children_;
    ViewImage pressedImage_;
    ViewImage hoverImage_;
    ViewImage normal_;

    // Views are made and used on the window thread only.
    static std::int32_t serialCounter_;
    static ImageFailureHandler imageFailureHandler_;
};

}  // namespace vt

#include "ui/View.h"

#include <string>
#include <vector>

#include "app/panels/DragRules.h"
#include "app/shell/MainWindow.h"
#include "app/ShellState.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/TestImages.h"
#include "tests/unit/TestSupport.h"
#include "ui/Repaint.h"

namespace vt {
namespace {

class ViewTest : public test::PlatformTest {
protected:
    ViewTest() {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        View::setImageFailureHandler(quitOnImageFailure);
    }
    ~ViewTest() override {
        View::setImageFailureHandler(nullptr);
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
    }

    // An image view of one colour; the root is owned by the test.
    View* imageView(View* parent, Point at, int width, int height, std::uint32_t argb = 0xFF808080u) {
        const std::vector<std::uint8_t> png = test::solidPng(width, height, argb);
        return new View(at, parent, KindImage, png.data(), png.size());
    }
    View* textView(View* parent, Point at, int width, int height) {
        auto* view = new View(at, parent, KindText, nullptr, 0);
        view->setText(u"x", 8, 0, 0, 255, 255, 255, 255, width, height);
        return view;
    }
};

TEST_F(ViewTest, StartsWithTheDefaultsAndJoinsItsParent) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 4, 4));
    const std::int32_t serial = View::nextSerial();
    auto* first = new View({3, 4}, root.get(), KindText, nullptr, 0);
    auto* second = new View({5, 6}, root.get(), KindText, nullptr, 0);

    EXPECT_EQ(first->serial(), serial);
    EXPECT_EQ(second->serial(), serial + 1);
    ASSERT_EQ(root->childCount(), 2u);
    EXPECT_EQ(root->child(0), first);
    EXPECT_EQ(root->child(1), second);
    EXPECT_EQ(first->parent(), root.get());
    EXPECT_EQ(first->position(), (Point{3, 4}));
    EXPECT_EQ(first->kind(), KindText);
    EXPECT_TRUE(first->visible());
    EXPECT_FALSE(first->hitThrough() || first->draggable() || first->pressed() || first->hovered());
    EXPECT_EQ(first->imageState(), ImageAuto);
    EXPECT_EQ(first->fontSize(), 10);
    EXPECT_EQ(first->fontStyle(), 0);
    EXPECT_EQ(first->alignment(), 0);
    EXPECT_EQ(std::u16string(first->fontFamily()), u"メイリオ");
    EXPECT_EQ(std::u16string(first->text()), u"");
    EXPECT_EQ(first->colour(), 0xFFFFFFFFu);
    EXPECT_EQ(first->opacity(), 1.0f);
    EXPECT_EQ(first->width(), 0);
    EXPECT_EQ(first->hoverDelay(), 0);
    EXPECT_FALSE(first->normalImage().hasPixels());
    EXPECT_EQ(root->normalImage().width, 4);
    EXPECT_EQ(root->normalImage().bytesPerPixel, 4);
    EXPECT_EQ(root->normalImage().stride, 16);
}

TEST_F(ViewTest, TextAndLineSettersStoreWhatTheyAreGiven) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 4, 4));
    auto* text = new View({0, 0}, root.get(), KindText, nullptr, 0);
    const char16_t* words = u"GPU温度";
    text->setText(words, 14, 1, 2, 0x40, 0x12, 0x34, 0x56, 90, 10);
    EXPECT_EQ(text->text(), words);  // the pointer, not a copy
    EXPECT_EQ(text->fontSize(), 14);
    EXPECT_EQ(text->fontStyle(), 1);
    EXPECT_EQ(text->alignment(), 2);
    EXPECT_EQ(text->colour(), 0x40123456u);
    EXPECT_EQ(text->width(), 90);
    EXPECT_EQ(text->height(), 10);
    EXPECT_EQ(text->kind(), KindText);

    auto* line = new View({0, 0}, root.get(), KindText, nullptr, 0);
    line->setLine(2.5f, 1, 2, 3, 4, 0xFF, 0, 0, 0xFF);
    EXPECT_EQ(line->kind(), KindLine);
    EXPECT_EQ(line->line(), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(line->penWidth(), 2.5f);
    EXPECT_EQ(line->colour(), 0xFF0000FFu);
    EXPECT_EQ(line->width(), 1);
    EXPECT_EQ(line->height(), 1);
}

TEST_F(ViewTest, LaterCreatedViewWinsTheHitTestAcrossSubtrees) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 100, 100));
    View* firstGroup = imageView(root.get(), {0, 0}, 10, 10);
    View* secondGroup = imageView(root.get(), {20, 20}, 30, 30);
    // Created last, though it lies in the first child's subtree.
    View* latest = imageView(firstGroup, {25, 25}, 10, 10);

    EXPECT_EQ(root->hitTest({30, 30}), latest);
    EXPECT_TRUE(latest->underCursor());
    EXPECT_TRUE(secondGroup->underCursor());  // hit too, but lower
    EXPECT_EQ(root->hitTest({45, 45}), secondGroup);
    EXPECT_FALSE(latest->underCursor());
    EXPECT_EQ(root->hitTest({5, 5}), firstGroup);
    EXPECT_EQ(root->hitTest({90, 90}), root.get());
}

TEST_F(ViewTest, EdgesAreInsideTheHitArea) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 100, 100));
    View* image = imageView(root.get(), {5, 5}, 10, 10);
    View* text = textView(root.get(), {50, 50}, 20, 8);
    struct Case {
        Point point;
        View* expected;
    } const cases[] = {
        {{5, 5}, image},   {{15, 15}, image},   {{15, 5}, image},   {{5, 15}, image},
        {{16, 15}, root.get()}, {{15, 16}, root.get()}, {{4, 5}, root.get()}, {{5, 4}, root.get()},
        {{50, 50}, text},  {{70, 58}, text},    {{71, 58}, root.get()}, {{70, 59}, root.get()},
    };
    for (const Case& c : cases) EXPECT_EQ(root->hitTest(c.point), c.expected) << c.point.x << "," << c.point.y;
}

TEST_F(ViewTest, LinesHiddenAndHitThroughViewsAreNeverHit) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 100, 100));
    auto* line = new View({0, 0}, root.get(), KindLine, nullptr, 0);
    line->setLine(10.0f, 0, 0, 50, 50, 255, 255, 255, 255);
    View* passive = imageView(root.get(), {0, 0}, 20, 20);
    passive->setHitThrough(true);
    View* hidden = imageView(root.get(), {30, 30}, 20, 20);
    hidden->setPressed(true);
    hidden->setVisible(false);

    EXPECT_EQ(root->hitTest({10, 10}), root.get());
    EXPECT_EQ(root->hitTest({35, 35}), root.get());
    EXPECT_EQ(line->hitTestSelf({0, 0}), nullptr);
    // A hidden view's flags stay as they were.
    EXPECT_TRUE(hidden->pressed());
}

TEST_F(ViewTest, AMissClearsPressedHoveredAndUnderCursor) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 100, 100));
    View* button = imageView(root.get(), {10, 10}, 10, 10);
    ASSERT_EQ(button->hitTestSelf({12, 12}), button);
    button->press({12, 12});
    button->setHovered(true);
    EXPECT_TRUE(button->underCursor() && button->pressed() && button->hovered());

    EXPECT_EQ(button->hitTestSelf({40, 40}), nullptr);
    EXPECT_FALSE(button->underCursor() || button->pressed() || button->hovered());

    button->press({12, 12});
    button->release({12, 12});
    EXPECT_FALSE(button->pressed());
}

TEST_F(ViewTest, HiddenParentHidesItsChildrenFromDrawingAndHitTesting) {
    fake.recordDrawing = true;
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 100, 100));
    View* group = imageView(root.get(), {10, 10}, 40, 40);
    View* label = textView(group, {5, 5}, 20, 10);
    group->setVisible(false);

    EXPECT_EQ(root->hitTest({20, 20}), root.get());
    EXPECT_FALSE(label->underCursor());
    std::vector<std::uint8_t> pixels(100 * 100 * 4, 0);
    BackBuffer target;
    target.attach(pixels.data(), 100, 100);
    root->draw(target);
    EXPECT_EQ(fake.count("drawText"), 0);

    group->setVisible(true);
    root->draw(target);
    EXPECT_EQ(fake.count("drawText 15,15"), 1);  // at the parent's position plus its own
    EXPECT_EQ(label->absolutePosition(), (Point{15, 15}));
    EXPECT_EQ(root->hitTest({16, 16}), label);
}

TEST_F(ViewTest, DrawsItselfThenVisibleChildrenInListOrder) {
    fake.recordDrawing = true;
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 8, 8, 0xFF000000u));
    auto* first = new View({1, 2}, root.get(), KindText, nullptr, 0);
    first->setText(u"一", 8, 1, 1, 0x40, 0xFF, 0xFF, 0xFF, 0, 0);
    auto* line = new View({0, 0}, root.get(), KindLine, nullptr, 0);
    line->setLine(2.0f, 420, 130, 420, 142, 30, 44, 164, 222);
    auto* hidden = new View({3, 3}, root.get(), KindText, nullptr, 0);
    hidden->setText(u"hidden", 8, 0, 0, 255, 255, 255, 255, 0, 0);
    hidden->setVisible(false);
    auto* last = new View({0, 0}, root.get(), KindText, nullptr, 0);
    last->setText(u"二", 14, 0, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0);

    std::vector<std::uint8_t> pixels(8 * 8 * 4, 0x77);
    BackBuffer target;
    target.attach(pixels.data(), 8, 8);
    root->draw(target);

    EXPECT_EQ(fake.callsStartingWith("draw"),
              (std::vector<std::string>{"drawText 1,2 size=10.666667 align=1 argb=40ffffff 一",
                                        "drawLine 420,130-420,142 pen=2.000000 argb=1e2ca4de",
                                        "drawText 0,0 size=18.666666 align=2 argb=ffffffff 二"}));
    EXPECT_EQ(pixels[0], 0);  // the root's own image came first
    EXPECT_EQ(pixels[3], 0);
}

TEST_F(ViewTest, ImageStateChoosesTheImage) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 1, 1, 0xFF000001u));
    const auto pressed = test::solidPng(1, 1, 0xFF000002u);
    const auto hover = test::solidPng(1, 1, 0xFF000003u);
    std::vector<std::uint8_t> pixels(4, 0);
    BackBuffer target;
    target.attach(pixels.data(), 1, 1);
    auto blueDrawn = [&](int state, bool isPressed, bool isHovered) {
        root->setImageState(state);
        root->setPressed(isPressed);
        root->setHovered(isHovered);
        root->draw(target);
        return pixels[0];
    };
    // No pressed or hover image yet: the normal one, whatever the flags.
    EXPECT_EQ(blueDrawn(ImageAuto, true, true), 1);
    ASSERT_TRUE(root->setPressedImage(pressed.data(), pressed.size()));
    ASSERT_TRUE(root->setHoverImage(hover.data(), hover.size()));
    struct Case {
        int state;
        bool pressed, hovered;
        int blue;
    } constexpr cases[] = {
        {ImageAuto, false, false, 1}, {ImageAuto, true, false, 2},  {ImageAuto, false, true, 3},
        {ImageAuto, true, true, 2},   {ImagePressed, false, false, 2}, {ImageHover, true, false, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(blueDrawn(c.state, c.pressed, c.hovered), c.blue) << c.state << c.pressed << c.hovered;
    }
}

TEST_F(ViewTest, KnobDragFollowsThePointerWithinTheTrack) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 640, 650));
    View* knob = imageView(root.get(), {228, 421}, 16, 18);
    const DragBox box{470, 580, 270, 380};
    knob->dragTo(dragPosition(*knob, {300, 300}, 0, box));
    EXPECT_EQ(knob->position(), (Point{228, 421}));  // not draggable yet
    knob->setDraggable(true);
    struct Case {
        int pointerX;
        int knobX;
    } constexpr cases[] = {{100, 228}, {600, 469}, {300, 292}, {235, 228}, {236, 228}, {237, 229},
                           {477, 469}, {478, 469}, {-5000, 228}};
    for (const Case& c : cases) {
        for (int page : {0, 1, 2, 3}) {
            knob->dragTo(dragPosition(*knob, {c.pointerX, 9999}, page, box));
            EXPECT_EQ(knob->position(), (Point{c.knobX, 421})) << c.pointerX << " on page " << page;
        }
    }
}

TEST_F(ViewTest, CurvePointDragMovesEachAxisOnlyInsideTheBox) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 640, 650));
    View* point = imageView(root.get(), {344, 514}, 12, 12);
    point->setDraggable(true);
    struct Case {
        int x, y;
        Point expected;
    } constexpr cases[] = {
        {350, 420, {344, 414}},  // inside: top-left 6 px up and left of the pointer
        {280, 400, {274, 394}},  // on the minimum edges
        {400, 450, {394, 444}},  // on the maximum edges
        {279, 420, {394, 414}},  // left of the box: x stays
        {300, 451, {294, 414}},  // below the box: y stays
        {500, 300, {294, 414}},  // outside on both axes
    };
    for (const Case& c : cases) {
        point->dragTo(dragPosition(*point, {c.x, c.y}, 4, {400, 450, 280, 400}));
        EXPECT_EQ(point->position(), c.expected) << c.x << "," << c.y;
    }
}

TEST_F(ViewTest, VisibilityIsFrozenOnceShutdownBegins) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 4, 4));
    View* view = imageView(root.get(), {0, 0}, 2, 2);
    view->setVisible(false);
    EXPECT_FALSE(view->visible());
    lifecycle.running = 0;
    view->setVisible(true);
    EXPECT_FALSE(view->visible());
    lifecycle.running = 1;
    view->setVisible(true);
    EXPECT_TRUE(view->visible());
}

// Records, in one shared list, when each view is destroyed.
class RecordingView : public View {
public:
    RecordingView(const char* name, View* parent, std::vector<std::string>& log)
        : View({0, 0}, parent, KindText, nullptr, 0), name_(name), log_(log) {}
    ~RecordingView() override { log_.push_back(std::string(name_) + " ends, children left " + std::to_string(childCount())); }

private:
    const char* name_;
    std::vector<std::string>& log_;
};

TEST_F(ViewTest, DestroyingAViewDestroysItsChildrenFirstInListOrder) {
    std::vector<std::string> log;
    auto* root = new RecordingView("root", nullptr, log);
    auto* a = new RecordingView("a", root, log);
    new RecordingView("a1", a, log);
    new RecordingView("a2", a, log);
    new RecordingView("b", root, log);
    delete root;
    EXPECT_EQ(log, (std::vector<std::string>{"root ends, children left 2", "a ends, children left 2",
                                             "a1 ends, children left 0", "a2 ends, children left 0",
                                             "b ends, children left 0"}));
}

TEST_F(ViewTest, ADeletedChildLeavesItsParentsList) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 4, 4));
    View* first = imageView(root.get(), {0, 0}, 2, 2);
    View* second = imageView(root.get(), {0, 0}, 2, 2);
    delete first;
    ASSERT_EQ(root->childCount(), 1u);
    EXPECT_EQ(root->child(0), second);
    root->clearChildren();
    EXPECT_EQ(root->childCount(), 0u);
}

TEST_F(ViewTest, ReinitStartsOverButKeepsTheChildren) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 4, 4));
    std::unique_ptr<View> other(imageView(nullptr, {0, 0}, 4, 4));
    View* view = imageView(root.get(), {1, 1}, 2, 2);
    View* sibling = imageView(root.get(), {0, 0}, 2, 2);
    View* grandchild = imageView(view, {0, 0}, 1, 1);
    view->setOpacity(0.5f);
    view->setHitThrough(true);
    const std::int32_t serial = View::nextSerial();

    const auto png = test::solidPng(3, 3, 0xFF112233u);
    view->reinit({7, 8}, root.get(), KindImage, png.data(), png.size());
    EXPECT_EQ(view->serial(), serial);
    EXPECT_EQ(view->position(), (Point{7, 8}));
    EXPECT_EQ(view->opacity(), 1.0f);
    EXPECT_FALSE(view->hitThrough());
    EXPECT_EQ(view->normalImage().width, 3);
    ASSERT_EQ(view->childCount(), 1u);
    EXPECT_EQ(view->child(0), grandchild);
    // Same parent: moved to the end of its list, never listed twice.
    ASSERT_EQ(root->childCount(), 2u);
    EXPECT_EQ(root->child(0), sibling);
    EXPECT_EQ(root->child(1), view);

    view->reinit({0, 0}, other.get(), KindText, nullptr, 0);
    EXPECT_EQ(root->childCount(), 1u);
    ASSERT_EQ(other->childCount(), 1u);
    EXPECT_EQ(other->child(0), view);
    EXPECT_FALSE(view->normalImage().hasPixels());
}

TEST_F(ViewTest, AnImageThatDoesNotDecodeAsksTheProgramToQuit) {
    std::unique_ptr<View> root(imageView(nullptr, {0, 0}, 4, 4));
    const std::uint8_t garbage[] = {0x2F, 0x2F, 0x2F, 0x2F};
    auto* broken = new View({0, 0}, root.get(), KindImage, garbage, sizeof garbage);
    EXPECT_EQ(fake.callsStartingWith("debugOutput"), (std::vector<std::string>{"debugOutput 画像読み込みに失敗しました\n"}));
    EXPECT_EQ(fake.quitCode(), 0);
    EXPECT_FALSE(broken->normalImage().hasPixels());
    EXPECT_EQ(root->child(0), broken);  // still owned by the tree

    // A pressed or hover image that does not decode leaves the slot as it was.
    const auto good = test::solidPng(2, 2, 0xFF010101u);
    ASSERT_TRUE(root->setPressedImage(good.data(), good.size()));
    EXPECT_FALSE(root->setPressedImage(garbage, sizeof garbage));
    EXPECT_EQ(root->pressedImage().width, 2);
    EXPECT_EQ(fake.count("debugOutput"), 1);
}

// The tests' stand-in decoder fails where the system's would, without first
// allocating what a damaged header claims.
TEST_F(ViewTest, TheStandInDecoderRefusesDamagedLengthsAndHugeImages) {
    const std::vector<std::uint8_t> png = test::solidPng(3, 2, 0xFF102030u);
    const auto withByte = [&png](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> changed = png;
        changed[at] = value;
        return changed;
    };
    constexpr std::size_t HeaderLength = 8, IdatLengthHigh = 33;
    ASSERT_EQ(std::string(png.begin() + 37, png.begin() + 41), "IDAT");
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        long long limit;
        bool decodes;
    } cases[] = {
        {"whole image", png, 64LL << 20, true},
        {"IDAT length past the end", withByte(IdatLengthHigh, 0x3F), 64LL << 20, false},
        {"header length past the end", withByte(HeaderLength, 0x7F), 64LL << 20, false},
        {"exactly at the limit", png, 6, true},
        {"one pixel over the limit", png, 5, false},
    };
    for (const auto& row : cases) {
        fake.decodePixelLimit = row.limit;
        DecodedImage image;
        EXPECT_EQ(fake.decodeImage(row.bytes.data(), row.bytes.size(), image), row.decodes) << row.what;
        if (row.decodes) {
            EXPECT_EQ(image.pixels.size(), 3u * 2 * 4) << row.what;
        }
    }
}

TEST_F(ViewTest, BackgroundPictureComesFromTheProfilesFile) {
    test::writeBinaryFile("back.png", [] {
        const auto png = test::solidPng(5, 6, 0xFF204060u);
        return std::string(png.begin(), png.end());
    }());
    auto pictureView = [](const std::string& path) {
        return new View({0, 0}, nullptr, KindPictureFile, reinterpret_cast<const std::uint8_t*>(path.data()),
                        path.size());
    };
    std::unique_ptr<View> root(pictureView("back.png"));
    EXPECT_EQ(root->normalImage().width, 5);
    EXPECT_EQ(root->normalImage().height, 6);
    EXPECT_EQ(fake.count("debugOutput"), 0);

    std::unique_ptr<View> without(pictureView("missing.png"));
    EXPECT_FALSE(without->normalImage().hasPixels());
    EXPECT_EQ(fake.count("postQuitMessage 0"), 1);
}

TEST_F(ViewTest, ReloadBackgroundResetsTheRootAndKeepsItsChildren) {
    std::unique_ptr<View> root(imageView(nullptr, {3, 4}, 4, 4));
    View* child = imageView(root.get(), {0, 0}, 2, 2);
    root->setOpacity(0.5f);
    root->setHitThrough(true);
    root->setVisible(false);
    root->setPressed(true);
    root->setHoverDelay();
    root->setText(u"x", 12, 1, 1, 0, 0, 0, 0, 5, 5);

    test::writeFile("not-a-picture.png", "text\n");
    EXPECT_FALSE(root->reloadBackground("not-a-picture.png"));
    EXPECT_EQ(root->normalImage().width, 4);  // the old background stays
    EXPECT_EQ(fake.count("debugOutput 画像読み込みに失敗しました"), 1);
    EXPECT_EQ(fake.count("postQuitMessage"), 0);

    test::writeBinaryFile("picture.png", [] {
        const auto png = test::solidPng(7, 7, 0xFF000000u);
        return std::string(png.begin(), png.end());
    }());
    ASSERT_TRUE(root->reloadBackground("picture.png"));
    EXPECT_EQ(root->normalImage().width, 7);
    EXPECT_EQ(root->kind(), KindPictureFile);
    EXPECT_EQ(root->serial(), 0);
    EXPECT_EQ(root->position(), (Point{0, 0}));
    EXPECT_EQ(root->opacity(), 1.0f);
    EXPECT_TRUE(root->visible());
    EXPECT_FALSE(root->hitThrough() || root->pressed());
    EXPECT_EQ(root->hoverDelay(), 0);
    EXPECT_EQ(root->fontSize(), 10);
    EXPECT_EQ(root->colour(), 0xFFFFFFFFu);
    EXPECT_EQ(std::u16string(root->text()), u"");
    ASSERT_EQ(root->childCount(), 1u);
    EXPECT_EQ(root->child(0), child);
}

TEST_F(ViewTest, RepaintInvalidatesWithoutErasingThenUpdates) {
    fake.clearCalls();
    repaint();
    std::vector<std::string> calls = fake.calls();
    EXPECT_EQ(calls, (std::vector<std::string>{"invalidate erase=0", "updateWindow"}));
}

}  // namespace
}  // namespace vt

#include "ui/WidgetLayout.h"

#include <memory>
#include <string>
#include <vector>

#include "app/shell/MainWindow.h"
#include "app/ShellState.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/TestSupport.h"
#include "ui/CurveChart.h"
#include "ui/SkinArchive.h"

namespace vt {
namespace {

class WidgetLayoutTest : public test::PlatformTest {
protected:
    WidgetLayoutTest() {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        resetGpuInventory();
        View::setImageFailureHandler(quitOnImageFailure);
    }
    ~WidgetLayoutTest() override {
        root.reset();
        View::setImageFailureHandler(nullptr);
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        resetGpuInventory();
    }

    // Builds from the archive this build packed.
    bool build(LayoutInputs inputs = {}) {
        std::FILE* archive = std::fopen(VT_TEST_SKIN_ARCHIVE, "rb");
        EXPECT_NE(archive, nullptr) << VT_TEST_SKIN_ARCHIVE;
        root = buildWidgetTree(archive, inputs, w, texts);
        if (archive != nullptr) std::fclose(archive);
        return root != nullptr;
    }

    // Every widget in the order the layout table lists them.
    std::vector<View*> tableOrder() const {
        std::vector<View*> order{w.logo,         w.title,         w.version,        w.footer,
                                 w.closeButton,  w.minimiseButton, w.gpuListHeading, w.informationHeading,
                                 w.gpuListFrame, w.informationFrame};
        order.insert(order.end(), std::begin(w.gpuItem), std::end(w.gpuItem));
        order.insert(order.end(), std::begin(w.monitorLabel), std::end(w.monitorLabel));
        for (int row = 0; row < MonitorRowCount; ++row) {
            order.push_back(w.monitorValue[row]);
            if (row == RowFan1 || row == RowFan2) order.push_back(w.fanRpmText[row - RowFan1]);
        }
        order.insert(order.end(), std::begin(w.monitorHelp), std::end(w.monitorHelp));
        for (const auto& row : w.meterSegment) order.insert(order.end(), std::begin(row), std::end(row));
        order.insert(order.end(), {w.easyHeading, w.easySubheading, w.advancedHeading, w.advancedSubheading,
                                   w.advancedModeButton, w.easyModeButton, w.easyFrame});
        order.insert(order.end(), std::begin(w.largeOverlay), std::end(w.largeOverlay));
        order.insert(order.end(), std::begin(w.presetButton), std::end(w.presetButton));
        order.push_back(w.easyCard);
        order.insert(order.end(), std::begin(w.smallOverlay), std::end(w.smallOverlay));
        order.insert(order.end(), {w.applyButton, w.resetButton, w.profileButton, w.advancedFrame, w.curveChart});
        order.insert(order.end(), std::begin(w.chartLabel), std::end(w.chartLabel));
        order.insert(order.end(), std::begin(w.curveSegment), std::end(w.curveSegment));
        order.insert(order.end(), std::begin(w.curvePoint), std::end(w.curvePoint));
        order.insert(order.end(), std::begin(w.curveLabel), std::end(w.curveLabel));
        order.insert(order.end(), {w.sliSyncBox, w.sliSyncLabel});
        order.insert(order.end(), std::begin(w.tab), std::end(w.tab));
        order.insert(order.end(), std::begin(w.sliderTitle), std::end(w.sliderTitle));
        for (const SliderWidgets& s : w.slider) {
            order.insert(order.end(), {s.track, s.trackEnd, s.trackLine, s.fillBar, s.knob, s.minLabel, s.maxLabel,
                                       s.valueText});
        }
        order.push_back(w.overclockWarning);
        order.insert(order.end(), {w.pageHelp[0][0], w.pageHelp[0][1], w.pageHelp[1][0], w.pageHelp[1][1],
                                   w.pageHelp[2][0], w.pageHelp[3][0], w.pageHelp[3][1], w.easyModeHelp,
                                   w.advancedModeHelp, w.applyHelp, w.resetHelp});
        return order;
    }

    std::vector<View*> helpImages() const {
        std::vector<View*> help(std::begin(w.monitorHelp), std::end(w.monitorHelp));
        help.insert(help.end(), {w.pageHelp[0][0], w.pageHelp[0][1], w.pageHelp[1][0], w.pageHelp[1][1],
                                 w.pageHelp[2][0], w.pageHelp[3][0], w.pageHelp[3][1], w.easyModeHelp,
                                 w.advancedModeHelp, w.applyHelp, w.resetHelp});
        return help;
    }

    std::unique_ptr<View> root;
    Widgets w;
    WidgetTexts texts;
};

TEST_F(WidgetLayoutTest, BuildsEveryWidgetUnderTheRootInTableOrder) {
    ASSERT_TRUE(build());
    const std::vector<View*> order = tableOrder();
    ASSERT_EQ(order.size(), 533u);
    ASSERT_EQ(w.root->childCount(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_NE(order[i], nullptr) << "widget " << i;
        EXPECT_EQ(w.root->child(i), order[i]) << "widget " << i;
        EXPECT_EQ(order[i]->parent(), w.root);
        EXPECT_EQ(order[i]->childCount(), 0u);
        if (i > 0) {
            EXPECT_GT(order[i]->serial(), order[i - 1]->serial()) << "widget " << i;
        }
    }
    EXPECT_LT(w.root->serial(), order.front()->serial());
    EXPECT_EQ(fake.count("debugOutput"), 0);
    EXPECT_EQ(fake.quitCode(), -1);
}

TEST_F(WidgetLayoutTest, EachSliderKnobLiesAboveItsLines) {
    ASSERT_TRUE(build());
    for (const SliderWidgets& s : w.slider) {
        EXPECT_GT(s.knob->serial(), s.fillBar->serial());
        EXPECT_GT(s.fillBar->serial(), s.trackLine->serial());
        EXPECT_GT(s.trackLine->serial(), s.track->serial());
    }
}

TEST_F(WidgetLayoutTest, WidgetsStartWhereAndHowTheTableSays) {
    ASSERT_TRUE(build());
    struct Case {
        const char* name;
        View* view;
        Point at;
        int kind;
        bool visible, hitThrough;
        int imageState;
        float opacity;
        int hoverDelay;
        int width, height;  // of the image, or the hit size of a text
    } const cases[] = {
        {"root", w.root, {0, 0}, KindImage, true, false, 0, 1.0f, 0, 640, 650},
        {"logo", w.logo, {20, 20}, KindImage, true, true, 0, 1.0f, 0, 36, 36},
        {"close", w.closeButton, {584, 0}, KindImage, true, false, 0, 1.0f, 0, 36, 24},
        {"minimise", w.minimiseButton, {554, 0}, KindImage, true, false, 0, 1.0f, 0, 30, 24},
        {"GPU list frame", w.gpuListFrame, {30, 109}, KindImage, true, true, 0, 1.0f, 0, 172, 187},
        {"information frame", w.informationFrame, {220, 109}, KindImage, true, true, 0, 1.0f, 0, 390, 187},
        {"GPU item 2", w.gpuItem[2], {42, 193}, KindText, true, false, 0, 1.0f, 0, 150, 10},
        {"memory label", w.monitorLabel[RowMemoryClock], {238, 160}, KindText, true, false, 0, 1.0f, 60, 90, 10},
        {"fan 1 label", w.monitorLabel[RowFan1], {238, 250}, KindText, false, false, 0, 1.0f, 60, 62, 10},
        {"fan value", w.monitorValue[RowFan], {414, 250}, KindText, true, true, 0, 1.0f, 0, 1, 1},
        {"fan 2 rpm", w.fanRpmText[1], {414, 275}, KindText, false, true, 0, 1.0f, 0, 1, 1},
        {"load help", w.monitorHelp[HelpLoad], {218, 175}, KindImage, false, true, 0, 1.0f, 0, 392, 34},
        {"fan 2 help", w.monitorHelp[HelpFan2], {218, 234}, KindImage, false, true, 0, 1.0f, 0, 392, 34},
        {"Advanced Mode button", w.advancedModeButton, {514, 330}, KindImage, true, false, 0, 1.0f, 60, 96, 24},
        {"Easy Mode button", w.easyModeButton, {420, 330}, KindImage, true, false, 1, 1.0f, 60, 94, 24},
        {"large eco overlay", w.largeOverlay[2], {37, 412}, KindImage, true, true, 0, 0.0f, 0, 158, 160},
        {"default preset", w.presetButton[1], {354, 392}, KindImage, true, false, 0, 1.0f, 0, 121, 108},
        {"small default overlay", w.smallOverlay[1], {220, 512}, KindImage, true, true, 0, 0.0f, 0, 390, 66},
        {"apply", w.applyButton, {222, 598}, KindImage, true, false, 0, 1.0f, 60, 100, 32},
        {"reset", w.resetButton, {342, 598}, KindImage, true, false, 0, 1.0f, 60, 100, 32},
        {"profile button", w.profileButton, {30, 627}, KindImage, true, false, 0, 0.75f, 0, 72, 20},
        {"Advanced frame", w.advancedFrame, {30, 392}, KindImage, false, true, 0, 1.0f, 0, 172, 186},
        {"chart", w.curveChart, {270, 380}, KindImage, false, true, 0, 1.0f, 0, 201, 201},
        {"SLI-SYNC", w.sliSyncBox, {126, 267}, KindImage, true, false, 0, 1.0f, 0, 12, 12},
        {"FANカーブ tab", w.tab[4], {44, 527}, KindText, false, false, 0, 1.0f, 0, 150, 10},
        {"slider 2 title", w.sliderTitle[1], {228, 486}, KindText, false, false, 0, 1.0f, 60, 89, 10},
        {"slider 2 track", w.slider[1].track, {220, 509}, KindImage, false, true, 0, 1.0f, 0, 280, 30},
        {"slider 1 track end", w.slider[0].trackEnd, {507, 416}, KindImage, false, true, 0, 1.0f, 0, 104, 28},
        {"slider 2 knob", w.slider[1].knob, {228, 515}, KindImage, false, false, 0, 1.0f, 0, 16, 18},
        {"slider 1 value", w.slider[0].valueText, {560, 424}, KindText, false, false, 0, 1.0f, 0, 1, 1},
        {"slider 2 maximum", w.slider[1].maxLabel, {473, 542}, KindText, false, false, 0, 1.0f, 0, 0, 0},
        {"warning", w.overclockWarning, {228, 374}, KindText, false, true, 0, 1.0f, 0, 0, 0},
        {"page 1 lower help", w.pageHelp[1][1], {225, 404}, KindImage, false, true, 0, 1.0f, 0, 385, 72},
        {"Easy Mode help", w.easyModeHelp, {293, 355}, KindImage, false, true, 0, 1.0f, 0, 317, 60},
        {"reset help", w.resetHelp, {338, 535}, KindImage, false, true, 0, 1.0f, 0, 272, 58},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.view->position(), c.at);
        EXPECT_EQ(c.view->kind(), c.kind);
        EXPECT_EQ(c.view->visible(), c.visible);
        EXPECT_EQ(c.view->hitThrough(), c.hitThrough);
        EXPECT_EQ(c.view->imageState(), c.imageState);
        EXPECT_EQ(c.view->opacity(), c.opacity);
        EXPECT_EQ(c.view->hoverDelay(), c.hoverDelay);
        const bool image = c.kind == KindImage;
        EXPECT_EQ(image ? c.view->normalImage().width : c.view->width(), c.width);
        EXPECT_EQ(image ? c.view->normalImage().height : c.view->height(), c.height);
    }
    EXPECT_TRUE(w.slider[0].knob->draggable() && w.slider[1].knob->draggable());
    EXPECT_EQ(w.closeButton->pressedImage().width, 36);
    EXPECT_FALSE(w.closeButton->hoverImage().hasPixels());
    EXPECT_EQ(w.applyButton->hoverImage().width, 100);
    EXPECT_EQ(w.presetButton[2]->pressedImage().width, 121);
}

TEST_F(WidgetLayoutTest, TextsCarryTheirWordsSizesAndColours) {
    ASSERT_TRUE(build());
    struct Case {
        View* view;
        const char16_t* text;
        int size, style, alignment;
        std::uint32_t colour;
    } const cases[] = {
        {w.title, u"Halvenro Vantrelis", 12, 1, 1, 0xFFFFFFFF},
        {w.version, u"Ver.2.10", 7, 1, 1, 0xFFFFFFFF},
        {w.footer, u"Halvenro Vantrelis Ver.2.10", 7, 1, 1, 0x40FFFFFF},
        {w.gpuListHeading, u"GPUの選択", 8, 1, 0, 0xFFFFFFFF},
        {w.informationHeading, u"GPU Information", 8, 1, 0, 0xFFFFFFFF},
        {w.gpuItem[0], u"- empty -", 8, 0, 0, 0xBEFFFFFF},
        {w.gpuItem[3], u"- empty -", 8, 0, 0, 0x40FFFFFF},
        {w.monitorLabel[RowGpuClock], u"GPUクロック", 8, 0, 0, 0xFFFFFFFF},
        {w.monitorLabel[RowTemperature], u"GPU温度", 8, 0, 0, 0xFFFFFFFF},
        {w.monitorLabel[RowFan2], u"FAN回転数2", 8, 0, 0, 0xFFFFFFFF},
        {w.monitorValue[RowLoad], u"", 8, 0, 2, 0xFFFFFFFF},
        {w.easyHeading, u"簡単設定モード", 14, 0, 0, 0xFFFFFFFF},
        {w.easySubheading, u"Easy Mode", 8, 0, 0, 0xFFFFFFFF},
        {w.advancedHeading, u"拡張設定モード", 14, 0, 0, 0xFFFFFFFF},
        {w.advancedSubheading, u"Advanced Mode", 8, 0, 0, 0xFFFFFFFF},
        {w.chartLabel[0], u"温度", 7, 0, 0, 0xFFC8C8C8},
        {w.chartLabel[3], u"(100％)", 7, 0, 0, 0xFFC8C8C8},
        {w.sliSyncLabel, u"SLI-SYNC", 8, 0, 0, 0xFFFFFFFF},
        {w.tab[0], u"基本設定", 8, 0, 0, 0xBEFFFFFF},
        {w.tab[1], u"パワー/TEMP ターゲット", 8, 0, 0, 0x40FFFFFF},
        {w.tab[3], u"FAN回転数", 8, 0, 0, 0x40FFFFFF},
        {w.sliderTitle[0], u"GPUクロック", 8, 1, 0, 0xFFFFFFFF},
        {w.slider[0].minLabel, u"", 8, 0, 1, 0xFFFFFFFF},
        {w.overclockWarning, u"過度のオーバークロックは自己責任で行ってください", 8, 0, 0, 0x80FF0000},
        {w.curveLabel[0], u"0 ℃, 0 ％", 7, 1, 0, 0xFFFF641A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text at " + std::to_string(c.view->position().x) + "," + std::to_string(c.view->position().y));
        EXPECT_EQ(std::u16string(c.view->text()), c.text);
        EXPECT_EQ(c.view->fontSize(), c.size);
        EXPECT_EQ(c.view->fontStyle(), c.style);
        EXPECT_EQ(c.view->alignment(), c.alignment);
        EXPECT_EQ(c.view->colour(), c.colour);
        EXPECT_EQ(std::u16string(c.view->fontFamily()), u"メイリオ");
    }
}

TEST_F(WidgetLayoutTest, MeterRowsAreSixtyThinLinesThreePixelsApart) {
    tuning.easySettings = PresetEco;
    ASSERT_TRUE(build());
    const int tops[MonitorRowCount] = {130, 161, 192, 224, 256, 250, 270};
    for (int row = 0; row < MonitorRowCount; ++row) {
        for (int segment : {0, 1, 59}) {
            const View* line = w.meterSegment[row][segment];
            const int x = 420 + 3 * segment;
            EXPECT_EQ(line->kind(), KindLine);
            EXPECT_EQ(line->line(), (Rect{x, tops[row], x, tops[row] + 12})) << row << "/" << segment;
            EXPECT_EQ(line->penWidth(), 2.0f);
            EXPECT_EQ(line->colour(), 0x1E8DC21Fu);  // eco green, unlit
            EXPECT_TRUE(line->hitThrough());
            EXPECT_EQ(line->visible(), row != RowFan1 && row != RowFan2);
        }
    }
}

TEST_F(WidgetLayoutTest, MeterColourFollowsThePreset) {
    struct Case {
        int preset;
        bool fanRow;
        int segment;
        std::uint32_t rgb;
    } constexpr cases[] = {
        {0, false, 0, 0xE50606}, {1, true, 30, 0x2CA4DE}, {2, false, 59, 0x8DC21F},
        {3, false, 0, 0xCCFF00}, {3, false, 59, 0xFF1300}, {3, false, 51, 0xFF3300},
        {3, true, 0, 0xCCFF50},  {3, true, 59, 0x0013FF},  {3, true, 20, 0x7CAF8C},
        {7, false, 1, 0xCDFB00},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meterSegmentColour(c.preset, c.fanRow, c.segment), c.rgb)
            << c.preset << " " << c.fanRow << " " << c.segment;
    }
}

TEST_F(WidgetLayoutTest, HelpImagesAndPresetOverlaysNeverTakeAClick) {
    ASSERT_TRUE(build());
    std::vector<View*> passive = helpImages();
    passive.insert(passive.end(), std::begin(w.largeOverlay), std::end(w.largeOverlay));
    passive.insert(passive.end(), std::begin(w.smallOverlay), std::end(w.smallOverlay));
    for (View* view : passive) view->setVisible(true);  // even when shown
    for (View* view : passive) {
        const Point at = view->position();
        const Point centre{at.x + view->normalImage().width / 2, at.y + view->normalImage().height / 2};
        View* hit = w.root->hitTest(centre);
        EXPECT_NE(hit, view) << "at " << centre.x << "," << centre.y;
        EXPECT_NE(hit, nullptr);
    }
    // What lies under them still answers.
    EXPECT_EQ(w.root->hitTest({240, 131}), w.monitorLabel[RowGpuClock]);  // under the memory clock help
    EXPECT_EQ(w.root->hitTest({300, 400}), w.presetButton[0]);            // under the mode and page help
    EXPECT_EQ(w.root->hitTest({100, 480}), w.root);  // the overlays over the Easy frame: the background
}

TEST_F(WidgetLayoutTest, PresetButtonsShowTheStoredPreset) {
    struct Case {
        int preset;
        int states[3];
    } constexpr cases[] = {
        {0, {1, 0, 0}}, {1, {0, 1, 0}}, {2, {0, 0, 1}}, {3, {0, 0, 0}}, {-1, {0, 0, 0}}, {9, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        tuning.easySettings = c.preset;
        ASSERT_TRUE(build());
        for (int button = 0; button < 3; ++button) {
            EXPECT_EQ(w.presetButton[button]->imageState(), c.states[button]) << "preset " << c.preset;
            EXPECT_EQ(w.largeOverlay[button]->opacity(), 0.0f);
        }
        root.reset();
        w = Widgets{};
    }
}

TEST_F(WidgetLayoutTest, SyncBoxShowsSynchronisationOnAsItsNormalImage) {
    for (int sync : {1, 0}) {
        tuning.sliSync = sync;
        ASSERT_TRUE(build());
        EXPECT_EQ(w.sliSyncBox->imageState(), 1 - sync);
        root.reset();
        w = Widgets{};
    }
}

TEST_F(WidgetLayoutTest, GpuListNamesThePresentGpusAndMarksTheSelectedOne) {
    inventory.count = 2;
    std::u16string name = u"Reference GPU A";
    std::copy(name.begin(), name.end(), inventory.slots[0].name);
    // A name filling its whole buffer, with no terminator, is cut.
    std::fill(std::begin(inventory.slots[1].name), std::end(inventory.slots[1].name), u'B');
    tuning.selectedGpu = 1;
    ASSERT_TRUE(build());
    EXPECT_EQ(std::u16string(w.gpuItem[0]->text()), u"Reference GPU A");
    EXPECT_EQ(std::u16string(w.gpuItem[1]->text()), std::u16string(GpuNameCapacity - 1, u'B'));
    EXPECT_EQ(std::u16string(w.gpuItem[2]->text()), u"- empty -");
    EXPECT_EQ(w.gpuItem[0]->colour(), 0x40FFFFFFu);
    EXPECT_EQ(w.gpuItem[1]->colour(), 0xBEFFFFFFu);
    EXPECT_EQ(w.gpuItem[0]->text(), texts.gpuName[0].c_str());  // later code rewrites the buffer
}

TEST_F(WidgetLayoutTest, SliderTitlesNameOffsetsOnlyForOffsetCapableGpus) {
    struct Case {
        int modern, legacy;
        const char16_t* titles[2];
        int widths[2];
    } const cases[] = {
        {1, 0, {u"GPUクロックオフセット", u"メモリークロックオフセット"}, {122, 144}},
        {0, 1, {u"GPUクロックオフセット", u"メモリークロックオフセット"}, {122, 144}},
        {0, 0, {u"GPUクロック", u"メモリークロック"}, {68, 89}},
    };
    for (const Case& c : cases) {
        resetGpuInventory();
        inventory.count = 2;
        inventory.slots[1].caps.ModernTuning = c.modern;
        inventory.slots[1].caps.LegacyTuning = c.legacy;
        ASSERT_TRUE(build({1, {}}));
        for (int s = 0; s < 2; ++s) {
            EXPECT_EQ(std::u16string(w.sliderTitle[s]->text()), c.titles[s]);
            EXPECT_EQ(w.sliderTitle[s]->width(), c.widths[s]);
            EXPECT_EQ(w.sliderTitle[s]->fontStyle(), 1);
        }
        root.reset();
        w = Widgets{};
    }
}

TEST_F(WidgetLayoutTest, CurveEditorStartsFromTheActiveGpusCurve) {
    inventory.count = 2;
    GpuSlot& gpu = inventory.slots[1];
    gpu.curveTemp[0] = 45;
    gpu.curveTemp[1] = 65;
    gpu.curveTemp[2] = 85;
    gpu.storedCurve.points[0].level = 30;
    gpu.storedCurve.points[1].level = 50;
    gpu.storedCurve.points[2].level = 80;
    gpu.fan1Min = 20;
    gpu.fan1Max = 90;
    ASSERT_TRUE(build({1, {}}));

    const int fan[5] = {20, 30, 50, 80, 80};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(gpu.curveFan[i], fan[i]) << i;
    const Point points[5] = {{264, 534}, {354, 514}, {394, 474}, {434, 414}, {464, 414}};
    const Point labels[5] = {{206, 532}, {364, 524}, {404, 484}, {444, 424}, {478, 412}};
    const char16_t* words[5] = {u"0 ℃, 20 ％", u"45 ℃, 30 ％", u"65 ℃, 50 ％", u"85 ℃, 80 ％", u"100 ℃, 80 ％"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(w.curvePoint[i]->position(), points[i]) << i;
        EXPECT_EQ(w.curvePoint[i]->normalImage().width, 12);
        EXPECT_FALSE(w.curvePoint[i]->visible());
        EXPECT_FALSE(w.curvePoint[i]->draggable());
        EXPECT_EQ(w.curveLabel[i]->position(), labels[i]) << i;
        EXPECT_EQ(std::u16string(w.curveLabel[i]->text()), words[i]);
        EXPECT_EQ(w.curveLabel[i]->width(), 1);
    }
    const Rect segments[4] = {{270, 540, 359, 519}, {360, 520, 399, 479}, {400, 480, 439, 419}, {440, 420, 469, 419}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.curveSegment[i]->line(), segments[i]) << i;
        EXPECT_EQ(w.curveSegment[i]->colour(), 0xFF0000FFu);
        EXPECT_EQ(w.curveSegment[i]->penWidth(), 1.0f);
        EXPECT_FALSE(w.curveSegment[i]->visible());
    }
    // The two end points and the three inner ones use their own images.
    const ViewImage& end = w.curvePoint[0]->normalImage();
    const ViewImage& inner = w.curvePoint[2]->normalImage();
    EXPECT_EQ(end.pixels, w.curvePoint[4]->normalImage().pixels);
    EXPECT_EQ(inner.pixels, w.curvePoint[1]->normalImage().pixels);
    EXPECT_NE(end.pixels, inner.pixels);
}

TEST_F(WidgetLayoutTest, CurveFanClampsTheDriversLevelsIntoTheFanRange) {
    struct Case {
        int levels[3];
        int low, high;
        int expected[5];
    } constexpr cases[] = {
        {{30, 50, 80}, 20, 90, {20, 30, 50, 80, 80}},
        {{10, 50, 95}, 20, 90, {10, 20, 50, 90, 90}},
        {{0, 0, 0}, 0, 0, {0, 0, 0, 0, 0}},
        {{40, 60, 100}, 30, 100, {30, 40, 60, 100, 100}},
        {{50, 50, 50}, 60, 40, {50, 40, 40, 40, 40}},  // a range upside down: the top is checked first
    };
    for (const Case& c : cases) {
        GpuSlot slot;
        for (int i = 0; i < 3; ++i) slot.storedCurve.points[i].level = c.levels[i];
        slot.fan1Min = c.low;
        slot.fan1Max = c.high;
        computeCurveFan(slot);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(slot.curveFan[i], c.expected[i]) << c.levels[0] << " point " << i;
    }
    EXPECT_EQ(curvePointPosition(40, 30), (Point{344, 514}));
    EXPECT_EQ(curvePointPosition(0, 0), (Point{264, 574}));
    EXPECT_EQ(curvePointPosition(100, 100), (Point{464, 374}));
}

TEST_F(WidgetLayoutTest, WorkerThreadsStartOnceTheMonitorWidgetsExist) {
    int calls = 0;
    std::int32_t serialAtCall = -1;
    bool meterBuilt = false, modeSwitchBuilt = true;
    ASSERT_TRUE(build({0, [&] {
                           ++calls;
                           serialAtCall = View::nextSerial();
                           meterBuilt = w.meterSegment[RowFan2][MeterSegmentCount - 1] != nullptr;
                           modeSwitchBuilt = w.easyHeading != nullptr;
                       }}));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(meterBuilt);
    EXPECT_FALSE(modeSwitchBuilt);
    EXPECT_EQ(serialAtCall, w.meterSegment[RowFan2][MeterSegmentCount - 1]->serial() + 1);
    EXPECT_EQ(w.easyHeading->serial(), serialAtCall);
}

TEST_F(WidgetLayoutTest, StartUpWindowDrawsEasyModeOnly) {
    ASSERT_TRUE(build());
    fake.recordDrawing = true;
    std::vector<std::uint8_t> pixels(640 * 650 * 4, 0x55);
    BackBuffer target;
    target.attach(pixels.data(), 640, 650);
    w.root->draw(target);

    // Title, version, footer, two headings, four GPU items, five labels and
    // five values, the Easy Mode headings and the SLI-SYNC label.
    EXPECT_EQ(fake.count("drawText"), 22);
    EXPECT_EQ(fake.count("drawLine"), 5 * 60);
    EXPECT_EQ(fake.count("drawText 30,330 size=18.666666 align=0 argb=ffffffff 簡単設定モード"), 1);
    EXPECT_EQ(fake.count("drawText 325,20 size=16.000000 align=1 argb=ffffffff Halvenro Vantrelis"), 1);
    // The background is opaque: every fourth byte is 0 and no pixel keeps the fill.
    std::size_t untouched = 0, fourthBytes = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        untouched += pixels[i] == 0x55 && pixels[i + 1] == 0x55 && pixels[i + 2] == 0x55;
        fourthBytes += pixels[i + 3];
    }
    EXPECT_EQ(fourthBytes, 0u);
    EXPECT_LT(untouched, 10u);
}

TEST_F(WidgetLayoutTest, AShortArchiveStillBuildsButAsksTheProgramToQuit) {
    const std::string full = test::readFile(VT_TEST_SKIN_ARCHIVE);
    test::writeBinaryFile("short", full.substr(0, full.size() / 2));
    std::FILE* archive = std::fopen("short", "rb");
    ASSERT_NE(archive, nullptr);
    root = buildWidgetTree(archive, {}, w, texts);
    std::fclose(archive);
    EXPECT_NE(root, nullptr);  // nothing failed to allocate
    EXPECT_TRUE(w.root->normalImage().hasPixels());  // entry 0 lies in the first half
    EXPECT_FALSE(w.curvePoint[2]->normalImage().hasPixels());  // entry 99, the archive's end
    EXPECT_GT(fake.count("debugOutput 画像読み込みに失敗しました"), 0);
    EXPECT_EQ(fake.quitCode(), 0);
}

}  // namespace
}  // namespace vt

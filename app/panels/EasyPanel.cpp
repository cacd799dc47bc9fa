#include "app/panels/EasyPanel.h"

#include "app/panels/HoverHelp.h"
#include "app/PanelEdit.h"
#include "app/panels/ShownGpu.h"
#include "app/ShellState.h"
#include "gpu/Apply.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr int FullLevel = 10;
constexpr float DimmedOpacity = 0.5f;

int fadeLevel[PresetCount] = {};

bool currentGpuTunable() { return inventory.count > 0 && tunable(shownGpu()); }

// Each returns whether it changed anything.
bool enable(View* button, bool enabled) {
    if (button == nullptr) return false;
    const float opacity = enabled ? 1.0f : DimmedOpacity;
    if (button->opacity() == opacity && button->hitThrough() == !enabled) return false;
    button->setOpacity(opacity);
    button->setHitThrough(!enabled);
    return true;
}

bool show(View* overlay, bool shown) {
    if (overlay == nullptr || overlay->visible() == shown) return false;
    overlay->setVisible(shown);
    return true;
}

// Without presets for the GPU the buttons are dimmed and take no clicks.
void enableButtons(bool enabled) {
    bool changed = enable(widgets.applyButton, enabled) | enable(widgets.resetButton, enabled);
    for (int preset = 0; preset < PresetCount; ++preset) {
        changed |= enable(widgets.presetButton[preset], enabled);
        changed |= show(widgets.largeOverlay[preset], enabled);
        changed |= show(widgets.smallOverlay[preset], enabled);
    }
    if (changed) repaint();
}

// A press on a button not yet selected makes its preset the pending one.
void selectPressed() {
    if (shell.input.mouseButton < BUTTON_PRESSED) return;
    for (int preset = 0; preset < PresetCount; ++preset) {
        View* button = widgets.presetButton[preset];
        if (button == nullptr || !button->pressed() || button->imageState() != ImageAuto) continue;
        for (int other = 0; other < PresetCount; ++other) {
            if (View* each = widgets.presetButton[other]) each->setImageState(other == preset ? ImagePressed : ImageAuto);
        }
        panel.easyChoice = preset;
        repaint();
        return;
    }
}

// The overlays preview the button under the pointer; with none (or only the
// selected one) under it they follow the pending preset.
void previewHovered() {
    for (int preset = 0; preset < PresetCount; ++preset) {
        const View* button = widgets.presetButton[preset];
        if (button == nullptr || button->imageState() != ImageAuto) continue;
        if (button->hovered() || button->pressed()) {
            panel.shownPreset = preset;
            shell.handCursor = 1;
            return;
        }
    }
    panel.shownPreset = PresetCustom;
}

bool overlaysBuilt() {
    for (int preset = 0; preset < PresetCount; ++preset) {
        if (widgets.largeOverlay[preset] == nullptr || widgets.smallOverlay[preset] == nullptr) return false;
    }
    return true;
}

void setOverlayOpacity(int preset, float opacity) {
    widgets.largeOverlay[preset]->setOpacity(opacity);
    widgets.smallOverlay[preset]->setOpacity(opacity);
}

// Advanced Mode keeps the applied preset's overlays ready at once, so that
// going back to Easy Mode shows it without a fade.
void setLevelsAtOnce() {
    const std::int32_t current = tuning.easySettings;
    for (int preset = 0; preset < PresetCount; ++preset) {
        const bool on = preset == current;
        fadeLevel[preset] = on ? FullLevel - 1 : 0;
        setOverlayOpacity(preset, on ? 1.0f : 0.0f);
    }
}

bool levelsSetAtOnce() {
    for (int preset = 0; preset < PresetCount; ++preset) {
        const bool on = preset == tuning.easySettings;
        if (fadeLevel[preset] != (on ? FullLevel - 1 : 0)) return false;
        if (widgets.largeOverlay[preset]->opacity() != (on ? 1.0f : 0.0f)) return false;
    }
    return true;
}

// The preview wins; without one the pending preset shows, and with neither
// (custom) every overlay fades out.
int fadeTarget(int preset) {
    const std::int32_t shown = panel.shownPreset != PresetCustom ? panel.shownPreset : panel.easyChoice;
    return preset == shown ? FullLevel : 0;
}

void stepButtonHelp(View* button, View* help, Point cursor) {
    if (button == nullptr || help == nullptr) return;
    if (!button->hitThrough()) {
        if (button->hitTestSelf(cursor) == button && button->visible()) shell.handCursor = 1;
        stepHoverHelp(*button, *help);
        return;
    }
    // A dimmed button keeps the flags of its last hit test: none are trusted.
    button->setHoverTicks(0);
    if (help->visible()) {
        help->setVisible(false);
        repaint();
    }
}

}  // namespace

void easyPresetPass() {
    if (panel.advancedMode != 0 || applySettling()) return;
    const bool presets = currentGpuTunable();
    enableButtons(presets);
    if (!presets) return;
    selectPressed();
    previewHovered();
}

void presetIndicatorStep() {
    if (!overlaysBuilt()) return;
    if (panel.advancedMode != 0) {
        setLevelsAtOnce();
        return;
    }
    if (!currentGpuTunable()) return;
    bool changed = false;
    for (int preset = 0; preset < PresetCount; ++preset) {
        const int target = fadeTarget(preset);
        int& level = fadeLevel[preset];
        if (level == target) continue;
        level += target > level ? 1 : -1;
        setOverlayOpacity(preset, static_cast<float>(level) / FullLevel);
        changed = true;
    }
    if (changed) repaint();
}

bool presetFadePending() {
    if (!overlaysBuilt()) return false;
    if (panel.advancedMode != 0) return !levelsSetAtOnce();
    if (!currentGpuTunable()) return false;
    for (int preset = 0; preset < PresetCount; ++preset) {
        if (fadeLevel[preset] != fadeTarget(preset)) return true;
    }
    return false;
}

void showPresetOverlaysAtOnce(std::int32_t preset) {
    if (!overlaysBuilt()) return;
    for (int overlay = 0; overlay < PresetCount; ++overlay) {
        const bool on = overlay == preset;
        fadeLevel[overlay] = on ? FullLevel : 0;
        setOverlayOpacity(overlay, on ? 1.0f : 0.0f);
    }
}

void actionButtonHoverPass(Point cursor) {
    stepButtonHelp(widgets.applyButton, widgets.applyHelp, cursor);
    stepButtonHelp(widgets.resetButton, widgets.resetHelp, cursor);
}

void resetEasyPanel() {
    for (int& level : fadeLevel) level = 0;
}

}  // namespace vt

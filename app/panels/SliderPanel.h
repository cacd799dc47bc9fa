// The two sliders of the Advanced Mode pages and their value texts.
//
// Before every repaint the sliders are bound to the page shown (refreshSliders,
// an entry point of app/PanelPass.h): the working values in `panel` follow the
// stored values when those change, when the page or the GPU changes or when a
// refresh is forced; in between they follow the dragged knob and the Left and
// Right arrow keys. Only apply takes the working values to the driver.
#pragma once

#include <cstdint>

namespace vt {

// Which slider the arrow keys drive: the one whose knob was last dragged.
std::int32_t activeSlider();

// Back to the start: nothing shown yet, slider 1 driven by the keys.
void resetSliderPanel();

}  // namespace vt

// The widgets of the Advanced Mode pages: which of them each page shows, the
// titles it gives its sliders, and what the apply and reset buttons may do
// on it. The pages are those of state/AdvancedPage.h.
#pragma once

#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"

namespace vt {

// How many of the two sliders a page uses.
int slidersOnPage(int page);

// The page's sliders, slider titles (for `gpu`) or fan-curve chart show;
// every other page's widgets, all page help images and the overclock
// warning hide.
void showPageWidgets(int page, const GpuSlot& gpu);
// Every page widget hides (Easy Mode).
void hidePageWidgets();
void setSliderTitles(int page, const GpuSlot& gpu);

// Apply and reset as the page allows: on the fan-curve page reset needs a
// GPU with a fan curve and apply an edited curve besides; on the fan-speed
// page apply waits while the fan follows its curve. A disabled button is
// dimmed and takes no clicks. Repaints when a look changes.
void enableActionButtons(int page, const GpuSlot& gpu);

}  // namespace vt

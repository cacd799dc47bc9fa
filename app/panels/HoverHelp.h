// Hover help: a widget the pointer rests on shows its help image after a
// delay and hides it the moment the pointer leaves.
//
// The delay is counted in panel passes, 60 of them (the widget's hover delay),
// so it follows the pace at which the window runs its panel work. Which help
// image belongs to which widget is the business of each panel.
#pragma once

#include "ui/View.h"

namespace vt {

// One pass for a widget and its help image: while the widget is under the
// cursor its hover ticks count up to its hover delay and stay there, and on
// reaching it the help image shows (only while the program runs); once the
// widget is not under the cursor the ticks go back to 0 and a shown image
// hides. The window repaints on every change of the image.
void stepHoverHelp(View& widget, View& help);

// The same, with no help shown for a widget that is not there or hidden.
void stepHoverHelp(View* widget, View* help);

// Whether a shown widget under the cursor is still counting towards its help:
// the passes must go on for its help to appear.
bool hoverHelpCounting(const View& root);

}  // namespace vt

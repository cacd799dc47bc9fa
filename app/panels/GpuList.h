// The GPU selector list: four names on the left of the window, one per GPU
// in enumeration order ("- empty -" where there is none), and what follows
// when the user picks another one.
//
// A press (or a hold) on a name selects that GPU; whatever shows or acts on
// the selected GPU then follows it: the sliders take its values over, the
// curve editor its curve, the easy panel its presets, and the monitoring
// thread samples it at once so that the readouts switch without waiting for
// the next second. The same follow-up runs when a profile load changes the
// selection.
#pragma once

#include "platform/Types.h"

namespace vt {

// Look of a list item: the colour its name is drawn in.
enum GpuItemLook : int {
    ItemNormal = 0,
    ItemSelected = 1,
    ItemHovered = 2,
    ItemPressed = 3,  // selected by the press under way
};

// Refreshes the items' under-cursor flags (the first step of the panel pass).
void hitTestGpuItems(Point cursor);
// Looks, hand cursor and selection of the four items, then the follow-up of
// a changed selection and, once the new GPU's first sample has come, its
// readouts.
void gpuListPass();

int gpuItemLook(int item);

// Back to the start: no selection seen yet, every look normal.
void resetGpuList();

// A GPU the driver no longer has after a reset: its item shows "- empty -"
// and no longer reacts.
void showGpuGone(int item);

}  // namespace vt

// The one way the window is brought up to date.
//
// Whatever changes what the window shows asks for a repaint: the whole client
// area is invalidated without erasing (the back buffer covers every pixel, so
// erasing would only flicker) and painted at once.
#pragma once

namespace vt {

void repaint();

}  // namespace vt

// The pages of Advanced Mode, in the order of their tabs.
//
// `lifecycle.activePage` holds the page shown. The window's panels lay out,
// apply and reset by it; the apply step picks what it sends by it; the
// monitoring thread follows the driver's fan curve only while the fan-curve
// page is shown.
#pragma once

#include <cstdint>

namespace vt {

enum AdvancedPage : std::int32_t {
    ClockPage = 0,      // GPU and memory clock offsets
    PowerPage = 1,      // power and temperature targets
    FrameRatePage = 2,  // the frame-rate limit, one slider
    FanSpeedPage = 3,   // fixed fan speeds
    CurvePage = 4,      // the fan curve: the chart, no sliders
};

inline constexpr int PageCount = 5;

}  // namespace vt

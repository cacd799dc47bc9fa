// The tab bar of Advanced Mode: one tab per page. A press on a tab shows its
// page; the fan-curve tab reacts only for a GPU with a fan curve, and its
// page stays only once the user has read the notice about editing the curve.
// The slider titles of the page shown show their help while hovered.
#pragma once

#include "platform/Types.h"

namespace vt {

// The tab bar and the page help, once per panel pass in Advanced Mode.
void pageTabsPass(Point cursor);

// The tab of `page` selected and the others not, as after entering Advanced Mode.
void markSelectedTab(int page);

// The looks the window starts with: the first tab selected.
void resetPageTabs();

}  // namespace vt

#include "app/PanelEdit.h"

namespace vt {

PanelEdit panel;

void resetPanelEdit(PanelEdit& state) { state = PanelEdit{}; }

}  // namespace vt

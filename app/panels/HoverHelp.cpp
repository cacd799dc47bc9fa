#include "app/panels/HoverHelp.h"

#include "state/Lifecycle.h"
#include "ui/Repaint.h"

namespace vt {

void stepHoverHelp(View& widget, View& help) {
    if (widget.visible() && widget.underCursor()) {
        if (widget.hoverTicks() >= widget.hoverDelay()) return;
        widget.setHoverTicks(widget.hoverTicks() + 1);
        if (widget.hoverTicks() == widget.hoverDelay() && lifecycle.running == 1) {
            help.setVisible(true);
            repaint();
        }
        return;
    }
    widget.setHoverTicks(0);
    if (help.visible()) {
        help.setVisible(false);
        repaint();
    }
}

void stepHoverHelp(View* widget, View* help) {
    if (widget != nullptr && help != nullptr) stepHoverHelp(*widget, *help);
}

bool hoverHelpCounting(const View& root) {
    if (!root.visible()) return false;
    if (root.hoverDelay() > 0 && root.underCursor() && root.hoverTicks() < root.hoverDelay()) return true;
    for (std::size_t i = 0; i < root.childCount(); ++i) {
        if (hoverHelpCounting(*root.child(i))) return true;
    }
    return false;
}

}  // namespace vt

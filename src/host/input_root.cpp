#include "host/input_root.h"

#include "controls/control.h"
#include "host/host_globals.h"

namespace host {
namespace {
// The input root set by a panel, and the panel whose tree it must stay in.
struct WatchedInputRoot {
    Control* panel = nullptr;
    const Control* control = nullptr;
};
WatchedInputRoot gWatched;

// Whether the candidate is in the tree below the ancestor. Reads only live controls: the
// ancestor, its descendants and their rings.
bool IsBelow(const Control& ancestor, const Control* candidate) {
    const Control* first = ancestor.firstChild;
    if (!first) return false;
    const Control* child = first;
    do {
        if (child == candidate || IsBelow(*child, candidate)) return true;
        child = child->nextSibling;
    } while (child && child != first);
    return false;
}
}  // namespace

void SetInputRootBelow(Control& panel, Control* control) {
    InputRoot = control;
    gWatched = IsBelow(panel, control) ? WatchedInputRoot{&panel, control} : WatchedInputRoot{};
}

Control* ReachableInputRoot() {
    if (gWatched.control && InputRoot == gWatched.control && !IsBelow(*gWatched.panel, gWatched.control))
        InputRoot = gWatched.panel;
    if (InputRoot != gWatched.control) gWatched = {};
    return InputRoot;
}

void ForgetInputRootPanel(const Control& panel) {
    if (gWatched.panel != &panel) return;
    if (InputRoot == gWatched.control) InputRoot = nullptr;
    gWatched = {};
}
}  // namespace host

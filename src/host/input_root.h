#pragma once
// The input root that a control of the game module chose for itself through the host panel's
// Notify 100. The module may delete that control later without telling the host (a screen that
// replaces itself), and a deleted control must not be handed input. A control keeps no record
// of who refers to it, so the host cannot hear of the deletion; instead it remembers which
// panel the control was below when it became the input root, and before handing input to it
// looks for it in that panel's tree. The destructor unlinks every control, so a control that is
// no longer found there has been deleted or detached, and the input goes back to the panel.
// The search compares addresses only and never reads the control itself. It costs one walk of
// the panel's tree per use, and only while such a control is the input root.
class Control;

namespace host {
// InputRoot = control. When the control is in the panel's tree, it stays the input root only as
// long as it is found there; otherwise it is taken as it is.
void SetInputRootBelow(Control& panel, Control* control);

// InputRoot, after dropping a control that has left the tree of the panel that made it the
// input root (the panel then becomes the input root again). Read it before each use: any call
// into the tree may delete the control.
Control* ReachableInputRoot();

// Forgets the panel, which is being destroyed; an input root still watched through it is
// cleared, as nothing can vouch for it any longer.
void ForgetInputRootPanel(const Control& panel);
}  // namespace host

#pragma once
// The end of the run: the host objects released in their fixed order.

// The first part of the shutdown: the mouse cursor and the current screen, then the quit
// message.
void ReleaseScreens();

// Clears the roots, releases the screens, the network manager (with every connection still
// registered with it), the root control and the display, then the window and its class. Safe to
// call more than once: every step tests for its object first.
//
// A handler inside the control tree or a connection can end the run (by destroying the window,
// whose procedure runs this). The roots are cleared at once then, but while a ShutdownHold is
// alive the release waits for the last hold to end: the cursor, the screens and the network
// manager whose code is still on the stack stay alive until their call has returned, and are
// then released in the usual order.
void ShutdownApplication();

// Lives around each call into the control tree or the network manager that may end the run.
class ShutdownHold {
  public:
    ShutdownHold();
    ~ShutdownHold();  // the last one runs the shutdown that waited for it
    ShutdownHold(const ShutdownHold&) = delete;
    ShutdownHold& operator=(const ShutdownHold&) = delete;
};

#pragma once
// The end of the run: the host objects released in their fixed order.

// The first part of the shutdown: the mouse cursor and the current screen, then the quit
// message.
void ReleaseScreens();

// Clears the roots, releases the screens, the network manager (with every connection still
// registered with it), the root control and the display, then the window and its class. Safe to
// call more than once: every step tests for its object first.
void ShutdownApplication();

#pragma once
// Shows a sprite load failure where a person can find it: the debugger's output on Windows,
// standard error elsewhere.
void ReportSpriteLoadFailure(const char* text);

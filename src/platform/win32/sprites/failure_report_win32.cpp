#include <windows.h>

#include <string>

#include "sprites/files/failure_report.h"

void ReportSpriteLoadFailure(const char* text) { OutputDebugStringA((std::string(text) + "\n").c_str()); }

#include <cstdio>

#include "sprites/files/failure_report.h"

void ReportSpriteLoadFailure(const char* text) { std::fprintf(stderr, "%s\n", text); }

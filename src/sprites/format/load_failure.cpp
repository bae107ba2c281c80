#include "sprites/format/load_failure.h"

#include <cstdarg>
#include <cstdio>

void SpriteLoadFailure::Compose(const char* format, ...) {
    if (failed_) return;
    failed_ = true;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text_, sizeof text_, format, arguments);
    va_end(arguments);
}

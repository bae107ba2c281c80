#include "crash/report_stream.h"

#include <cstring>

ReportStream& ReportStream::Text(const char* text) { return Text(text, text ? std::strlen(text) : 0); }

ReportStream& ReportStream::Text(const char* text, size_t length) {
    while (length > 0 && !failed_) {
        if (used_ == kCapacity) Flush();
        size_t piece = kCapacity - used_ < length ? kCapacity - used_ : length;
        std::memcpy(buffer_ + used_, text, piece);
        used_ += piece;
        text += piece;
        length -= piece;
    }
    return *this;
}

ReportStream& ReportStream::Hex(uint32_t value, int minimumDigits) {
    Text("0x", 2);
    return Digits(value, 16, minimumDigits);
}

ReportStream& ReportStream::Decimal(uint64_t value) { return Digits(value, 10, 1); }

ReportStream& ReportStream::Decimal(uint64_t value, int minimumDigits) {
    return Digits(value, 10, minimumDigits);
}

ReportStream& ReportStream::Digits(uint64_t value, unsigned base, int minimumDigits) {
    // 20 decimal digits hold any 64-bit value.
    constexpr int kMostDigits = 20;
    char digits[kMostDigits];
    int count = 0;
    do {
        digits[kMostDigits - 1 - count++] = "0123456789ABCDEF"[value % base];
        value /= base;
    } while (value != 0 && count < kMostDigits);
    if (minimumDigits > kMostDigits) minimumDigits = kMostDigits;
    while (count < minimumDigits)
        digits[kMostDigits - 1 - count++] = '0';
    return Text(digits + kMostDigits - count, size_t(count));
}

bool ReportStream::Flush() {
    if (used_ > 0 && !failed_ && !sink_.Write(buffer_, used_)) failed_ = true;
    used_ = 0;
    return !failed_;
}

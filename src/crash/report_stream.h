#pragma once
// Text written through a fixed buffer to a sink. Numbers are formatted here rather than by the C
// library, so that writing a crash report takes no memory beyond this object and touches no
// locale or heap of a process that has just faulted.
#include <cstddef>
#include <cstdint>

class ReportSink {
  public:
    // False when the text could not be written; the stream then writes nothing more.
    virtual bool Write(const char* text, size_t length) = 0;

  protected:
    ~ReportSink() = default;
};

class ReportStream {
  public:
    static constexpr size_t kCapacity = 4096;
    // Lines end the way the platform's own text editors expect.
    static constexpr const char* kLineEnd = "\r\n";

    explicit ReportStream(ReportSink& sink) : sink_(sink) {}
    ~ReportStream() { Flush(); }
    ReportStream(const ReportStream&) = delete;
    ReportStream& operator=(const ReportStream&) = delete;

    ReportStream& Text(const char* text);
    ReportStream& Text(const char* text, size_t length);
    // "0x" and the value in upper-case hexadecimal, at least the given number of digits.
    ReportStream& Hex(uint32_t value, int minimumDigits = 8);
    ReportStream& Decimal(uint64_t value);
    // The number with at least the given digits, zeros in front (dates and times).
    ReportStream& Decimal(uint64_t value, int minimumDigits);
    ReportStream& LineEnd() { return Text(kLineEnd); }

    // Hands what is buffered to the sink. False once the sink has refused anything.
    bool Flush();
    bool Failed() const { return failed_; }

  private:
    ReportStream& Digits(uint64_t value, unsigned base, int minimumDigits);

    ReportSink& sink_;
    char buffer_[kCapacity];
    size_t used_ = 0;
    bool failed_ = false;
};

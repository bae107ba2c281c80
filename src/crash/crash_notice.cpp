#include "crash/crash_notice.h"

#include <cstring>

#include "crash/report_stream.h"

namespace {
// Keeps what fits of the text and a terminator; what does not fit is left off at a character
// boundary, so that the text stays valid UTF-8.
class TextBufferSink final : public ReportSink {
  public:
    TextBufferSink(char* text, size_t capacity) : text_(text), capacity_(capacity) {
        if (capacity_ > 0) text_[0] = '\0';
    }

    bool Write(const char* piece, size_t length) override {
        if (capacity_ == 0) return false;
        size_t room = capacity_ - 1 - used_;
        bool whole = length <= room;
        size_t taken = whole ? length : room;
        // A UTF-8 continuation byte (10xxxxxx) after the cut: step back to its lead byte.
        if (!whole)
            while (taken > 0 && (uint8_t(piece[taken]) & 0xC0) == 0x80)
                --taken;
        std::memcpy(text_ + used_, piece, taken);
        used_ += taken;
        text_[used_] = '\0';
        return whole;
    }

    size_t Used() const { return used_; }

  private:
    char* text_;
    size_t capacity_;
    size_t used_ = 0;
};

constexpr const char* kLineEnd = "\n";

void WritePlace(const CrashNoticeFacts& facts, const char* inModule, const char* outside, const char* address,
                ReportStream& out) {
    if (facts.moduleName) {
        out.Text(inModule).Text(facts.moduleName).Text(".");
    } else {
        out.Text(outside).Text(address).Hex(facts.address).Text(").");
    }
    out.Text(kLineEnd);
}
}  // namespace

size_t ComposeCrashNotice(const CrashNoticeFacts& facts, char* text, size_t capacity) {
    TextBufferSink sink(text, capacity);
    {
        ReportStream out(sink);
        // The game's language first.
        out.Text("Игра остановлена из-за сбоя");
        WritePlace(facts, " в модуле ", " вне загруженных модулей", " (адрес ", out);
        if (facts.reportPath) {
            out.Text("Отчёт о сбое записан в файл").Text(kLineEnd).Text(facts.reportPath).Text(kLineEnd);
        } else {
            out.Text("Отчёт о сбое записать не удалось.").Text(kLineEnd);
        }
        out.Text(kLineEnd);
        out.Text("The game stopped because of a fault");
        WritePlace(facts, " in ", " outside the loaded modules", " (address ", out);
        if (facts.reportPath) {
            out.Text("The crash report is in").Text(kLineEnd).Text(facts.reportPath);
        } else {
            out.Text("The crash report could not be written.");
        }
    }
    return sink.Used();
}

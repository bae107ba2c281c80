// The report's text formatting, which the crash handler uses instead of the C library.
#include <gtest/gtest.h>

#include <string>

#include "crash/report_stream.h"

namespace {
struct StringSink final : ReportSink {
    std::string text;
    int writes = 0;
    bool Write(const char* piece, size_t length) override {
        ++writes;
        text.append(piece, length);
        return true;
    }
};

TEST(ReportStreamTest, FormatsNumbersInTheirFixedForms) {
    struct Case {
        void (*write)(ReportStream&);
        const char* expected;
    };
    const Case cases[] = {
        {[](ReportStream& out) { out.Hex(0); }, "0x00000000"},
        {[](ReportStream& out) { out.Hex(0xC0000005); }, "0xC0000005"},
        {[](ReportStream& out) { out.Hex(0xFFFFFFFF); }, "0xFFFFFFFF"},
        {[](ReportStream& out) { out.Hex(0x1B, 4); }, "0x001B"},
        {[](ReportStream& out) { out.Hex(0x16F5, 1); }, "0x16F5"},
        {[](ReportStream& out) { out.Hex(0, 1); }, "0x0"},
        {[](ReportStream& out) { out.Decimal(0); }, "0"},
        {[](ReportStream& out) { out.Decimal(18446744073709551615u); }, "18446744073709551615"},
        {[](ReportStream& out) { out.Decimal(7, 2); }, "07"},
        {[](ReportStream& out) { out.Decimal(2026, 4); }, "2026"},
        {[](ReportStream& out) { out.Decimal(12345, 2); }, "12345"},
    };
    for (const Case& c : cases) {
        StringSink sink;
        {
            ReportStream out(sink);
            c.write(out);
        }
        EXPECT_EQ(sink.text, c.expected);
    }
}

TEST(ReportStreamTest, TextLongerThanItsBufferReachesTheSinkWhole) {
    std::string text;
    for (size_t i = 0; i < 3 * ReportStream::kCapacity + 17; ++i)
        text += char('a' + i % 26);
    StringSink sink;
    {
        ReportStream out(sink);
        out.Text("<").Text(text.c_str()).Text(">");
    }
    EXPECT_EQ(sink.text, "<" + text + ">");
    EXPECT_EQ(sink.writes, 4);
}

TEST(ReportStreamTest, WritesNothingMoreOnceTheSinkHasRefused) {
    struct RefusingSink final : ReportSink {
        int writes = 0;
        bool Write(const char*, size_t) override {
            ++writes;
            return false;
        }
    } sink;
    ReportStream out(sink);
    out.Text("first");
    EXPECT_FALSE(out.Flush());
    out.Text("second");
    EXPECT_FALSE(out.Flush());
    EXPECT_TRUE(out.Failed());
    EXPECT_EQ(sink.writes, 1);
}
}  // namespace

#include <gtest/gtest.h>

#include "display/presentation_choice.h"

namespace {

struct Accepted {
    const char* text;
    PresentationMode mode;
    bool scaleGiven;
    PictureScale scale;
    ScaleFilter filter;
};

TEST(PresentationSetting, ReadsTheWordsInAnyOrderAndCase) {
    using M = PresentationMode;
    using S = PictureScale;
    using F = ScaleFilter;
    const Accepted cases[] = {
        {"", M::FullScreen, false, S::Single, F::Nearest},
        {"   ", M::FullScreen, false, S::Single, F::Nearest},
        {"fullscreen", M::FullScreen, false, S::Single, F::Nearest},
        {"window", M::Window, false, S::Single, F::Nearest},
        {"borderless integer nearest", M::Borderless, true, S::Integer, F::Nearest},
        {"smooth x2 window", M::Window, true, S::Double, F::Smooth},
        {"  BorderLess\tFIT  ", M::Borderless, true, S::Fit, F::Nearest},
        {"x1", M::FullScreen, true, S::Single, F::Nearest},
        {"fullscreen smooth", M::FullScreen, false, S::Single, F::Smooth},
    };
    for (const Accepted& c : cases) {
        PresentationSetting s = ReadPresentationSetting(c.text);
        EXPECT_EQ(s.refusal, "") << c.text;
        EXPECT_EQ(s.choice.mode, c.mode) << c.text;
        EXPECT_EQ(s.choice.scaleGiven, c.scaleGiven) << c.text;
        if (c.scaleGiven) EXPECT_EQ(s.choice.scale, c.scale) << c.text;
        EXPECT_EQ(s.choice.filter, c.filter) << c.text;
    }
}

TEST(PresentationSetting, RefusesUnknownAndContradictoryWordsWithTheDefault) {
    const struct {
        const char* text;
        const char* named;  // what the refusal must quote
    } cases[] = {
        {"windowed", "\"windowed\""},
        {"borderless x3", "\"x3\""},
        {"window,x2", "\"window,x2\""},
        {"window borderless", "\"window\" and \"borderless\""},
        {"fit integer", "\"fit\" and \"integer\""},
        {"smooth nearest", "\"smooth\" and \"nearest\""},
    };
    for (const auto& c : cases) {
        PresentationSetting s = ReadPresentationSetting(c.text);
        EXPECT_NE(s.refusal.find(c.named), std::string::npos) << s.refusal;
        // The message names every accepted word and the default, and the default is what is used.
        for (const char* word : {"fullscreen", "window", "borderless", "x1", "x2", "fit", "integer",
                                 "nearest", "smooth", "The default is used instead: fullscreen"})
            EXPECT_NE(s.refusal.find(word), std::string::npos) << word;
        EXPECT_EQ(s.choice.mode, PresentationMode::FullScreen) << c.text;
        EXPECT_FALSE(s.choice.scaleGiven) << c.text;
        EXPECT_EQ(s.choice.filter, ScaleFilter::Nearest) << c.text;
    }
}

TEST(PresentationSetting, WindowFormAndItsScale) {
    PresentationChoice plain;
    EXPECT_EQ(plain.WindowForm(), PresentationMode::Window);
    EXPECT_EQ(plain.ScaleFor(PresentationMode::Window), PictureScale::Single);
    EXPECT_EQ(plain.ScaleFor(PresentationMode::Borderless), PictureScale::Fit);
    PresentationChoice borderless = ReadPresentationSetting("borderless").choice;
    EXPECT_EQ(borderless.WindowForm(), PresentationMode::Borderless);
    PresentationChoice given = ReadPresentationSetting("fullscreen x2").choice;
    EXPECT_EQ(given.WindowForm(), PresentationMode::Window);
    EXPECT_EQ(given.ScaleFor(PresentationMode::Borderless), PictureScale::Double);
}

}  // namespace

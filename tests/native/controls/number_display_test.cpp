#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "control_classes/number_display.h"
#include "control_classes/panel.h"
#include "control_classes/progress_bar.h"
#include "drawing_fixture.h"

namespace {

std::vector<int32_t> DigitsOf(const NumberDisplay& d) {
    return std::vector<int32_t>(d.digits, d.digits + d.digitCount);
}

TEST(NumberDigits, PositionsFromTheValueAndTheFixedCount) {
    constexpr int32_t B = digit_value::Blank, M = digit_value::Minus;
    struct Case {
        int32_t fixed;
        int32_t value;
        std::vector<int32_t> digits;
    };
    const Case cases[] = {
        {5, 42, {B, B, B, 4, 2}},
        {5, 0, {B, B, B, B, 0}},
        {2, 1234, {3, 4}},
        {0, 0, {}},
        {0, 7, {7}},
        {-1, 1000, {1, 0, 0, 0}},
        {0, INT_MAX, {2, 1, 4, 7, 4, 8, 3, 6, 4, 7}},
        // Negative values: the minus sign just before the first digit.
        {0, -42, {M, 4, 2}},
        {5, -42, {B, B, M, 4, 2}},
        {2, -42, {M, 2}},
        {0, INT_MIN, {M, 2, 1, 4, 7, 4, 8, 3, 6, 4, 8}},
        {40, 5, std::vector<int32_t>(31, B)},  // at most 32 positions; the last is set below
    };
    for (Case c : cases) {
        NumberDisplay display(nullptr, nullptr, c.fixed, 0, 0);
        display.SetValue(c.value);
        if (c.fixed == 40) c.digits.push_back(5);
        EXPECT_EQ(DigitsOf(display), c.digits) << "fixed " << c.fixed << " value " << c.value;
        EXPECT_EQ(display.targetValue, c.value);
    }
}

TEST(NumberCounting, JumpsShrinkAsTheShownValueNearsTheTarget) {
    struct Case {
        int32_t from, to;
        std::vector<int32_t> shown;
    };
    const Case cases[] = {
        {0, 1000, {123, 246, 369, 492, 615, 738, 861, 984, 996, 997, 998, 999, 1000}},
        {20, 0, {8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {0,
         130000,
         {123456, 124690, 125924, 127158, 128392, 129626, 129749, 129872, 129995, 129996, 129997, 129998,
          129999, 130000}},
    };
    for (const Case& c : cases) {
        NumberDisplay display(nullptr, nullptr, 0, 0, 0);
        display.SetValue(c.from);
        display.targetValue = c.to;
        std::vector<int32_t> shown;
        while (display.shownValue != display.targetValue && shown.size() < 100) {
            display.Update();
            shown.push_back(display.shownValue);
        }
        EXPECT_EQ(shown, c.shown) << c.from << " to " << c.to;
        EXPECT_EQ(display.digitCount, c.to == 0 ? 0 : int32_t(std::to_string(c.to).size()));
    }
    NumberDisplay extremes(nullptr, nullptr, 0, 0, 0);
    extremes.SetValue(INT_MIN);
    extremes.targetValue = INT_MAX;
    extremes.Update();
    EXPECT_EQ(extremes.shownValue, INT_MIN + 123456) << "the distance is taken without overflow";
}

struct Listener : Panel {
    Listener() : Panel(nullptr, 0, 0, 0, 0, 64) { SetFlag(control_flags::NotifyTarget, true); }
    int32_t Notify(Control* sender, int32_t code, int32_t param) override {
        notices.push_back({sender, code, param});
        if (onNotify) onNotify();
        return 0;
    }
    struct Notice {
        Control* sender;
        int32_t code, param;
    };
    std::vector<Notice> notices;
    std::function<void()> onNotify;
};

TEST(NumberCounting, IncrementAndDecrementStayWithinTheLimitsAndNotify) {
    struct Case {
        int32_t target, step, minimum, maximum;
        bool up;
        int32_t after;
        bool notified;
    };
    const Case cases[] = {
        {97, 5, 0, 100, true, 100, true},
        {100, 5, 0, 100, true, 100, false},
        {3, 5, 0, 100, false, 0, true},
        {0, 5, 0, 100, false, 0, false},
        {INT_MAX - 1, 9, 0, INT_MAX, true, INT_MAX, true},
        {INT_MIN + 1, 9, INT_MIN, 0, false, INT_MIN, true},
    };
    for (Case c : cases) {
        Listener parent;
        NumberDisplay display(&parent, nullptr, 0, 0, 0);
        display.SetValue(7);
        display.targetValue = c.target;
        display.step = c.step;
        display.minimum = c.minimum;
        display.maximum = c.maximum;
        c.up ? display.Increment() : display.Decrement();
        EXPECT_EQ(display.targetValue, c.after) << c.target << (c.up ? " up" : " down");
        EXPECT_EQ(display.shownValue, 7) << "the shown value counts there later";
        ASSERT_EQ(parent.notices.size(), c.notified ? 1u : 0u);
        if (c.notified) {
            EXPECT_EQ(parent.notices[0].sender, &display);
            EXPECT_EQ(parent.notices[0].code, 2);
        }
    }
    Panel deaf(nullptr, 0, 0, 0, 0, 64);  // without NotifyTarget: nobody is told
    NumberDisplay quiet(&deaf, nullptr, 0, 0, 0);
    quiet.Increment();
    EXPECT_EQ(quiet.targetValue, 1);
}

TEST(NumberCounting, AParentMayDeleteTheDisplayWhenTold) {
    Listener parent;
    auto* display = new NumberDisplay(&parent, nullptr, 0, 0, 0);
    parent.onNotify = [&] { DestroyControl(display); };
    display->Increment();  // ASan reports any use after the parent's Notify
    EXPECT_EQ(parent.firstChild, nullptr);
}

TEST(NumberDisplayLife, OwnedObjectsGoWithTheDisplayBThenA) {
    static std::vector<char> order;
    struct Owned final : AttachedObject {
        explicit Owned(char n) : name(n) {}
        void* DeletingDestructor(uint32_t flags) override {
            order.push_back(name);
            if (flags & kDeleteMemory) delete static_cast<Owned*>(this);
            return this;
        }
        char name;
    };
    auto* display = new NumberDisplay(nullptr, nullptr, 0, 0, 0);
    display->ownedA = new Owned('A');
    display->ownedB = new Owned('B');
    DestroyControl(display);
    EXPECT_EQ(order, (std::vector<char>{'B', 'A'}));
}

using NumberDrawing = DrawingFixture;

TEST_F(NumberDrawing, DigitsAreDrawnOneAdvanceApart) {
    struct Case {
        int32_t fixed;
        int32_t value;
        const char* row;  // digit k is drawn in colour k; blank is K, minus L
    };
    const Case cases[] = {
        {0, 7, ".......H................"},    // one digit, 5 pixels left of x = 12 (advance 10)
        {0, 0, "........................"},    // automatic 0: nothing
        {-1, 42, "............E..C........"},  // from x, advance 3
        {3, 5, "............K..K..F....."},    // blanks are frames too
        {0, -3, "..........L..D.........."},   // centred: 2 positions x 3 / 2 = 3 pixels left
    };
    for (Case c : cases) {
        NumberDisplay display(nullptr, Digits(c.fixed == 0 && c.value == 7 ? 10 : 3), c.fixed, 12, 0);
        display.SetValue(c.value);
        if (c.fixed == 0 && c.value == -3) display.x = 13;
        Draw(display);
        EXPECT_EQ(Row(0), c.row) << "fixed " << c.fixed << " value " << c.value;
    }
}

// A bundle whose frames each stand for several digit values: the frame is the digit divided by the
// bundle value, round the frame count.
TEST_F(NumberDrawing, TheBundleValueChoosesTheDigitsFrame) {
    struct Case {
        int32_t bundleValue;
        int32_t value;
        const char* row;  // frame k is drawn in colour k
    };
    const Case cases[] = {
        {2, 7, "............D..........."},  // 7 / 2 = frame 3
        {3, 5, "............B..........."},  // 5 / 3 = frame 1
        {1, 8, "............C..........."},  // frame 8 of 6 frames: round to 2
    };
    for (Case c : cases) {
        SpriteBundle* bundle = Bundle({Solid(0), Solid(1), Solid(2), Solid(3), Solid(4), Solid(5)},
                                      c.bundleValue, Rect{0, 0, 3, 1});
        NumberDisplay display(nullptr, bundle, -1, 12, 0);
        display.SetValue(c.value);
        Draw(display);
        EXPECT_EQ(Row(0), c.row) << "bundle value " << c.bundleValue << " value " << c.value;
    }
}

TEST_F(NumberDrawing, FrameOffsetsAccumulateAlongTheRow) {
    SpriteBundle* bundle = Bundle({Solid(0), Solid(1)}, 1, Rect{0, 0, 2, 1}, {{0, 0}, {1, 1}});
    NumberDisplay display(nullptr, bundle, -1, 0, 0);
    display.SetValue(111);
    Draw(display);
    EXPECT_EQ(Row(1), ".B......................");
    EXPECT_EQ(Row(2), "....B...................");
    EXPECT_EQ(Row(3), ".......B................");
    display.digitBundle = nullptr;
    Draw(display);
    EXPECT_EQ(Row(1), "........................") << "no bundle, no digits";
}

using BarDrawing = DrawingFixture;

TEST_F(BarDrawing, FillsInProportionWithinItsBoxAndTheClip) {
    struct Case {
        const char* what;
        int32_t minimum, maximum, value;
        Rect clip;
        const char* row;
    };
    // The bar's box is x 2 to 22 (20 pixels), rows 1 and 2; colour 0xF800 is drawn as A.
    const Rect all{0, 0, DrawingFixture::kWidth, DrawingFixture::kHeight};
    const Case cases[] = {
        {"a third", 0, 99, 33, all, "..AAAAAA................"},  // 2 + 33 x 20 / 99 = 8.66 -> 8
        {"full", 0, 99, 99, all, "..AAAAAAAAAAAAAAAAAAAA.."},
        {"above the range: the box's edge", 0, 99, 500, all, "..AAAAAAAAAAAAAAAAAAAA.."},
        {"maximum equals minimum", 5, 5, 3, all, "........................"},
        {"below the range: nothing left of the box", 0, 99, -50, all, "........................"},
        {"clipped", 0, 99, 99, Rect{5, 0, 9, 8}, ".....AAAA..............."},
        {"clip outside the box", 0, 99, 99, Rect{0, 4, 24, 8}, "........................"},
        {"huge values", INT_MIN, INT_MAX, INT_MAX, all, "..AAAAAAAAA............."},  // 2 + 9.99
    };
    for (const Case& c : cases) {
        ProgressBar bar(nullptr, 2, 1, 22, 3, 64);
        bar.colour = 0xF800;
        bar.minimum = c.minimum;
        bar.maximum = c.maximum;
        bar.value = c.value;
        screen->Clear(0);
        DrawTree(&bar, &root, &c.clip);
        EXPECT_EQ(Row(1), c.row) << c.what;
        EXPECT_EQ(Row(0), "........................") << c.what;
    }
}

TEST_F(BarDrawing, TheWorkedExampleFillsSixtySixPixels) {
    MemoryDisplayScope wide{2, 0xF800, 300, 2};
    Surface* surface = CreateSurface(300, 2, surface_caps::OffscreenSystemMemory);
    RootControl target(nullptr, 0, 0, 300, 2, 64);
    target.ownSurface = surface;
    ProgressBar bar(nullptr, 10, 0, 208, 1, 64);  // bounds 0..198
    bar.value = 33;
    DrawTree(&bar, &target, nullptr);
    int filled = 0;
    for (int x = 0; x < 300; ++x)
        filled += surface->GetPixel(x, 0) != 0;
    EXPECT_EQ(filled, 66);
    EXPECT_NE(surface->GetPixel(10, 0), 0u);
    EXPECT_EQ(surface->GetPixel(76, 0), 0u);
    target.ownSurface = nullptr;
    DestroySurface(surface);
}

}  // namespace

// The panels' behaviour as tables: Open's flags, the transition steps, arrival, closing and
// reopening, children following. Included by the host's panel test and by the kit's, inside an
// anonymous namespace where Control, Panel, TransitionPanel, TransitionState and control_flags
// name that side's code, with PANEL_SUITE and TRANSITION_SUITE naming the suites.
struct Counting : Control {
    using Control::Control;
    void Update() override { ++updates; }
    int updates = 0;
};

TEST(PANEL_SUITE, OpenKeepsInputAsItWasAndNotifyAnswersZero) {
    struct Case {
        uint16_t before;
        uint16_t after;
    };
    for (Case c : {Case{0x0000, 0x0105}, Case{0xE50A, 0xE10F}, Case{0xFFFF, 0xE1FF}}) {
        Panel panel(nullptr, 0, 0, 0, 0, 64);
        panel.flags = c.before;
        panel.Open();
        EXPECT_EQ(panel.flags, c.after) << std::hex << c.before;
        EXPECT_EQ(panel.Notify(&panel, 2, 7), 0);
    }
}

// Runs updates until the panel leaves its transition state (at most a limit) and gives the x
// of every update, with the updates' count in the result's size.
std::vector<int32_t> RunTransition(TransitionPanel& panel, TransitionState running, size_t limit = 64) {
    std::vector<int32_t> xs;
    while (panel.Transition() == running && xs.size() < limit) {
        panel.Update();
        xs.push_back(panel.x);
    }
    return xs;
}

TEST(TRANSITION_SUITE, StepsShrinkTowardTheTargets) {
    struct Case {
        const char* what;
        int32_t fromX, toX;
        int32_t fromAlpha, toAlpha;
        int32_t fromEffect, toEffect;
        std::vector<int32_t> xs;           // x after each update, to completion
        std::vector<int32_t> alphaEffect;  // alpha or effect after each update (whichever moves)
    };
    const Case cases[] = {
        {"a move of 100 pixels",
         0,
         100,
         256,
         256,
         0,
         0,
         {25, 43, 57, 67, 75, 81, 85, 88, 91, 93, 96, 98, 99, 100},
         {}},
        {"a distance of 7", 0, 7, 256, 256, 0, 0, {3, 5, 6, 7}, {}},
        {"a distance of -7", 7, 0, 256, 256, 0, 0, {4, 2, 1, 0}, {}},
        {"targets already reached", 5, 5, 256, 256, 0, 0, {5}, {}},
        {"an effect 100 up", 0, 0, 256, 256, 0, 100, {0, 0, 0, 0}, {32, 64, 96, 100}},
        {"a fade from 256 to 0",
         0,
         0,
         256,
         0,
         0,
         0,
         {0, 0, 0, 0, 0, 0, 0, 0},
         {224, 192, 160, 128, 96, 64, 32, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TransitionPanel panel(nullptr, c.fromX, 0, 0, 0, 64);
        panel.alpha = c.fromAlpha;
        panel.effect = c.fromEffect;
        panel.targetX = c.toX;
        panel.targetAlpha = c.toAlpha;
        panel.targetEffect = c.toEffect;
        panel.SetFlag(control_flags::InputEnabled, false);
        panel.Open();
        std::vector<int32_t> blend;
        std::vector<int32_t> xs;
        while (panel.Transition() == TransitionState::Opening && xs.size() < 64) {
            EXPECT_FALSE(panel.HasFlag(control_flags::InputEnabled)) << "no input before arrival";
            panel.Update();
            xs.push_back(panel.x);
            blend.push_back(c.toEffect != c.fromEffect ? panel.effect : panel.alpha);
        }
        EXPECT_EQ(xs, c.xs);
        if (!c.alphaEffect.empty()) {
            EXPECT_EQ(blend, c.alphaEffect);
        }
        EXPECT_EQ(panel.Transition(), TransitionState::Open) << "completes on the update of the last step";
        EXPECT_TRUE(panel.HasFlag(control_flags::InputEnabled));
    }
}

TEST(TRANSITION_SUITE, ArrivalSetsTheExactStateFlags) {
    struct Case {
        bool closing;
        uint16_t before;  // flags after Open or Close
        uint16_t after;
    };
    for (Case c : {Case{false, 0xE10D, 0xE20F}, Case{true, 0xE40D, 0xE508}, Case{true, 0x04F5, 0x05F0}}) {
        TransitionPanel panel(nullptr, 0, 0, 0, 0, 64);
        panel.flags = c.before;
        panel.Update();
        EXPECT_EQ(panel.flags, c.after) << std::hex << c.before;
    }
}

TEST(TRANSITION_SUITE, ClosingHidesOnArrivalAndReopeningGivesInputOnlyOnArrival) {
    TransitionPanel panel(nullptr, 0, 0, 0, 0, 64);
    panel.targetX = 10;
    panel.Close();
    EXPECT_FALSE(panel.HasFlag(control_flags::InputEnabled));
    std::vector<int32_t> xs = RunTransition(panel, TransitionState::Closing);
    EXPECT_EQ(xs, (std::vector<int32_t>{2, 4, 7, 8, 9, 10}));
    EXPECT_EQ(panel.Transition(), TransitionState::Closed);
    EXPECT_FALSE(panel.HasFlag(control_flags::Visible | control_flags::InputEnabled | control_flags::Active));

    panel.targetX = 0;
    panel.Open();
    EXPECT_TRUE(panel.HasFlag(control_flags::Visible));
    EXPECT_TRUE(panel.HasFlag(control_flags::Active));
    panel.Update();
    EXPECT_EQ(panel.Transition(), TransitionState::Opening);
    EXPECT_FALSE(panel.HasFlag(control_flags::InputEnabled));
    RunTransition(panel, TransitionState::Opening);
    EXPECT_EQ(panel.Transition(), TransitionState::Open);
    EXPECT_TRUE(panel.HasFlag(control_flags::InputEnabled));
}

TEST(TRANSITION_SUITE, ChildrenFollowAndAreUpdatedWithOrWithoutATransition) {
    TransitionPanel panel(nullptr, 0, 0, 0, 0, 64);
    Counting follower(&panel, 100, 0, 0, 0, 64);
    Counting stayer(&panel, 200, 0, 0, 0, 64);
    stayer.SetFlag(control_flags::FollowParentMove, false);
    stayer.SetFlag(control_flags::InheritAlpha, false);
    panel.Update();  // no transition running
    EXPECT_EQ(follower.updates, 1);
    panel.targetX = 7;
    panel.targetAlpha = 200;
    panel.Open();
    panel.Update();
    EXPECT_EQ(follower.x, 103);
    EXPECT_EQ(follower.alpha, 224);
    EXPECT_EQ(stayer.x, 200);
    EXPECT_EQ(stayer.alpha, 256);
    EXPECT_EQ(follower.updates, 2);
    EXPECT_EQ(stayer.updates, 2);
    panel.SetFlag(control_flags::Active, false);
    panel.Update();
    EXPECT_EQ(follower.updates, 2) << "an inactive panel updates nothing";
    EXPECT_EQ(panel.x, 3);
}

TEST(TRANSITION_SUITE, PositionsAtTheEndsOfTheRangeStepWithoutOverflow) {
    TransitionPanel panel(nullptr, INT_MIN, INT_MAX, 0, 0, 64);
    panel.targetX = INT_MAX;
    panel.targetY = INT_MIN;
    panel.Open();
    // A quarter of the distance per update: about 80 updates across the whole range.
    std::vector<int32_t> xs = RunTransition(panel, TransitionState::Opening, 200);
    EXPECT_EQ(panel.Transition(), TransitionState::Open);
    EXPECT_EQ(panel.x, INT_MAX);
    EXPECT_EQ(panel.y, INT_MIN);
    EXPECT_LT(xs.size(), 100u);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/host_notice_platform.h"
#include "control_classes/sprite_controls.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "net/network_manager.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "platform/memory/shell/memory_frame_log_platform.h"
#include "platform/memory/shell/memory_loop_platform.h"
#include "shell/application_platform.h"
#include "shell/application_shutdown.h"
#include "shell/frame_loop.h"
#include "shell/held_socket_notices.h"
#include "shell/module_host_panel.h"

namespace {

// The host window: minimised when a test says so; its debug boxes and the end of the run go to the
// journal.
class JournalApplicationPlatform final : public ApplicationPlatform, public HostNoticePlatform {
  public:
    explicit JournalApplicationPlatform(std::vector<std::string>& journal) : journal_(journal) {}
    bool WindowMinimised() override { return minimised; }
    void ShowDebugMessage(const char* text) override { journal_.push_back(std::string("box ") + text); }
    void PostQuit(int32_t exitCode) override { quitCodes.push_back(exitCode); }
    void ReleaseWindow() override { journal_.push_back("shutdown"); }
    std::vector<int32_t> quitCodes;
    bool minimised = false;

  private:
    std::vector<std::string>& journal_;
};

class Recorder : public Control {
  public:
    Recorder(std::vector<std::string>& journal, std::string name)
        : Control(nullptr, 0, 0, 0, 0, 64), journal_(journal), name_(std::move(name)) {}
    void Update() override {
        journal_.push_back(name_ + " update");
        if (onUpdate) onUpdate();
    }
    Control* HandleMessage(WindowMessage* m) override {
        journal_.push_back(name_ + " message " + std::to_string(m->message));
        return prevSibling;
    }
    void Draw(SurfaceControl*, Rect*, Point*) override { journal_.push_back(name_ + " draw"); }
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    std::function<void()> onUpdate;

  private:
    std::vector<std::string>& journal_;
    std::string name_;
};

// The host objects the loop reaches: a display of 8 x 4 and a root control, both released by
// the shutdown when a test's loop ends with the quit message.
struct FrameLoopTest : ::testing::Test {
    HostGlobalsScope freshGlobals;
    MemoryLoopPlatform platform;
    JournalApplicationPlatform application{platform.journal};
    PlatformSlot<ApplicationPlatform>::Scope applicationScope{application};
    PlatformSlot<HostNoticePlatform>::Scope noticeScope{application};
    Recorder screen{platform.journal, "screen"};
    RootControl* root = new RootControl(nullptr, 0, 0, 8, 4, 64);

    FrameLoopTest() {
        host::Display = new Display(8, 4);
        host::RootControl = root;
        host::DrawRoot = host::UpdateRoot = host::InputRoot = &screen;
    }
    ~FrameLoopTest() override {
        DestroyControl(host::RootControl);
        DestroyControl(host::Display);
        if (host::NetworkManager) host::NetworkManager->DeletingDestructor(kDeleteMemory);
    }
    void StopAfterUpdates(int count) {
        platform.stop = [this, count] {
            int n = 0;
            for (const std::string& e : platform.journal)
                n += e == "screen update";
            return n >= count;
        };
    }
    // U for an update, D for a drawn frame, per frame.
    std::string Frames() const {
        std::string out;
        for (const std::string& e : platform.journal) {
            if (e == "screen update") out += 'U';
            if (e == "present") out += 'D';
        }
        return out;
    }
    std::vector<uint32_t> updateTimes;
    void RecordUpdateTimes() {
        screen.onUpdate = [this] { updateTimes.push_back(platform.time); };
    }
};

TEST_F(FrameLoopTest, AFrameIsDueOnlyAfterMoreThanOneInterval) {
    RecordUpdateTimes();
    StopAfterUpdates(3);
    EXPECT_EQ(RunFrameLoop(platform), 1);
    EXPECT_EQ(updateTimes, (std::vector<uint32_t>{41, 81, 121})) << "t0 advances by exactly one interval";
    EXPECT_EQ(platform.timerRaised, 1);
}

TEST_F(FrameLoopTest, AfterAStallUpdatesCatchUpWithoutDrawing) {
    RecordUpdateTimes();
    bool stalled = false;
    screen.onUpdate = [&] {
        updateTimes.push_back(platform.time);
        if (!stalled) {
            stalled = true;
            platform.time += 200;  // the first update takes 200 ms
        }
    };
    StopAfterUpdates(7);
    RunFrameLoop(platform);
    // The overdue loop sleeps a millisecond before each pass, so elapsed at the passes after the
    // stall is 202, 163, 124, 85 (no drawing), then 46 (drawn); then the schedule is back.
    EXPECT_EQ(updateTimes, (std::vector<uint32_t>{41, 242, 243, 244, 245, 246, 281}));
    EXPECT_EQ(Frames(), "UDUUUUUDUD");
}

TEST_F(FrameLoopTest, TheTimerWrapIsHarmless) {
    platform.time = 0xFFFFFFF0u;
    RecordUpdateTimes();
    StopAfterUpdates(2);
    RunFrameLoop(platform);
    EXPECT_EQ(updateTimes, (std::vector<uint32_t>{0xFFFFFFF0u + 41, 0xFFFFFFF0u + 81}));
}

TEST_F(FrameLoopTest, SleepsExceptInTheLastFourMillisecondsBeforeAFrame) {
    StopAfterUpdates(3);
    RunFrameLoop(platform);
    // Frames at 41, 81 and 121 (time bases 40, 80, 120): the loop sleeps while 4 ms or more
    // remain and polls without sleeping for the last 3, 2, 1 and 0 ms.
    std::vector<uint32_t> expected;
    for (uint32_t frameStart : {0u, 41u, 81u}) {
        uint32_t base = frameStart == 0 ? 0 : frameStart - 1;
        for (uint32_t t = frameStart; t <= base + 36; ++t)
            expected.push_back(t);
    }
    expected.push_back(121);  // after the last update, 39 ms remain
    EXPECT_EQ(platform.sleepTimes, expected);
}

TEST_F(FrameLoopTest, InTheLastMillisecondsTheLoopWaitsForAMessageOrTheFrame) {
    RecordUpdateTimes();
    platform.arrivals.push_back({78, WindowMessage{nullptr, 0x400, 0, 0, 0, {}}});
    StopAfterUpdates(3);
    RunFrameLoop(platform);
    using Waits = std::vector<std::pair<uint32_t, uint32_t>>;
    // At 37, 3 ms before the interval ends, the loop waits until the frame is due at 41. Before
    // the second frame a message comes during the wait, at 78: it is handled at once, and the
    // loop waits again for the rest.
    EXPECT_EQ(platform.waits, (Waits{{37, 4}, {77, 4}, {78, 3}, {117, 4}}));
    EXPECT_EQ(updateTimes, (std::vector<uint32_t>{41, 81, 121}));
    EXPECT_NE(std::find(platform.journal.begin(), platform.journal.end(), "dispatch 1024"),
              platform.journal.end());
}

TEST_F(FrameLoopTest, ACatchUpFrameIsDrawnOnlyBelowTwoIntervals) {
    struct Case {
        uint32_t stall;  // how long the first update takes
        const char* frames;
    };
    // The catch-up pass comes 2 ms after the stalled update ends (one pump pass, one sleep),
    // so its elapsed time is stall + 2: 79 is drawn, 80 is not.
    for (Case c : {Case{77, "UDUDUD"}, Case{78, "UDUUD"}}) {
        platform.journal.clear();
        platform.time = 0;
        bool stalled = false;
        screen.onUpdate = [&] {
            if (!stalled) platform.time += c.stall;
            stalled = true;
        };
        StopAfterUpdates(3);
        RunFrameLoop(platform);
        EXPECT_EQ(Frames(), c.frames) << "stall " << c.stall;
    }
}

TEST_F(FrameLoopTest, AnIntervalChangedDuringAnUpdateEndsThatFrame) {
    struct Case {
        uint32_t newInterval;
        std::vector<uint32_t> updateTimes;
    };
    // The first frame ends with the new interval: its time base becomes 0 + new interval.
    for (const Case& c : {Case{20, {41, 42, 61}}, Case{80, {41, 161, 241}}}) {
        platform.journal.clear();
        platform.time = 0;
        host::FrameInterval = 40;
        updateTimes.clear();
        screen.onUpdate = [&] {
            updateTimes.push_back(platform.time);
            host::FrameInterval = c.newInterval;
        };
        StopAfterUpdates(3);
        RunFrameLoop(platform);
        EXPECT_EQ(updateTimes, c.updateTimes) << "new interval " << c.newInterval;
    }
}

TEST_F(FrameLoopTest, AStreamOfMessagesDoesNotHoldFramesBack) {
    // 400 ms of messages arriving faster than they are handled: frames keep their schedule
    // between them and are all drawn, instead of one late burst of undrawn catch-up updates.
    constexpr int kMessages = 40;
    platform.dispatchMilliseconds = 10;
    for (int i = 0; i < kMessages; ++i)
        platform.queue.push_back(WindowMessage{nullptr, 0x400, 0, 0, 0, {}});
    RecordUpdateTimes();
    StopAfterUpdates(8);
    RunFrameLoop(platform);
    EXPECT_EQ(Frames(), "UDUDUDUDUDUDUDUD");
    for (size_t i = 1; i < updateTimes.size(); ++i)
        EXPECT_LE(updateTimes[i] - updateTimes[i - 1], 50u) << "frame " << i << " waited for the queue";
}

TEST_F(FrameLoopTest, MinimisedWindowUpdatesButDoesNotDraw) {
    application.minimised = true;
    StopAfterUpdates(3);
    RunFrameLoop(platform);
    EXPECT_EQ(Frames(), "UUU");
}

TEST_F(FrameLoopTest, BackgroundClearFillsTheRootSurfaceOnlyWhenSet) {
    MemoryDisplayScope display(2, 0xF800, 8, 4);
    Surface* surface = CreateSurface(8, 4, surface_caps::OffscreenSystemMemory);
    root->ownSurface = surface;
    root->fillColour = 0x1234;
    for (uint32_t clear : {0u, 1u}) {
        surface->Clear(0xFFFF);
        host::BackgroundClear = clear;
        platform.journal.clear();
        StopAfterUpdates(1);
        RunFrameLoop(platform);
        EXPECT_EQ(surface->GetPixel(7, 3), clear ? 0x1234u : 0xFFFFu);
    }
    root->ownSurface = nullptr;
    DestroySurface(surface);
}

TEST_F(FrameLoopTest, QuitDuringAnUpdateStillDrawsThatFrame) {
    screen.onUpdate = [&] {
        platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    };
    EXPECT_EQ(RunFrameLoop(platform), 1);
    EXPECT_EQ(platform.journal,
              (std::vector<std::string>{"screen update", "screen draw", "present", "shutdown"}));
}

TEST_F(FrameLoopTest, MissingDisplayOrRootShutsDownAtOnce) {
    platform.stop = [] { return true; };  // a loop that started anyway ends after one pass
    DestroyControl(host::Display);
    host::Display = nullptr;
    EXPECT_EQ(RunFrameLoop(platform), 0);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"shutdown"}));
    EXPECT_EQ(host::RootControl, nullptr) << "the shutdown released the root control";
    platform.journal.clear();
    host::Display = new Display(8, 4);
    EXPECT_EQ(RunFrameLoop(platform), 0);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"shutdown"}));
}

TEST_F(FrameLoopTest, MessagesAreRoutedByNumber) {
    host::MouseCursor = new Recorder(platform.journal, "cursor");  // released by the shutdown
    host::DrawRoot = host::UpdateRoot = nullptr;                   // no frames: only the pump matters here
    for (uint32_t m : {1122u, 513u, 518u, 15u, 258u, 657u, MemoryLoopPlatform::kQuit})
        platform.queue.push_back(WindowMessage{nullptr, m, 0, 0, 0, {}});
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{
                                    "box RootClient is not present",
                                    "cursor message 513",
                                    "screen message 513",
                                    "dispatch 518",
                                    "dispatch 15",
                                    "cursor message 258",
                                    "screen message 258",
                                    "cursor message 657",
                                    "screen message 657",
                                    "shutdown",
                                }));
}

TEST_F(FrameLoopTest, SocketMessagesGoToTheNetworkManagerWhenThereIsOne) {
    host::NetworkManager = new NetworkManager(nullptr);
    host::DrawRoot = host::UpdateRoot = nullptr;
    platform.queue.push_back(WindowMessage{nullptr, 1122, 7, 1, 0, {}});
    platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"socket", "shutdown"}));
}

// A message box runs its own message loop, which hands socket notices to the window procedure;
// that holds them, and the loop takes them up before anything still queued.
TEST_F(FrameLoopTest, SocketNoticesHeldDuringABoxReachTheNetworkManagerBeforeQueuedMessages) {
    host::NetworkManager = new NetworkManager(nullptr);
    char notifications[NetworkManager::kNotifyTextSize] = {};
    host::NetworkManager->NotifyText = notifications;
    host::DrawRoot = nullptr;
    screen.onUpdate = [this] {
        if (platform.journal.size() > 1) return;
        held_socket_notices::Hold(7, 1);
        held_socket_notices::Hold(7, 1);  // the same notice again: kept once
        held_socket_notices::Hold(9, 1);
        platform.queue.push_back(WindowMessage{nullptr, 256, 0, 0, 0, {}});
        platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    };
    platform.time = 41;
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal,
              (std::vector<std::string>{"screen update", "socket", "screen message 256", "shutdown"}));
    EXPECT_STREQ(notifications, "Notify     2");
    uint32_t socket;
    int32_t event;
    EXPECT_FALSE(held_socket_notices::TakeOldest(socket, event)) << "every held notice was handed over";
}

TEST_F(FrameLoopTest, InputWithoutAnInputRootGoesToTheWindowProcedure) {
    host::InputRoot = nullptr;
    host::DrawRoot = host::UpdateRoot = nullptr;
    platform.queue.push_back(WindowMessage{nullptr, 513, 0, 0, 0, {}});
    platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"dispatch 513", "shutdown"}));
}

TEST_F(FrameLoopTest, PrintScreenKeyUpGoesToTheTopmostAncestor) {
    Recorder top(platform.journal, "top");
    Recorder moduleScreen(platform.journal, "module");
    top.InsertChild(&moduleScreen);
    host::InputRoot = &moduleScreen;
    host::DrawRoot = host::UpdateRoot = nullptr;
    // Print Screen up, Print Screen down, and the up of another key (A).
    for (auto [message, key] : {std::pair{257u, 44u}, std::pair{256u, 44u}, std::pair{257u, 65u}})
        platform.queue.push_back(WindowMessage{nullptr, message, key, 0, 0, {}});
    platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"top message 257", "module message 256",
                                                          "module message 257", "shutdown"}));
}

TEST_F(FrameLoopTest, EveryDrawnFrameSendsTheCursorPositionToTheInputRoot) {
    Recorder cursor(platform.journal, "cursor");
    cursor.x = 300;
    cursor.y = 200;
    host::MouseCursor = &cursor;
    WindowMessage seen{};
    struct Catcher : Control {
        WindowMessage* seen;
        explicit Catcher(WindowMessage* s) : Control(nullptr, 0, 0, 0, 0, 64), seen(s) {}
        Control* HandleMessage(WindowMessage* m) override {
            *seen = *m;
            return nullptr;
        }
    } catcher(&seen);
    host::InputRoot = &catcher;
    StopAfterUpdates(1);
    RunFrameLoop(platform);
    EXPECT_EQ(seen.message, 512u);
    EXPECT_EQ(seen.lParam, intptr_t((200 << 16) | 300));
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"screen update", "cursor update", "screen draw",
                                                          "cursor draw", "present"}));
}

TEST(InputSet, ExactlyTheKeyboardMouseAndInputMethodMessagesGoToTheTree) {
    using namespace window_message;
    const std::vector<uint32_t> tree = {KeyDown,           KeyUp,          Char,
                                        SystemKeyDown,     SystemKeyUp,    ImeStartComposition,
                                        ImeEndComposition, ImeComposition, MouseMove,
                                        LeftButtonDown,    LeftButtonUp,   LeftButtonDoubleClick,
                                        RightButtonDown,   RightButtonUp,  MiddleButtonDown,
                                        MiddleButtonUp,    MouseWheel,     ImeSetContext,
                                        ImeNotify,         ImeControl,     ImeCompositionFull,
                                        ImeSelect,         ImeChar,        ImeKeyDown,
                                        ImeKeyUp};
    std::vector<uint32_t> taken;
    for (uint32_t m = 0; m < 0x10000; ++m)
        if (IsTreeInputMessage(m)) taken.push_back(m);
    EXPECT_EQ(taken, tree)
        << "dead characters, right and middle double clicks and the rest go to the window procedure";
}

TEST_F(FrameLoopTest, TheCursorRecordsAClickThatTheTreeDoesNotConsume) {
    MouseCursor cursor;
    host::MouseCursor = &cursor;
    host::DrawRoot = host::UpdateRoot = nullptr;
    for (uint32_t m : {window_message::LeftButtonUp, window_message::RightButtonDoubleClick})
        platform.queue.push_back(WindowMessage{
            nullptr, m, 0, m == window_message::RightButtonDoubleClick ? 0 : (200 << 16) | 300, 0, {}});
    platform.stop = [&] { return platform.queue.empty(); };  // the cursor outlives the run
    RunFrameLoop(platform);
    EXPECT_EQ(cursor.leftButton, (Point{300, 200}));
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"screen message 514", "dispatch 518"}));
}

TEST_F(FrameLoopTest, ADialogThatClosesItselfOnAClickKeepsItFromTheControlsBelow) {
    Recorder below(platform.journal, "below");
    struct Dialog : Control {
        Dialog(Control* parent, std::vector<std::string>& journal)
            : Control(parent, 0, 0, 0, 0, 100), journal(journal) {}
        void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
        Control* HandleMessage(WindowMessage* m) override {
            journal.push_back("dialog message " + std::to_string(m->message));
            DestroyControl(this);
            return nullptr;
        }
        std::vector<std::string>& journal;
    };
    Control root(nullptr, 0, 0, 0, 0, 64);
    root.InsertChild(&below);
    new Dialog(&root, platform.journal);
    host::InputRoot = &root;
    host::DrawRoot = host::UpdateRoot = nullptr;
    for (uint32_t m : {513u, 513u, MemoryLoopPlatform::kQuit})
        platform.queue.push_back(WindowMessage{nullptr, m, 0, 0, 0, {}});
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal,
              (std::vector<std::string>{"dialog message 513", "below message 513", "shutdown"}));
}

TEST_F(FrameLoopTest, AHandlerMayRedirectTheWalkPastItsSiblings) {
    Recorder lowest(platform.journal, "lowest");
    Recorder middle(platform.journal, "middle");
    struct Redirect : Control {
        Redirect(Control* to) : Control(nullptr, 0, 0, 0, 0, 30), to(to) {}
        Control* HandleMessage(WindowMessage*) override { return to; }
        Control* to;
    } top(&lowest);
    Control root(nullptr, 0, 0, 0, 0, 64);
    lowest.priority = 10;
    middle.priority = 20;
    root.InsertChild(&lowest);
    root.InsertChild(&middle);
    root.InsertChild(&top);
    host::InputRoot = &root;
    host::DrawRoot = host::UpdateRoot = nullptr;
    platform.queue.push_back(WindowMessage{nullptr, 256, 0, 0, 0, {}});
    platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    RunFrameLoop(platform);
    EXPECT_EQ(platform.journal, (std::vector<std::string>{"lowest message 256", "shutdown"}));
}

// A control of the game module that does something of the test's choosing when it is handed a
// message, then declines it.
class Handler : public Control {
  public:
    Handler(std::vector<std::string>& journal, std::string name, std::function<void()> action)
        : Control(nullptr, 0, 0, 0, 0, 64), journal_(journal), name_(std::move(name)),
          action_(std::move(action)) {}
    Control* HandleMessage(WindowMessage* m) override {
        journal_.push_back(name_ + " message " + std::to_string(m->message));
        action_();
        return prevSibling;
    }

  private:
    std::vector<std::string>& journal_;
    std::string name_;
    std::function<void()> action_;
};

// A host object that notes its destruction by name.
template <class Base> class Noted : public Base {
  public:
    template <class... Args>
    Noted(std::vector<std::string>& journal, std::string name, Args... args)
        : Base(args...), journal_(journal), name_(std::move(name)) {}
    void* DeletingDestructor(uint32_t flags) override {
        journal_.push_back(name_ + " destroyed");
        return RunDeletingDestructor(this, flags);
    }

  private:
    std::vector<std::string>& journal_;
    std::string name_;
};

TEST_F(FrameLoopTest, AHandlerMayClearTheInputRootOrEndTheRunWhileItsParentIsHandlingTheClick) {
    // Ending the run is what the window procedure does when a handler destroys the window. The
    // host objects then go when the handler's call has returned, never under a parent that is
    // still walking its children; nothing more of that message is handed on.
    struct Case {
        const char* name;
        bool underCursor;  // else below the input root
        bool endsRun;      // else clears the input root
        std::vector<std::string> journal;
    };
    const Case cases[] = {
        {"under the cursor, clears the input root",
         true,
         false,
         {"handler message 514", "cursor destroyed", "screen destroyed", "shutdown"}},
        {"under the cursor, ends the run",
         true,
         true,
         {"handler message 514", "cursor destroyed", "screen destroyed", "shutdown", "shutdown"}},
        {"below the input root, ends the run",
         false,
         true,
         {"handler message 514", "cursor destroyed", "screen destroyed", "shutdown", "shutdown"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.journal.clear();
        auto* cursor = new Noted<MouseCursor>(platform.journal, "cursor");
        auto* moduleScreen = new Noted<Control>(platform.journal, "screen", nullptr, 0, 0, 0, 0, 64);
        Handler handler(platform.journal, "handler", [&] {
            if (c.endsRun)
                ShutdownApplication();
            else
                host::InputRoot = nullptr;
        });
        (c.underCursor ? static_cast<Control*>(cursor) : moduleScreen)->InsertChild(&handler);
        host::MouseCursor = cursor;
        host::AppInfo.currentScreen = host::InputRoot = moduleScreen;
        host::DrawRoot = host::UpdateRoot = nullptr;
        host::Display = host::Display ? host::Display : new Display(8, 4);
        host::RootControl = host::RootControl ? host::RootControl : new RootControl(nullptr, 0, 0, 8, 4, 64);
        platform.queue.push_back(
            WindowMessage{nullptr, window_message::LeftButtonUp, 0, (200 << 16) | 300, 0, {}});
        platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
        EXPECT_EQ(RunFrameLoop(platform), 1);
        EXPECT_EQ(platform.journal, c.journal);
    }
}

TEST_F(FrameLoopTest, AScreenThatMadeItselfTheInputRootAndThenGoesGetsNoMoreInput) {
    // A module screen takes the input through the host panel, then replaces itself with its
    // next screen and deletes itself: in its update, or on a click. The input, the frame's
    // pointer move among it, goes to the panel again, which hands it to the next screen.
    struct Screen : Control {
        Screen(Control* panel, std::vector<std::string>& journal, Control* next, bool goOnClick)
            : Control(panel, 0, 0, 0, 0, 64), journal(journal), next(next), goOnClick(goOnClick) {}
        void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
        void Update() override {
            if (!goOnClick) Replace();
        }
        Control* HandleMessage(WindowMessage* m) override {
            journal.push_back("first message " + std::to_string(m->message));
            if (!goOnClick) return prevSibling;
            Replace();
            return nullptr;
        }
        void Replace() {
            parent->InsertChild(next);
            DestroyControl(this);
        }
        std::vector<std::string>& journal;
        Control* next;
        bool goOnClick;
    };
    struct Case {
        bool goOnClick;
        int clicks;  // before the first frame
        std::vector<std::string> journal;
    };
    const Case cases[] = {
        {false,
         1,
         {"cursor message 513", "first message 513", "cursor update", "cursor draw", "next message 512",
          "present"}},
        {true,
         2,
         {"cursor message 513", "first message 513", "cursor message 513", "next message 513",
          "cursor update", "cursor draw", "next message 512", "present"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.goOnClick ? "on a click" : "in its update");
        platform.journal.clear();
        platform.time = 0;
        ModuleHostPanel panel;
        Handler next(platform.journal, "next", [] {});
        Recorder cursor(platform.journal, "cursor");
        auto* first = new Screen(&panel, platform.journal, &next, c.goOnClick);
        EXPECT_EQ(panel.Notify(first, host_command::SetInputRoot, 0), 0);
        host::MouseCursor = &cursor;
        host::DrawRoot = host::UpdateRoot = &panel;
        for (int i = 0; i < c.clicks; ++i)
            platform.queue.push_back(WindowMessage{nullptr, window_message::LeftButtonDown, 0, 0, 0, {}});
        platform.stop = [&] {
            return std::find(platform.journal.begin(), platform.journal.end(), "present") !=
                   platform.journal.end();
        };
        RunFrameLoop(platform);
        EXPECT_EQ(platform.journal, c.journal);
        EXPECT_EQ(host::InputRoot, &panel);
        EXPECT_EQ(panel.Notify(nullptr, host_command::GetInputRoot, 0),
                  int32_t(reinterpret_cast<intptr_t>(&panel)));
        host::MouseCursor = nullptr;
    }
}

// The timing log's file, split into lines and fields.
std::vector<std::vector<std::string>> LogLines(const std::string& file) {
    std::vector<std::vector<std::string>> lines;
    size_t start = 0;
    while (start < file.size()) {
        size_t end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        std::vector<std::string> fields;
        std::string line = file.substr(start, end - start);
        for (size_t at = 0; at <= line.size();) {
            size_t space = line.find(' ', at);
            if (space == std::string::npos) space = line.size();
            fields.push_back(line.substr(at, space - at));
            at = space + 1;
        }
        lines.push_back(fields);
        start = end + 1;
    }
    return lines;
}

struct FrameTimingLogTest : FrameLoopTest {
    MemoryFrameLogPlatform files;
    static constexpr const char* kPath = "frames.log";
    FrameTimingLogTest() { files.environment[FrameTimingLog::kSwitch] = kPath; }
};

TEST_F(FrameTimingLogTest, RecordsEveryFrameThroughTheLoopsClock) {
    // The first update stalls the loop for 80 ms: the next frame is updated but not drawn.
    bool stalled = false;
    screen.onUpdate = [&] {
        platform.time += 2;
        if (!stalled) platform.time += 80;
        stalled = true;
    };
    platform.presentMilliseconds = 5;
    files.heapCount = HeapBlockCount{7, 300};
    StopAfterUpdates(4);
    {
        FrameTimingLog log(files);
        ASSERT_TRUE(log.Start());
        RunFrameLoop(platform, &log);
        EXPECT_TRUE(files.open) << "the loop leaves the file to its owner";
    }
    EXPECT_FALSE(files.open);
    EXPECT_EQ(Frames(), "UDUUDUD");
    std::vector<std::vector<std::string>> lines = LogLines(files.files[kPath]);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], (std::vector<std::string>{"#", "frame", "due", "update_start", "update_end",
                                                  "draw_start", "draw_end", "present_start", "present_end",
                                                  "drawn", "live_blocks", "live_bytes"}));
    using Fields = std::vector<std::string>;
    // Frame 0 is due at 40 and runs at 41; its update takes 82 ms and its present 5 ms.
    EXPECT_EQ(lines[1], (Fields{"0", "40", "41", "123", "123", "123", "123", "128", "1", "7", "300"}));
    // Frame 1 is 89 ms late (elapsed 2 intervals and more): updated, not drawn.
    EXPECT_EQ(lines[2], (Fields{"1", "80", "129", "131", "-", "-", "-", "-", "0", "7", "300"}));
    EXPECT_EQ(lines[3], (Fields{"2", "120", "132", "134", "134", "134", "134", "139", "1", "7", "300"}));
    EXPECT_EQ(lines[4], (Fields{"3", "160", "161", "163", "163", "163", "163", "168", "1", "7", "300"}));
}

TEST_F(FrameTimingLogTest, WritesInBatchesBetweenFrames) {
    StopAfterUpdates(int(FrameTimingLog::kFramesPerWrite) + 1);
    FrameTimingLog log(files);
    ASSERT_TRUE(log.Start());
    RunFrameLoop(platform, &log);
    EXPECT_EQ(files.writes, 2) << "the header and one batch; the last frame waits for the next";
    EXPECT_EQ(LogLines(files.files[kPath]).size(), FrameTimingLog::kFramesPerWrite + 1);
    log.Flush();
    EXPECT_EQ(LogLines(files.files[kPath]).size(), FrameTimingLog::kFramesPerWrite + 2);
    EXPECT_EQ(LogLines(files.files[kPath]).back()[9], "-") << "no heap count where the program has none";
}

TEST_F(FrameTimingLogTest, TheQuitMessageWritesWhatIsLeft) {
    screen.onUpdate = [&] {
        platform.queue.push_back(WindowMessage{nullptr, MemoryLoopPlatform::kQuit, 0, 0, 0, {}});
    };
    FrameTimingLog log(files);
    ASSERT_TRUE(log.Start());
    RunFrameLoop(platform, &log);
    EXPECT_EQ(LogLines(files.files[kPath]).size(), 2u);
}

TEST_F(FrameTimingLogTest, StaysOffAndWritesNothingUnlessSwitchedOnWithAFileItCanMake) {
    struct Case {
        const char* setting;  // null: not set
        bool refuseOpen;
    };
    for (Case c : {Case{nullptr, false}, Case{"", false}, Case{kPath, true}}) {
        MemoryFrameLogPlatform quiet;
        if (c.setting) quiet.environment[FrameTimingLog::kSwitch] = c.setting;
        quiet.refuseOpen = c.refuseOpen;
        platform.journal.clear();
        platform.time = 0;
        StopAfterUpdates(3);
        FrameTimingLog log(quiet);
        EXPECT_FALSE(log.Start());
        RunFrameLoop(platform, &log);
        log.Flush();
        EXPECT_EQ(Frames(), "UDUDUD");
        EXPECT_TRUE(quiet.files.empty());
        EXPECT_EQ(quiet.writes, 0);
        // A crash report still learns how many frames ran.
        EXPECT_EQ(log.FramesStarted(), 3u);
        EXPECT_EQ(log.RecentFrames(), 0u);
    }
}

TEST_F(FrameTimingLogTest, KeepsTheLastBatchOfFramesForACrashReportAndWritesEveryFrameOnceInOrder) {
    const size_t frames = 2 * FrameTimingLog::kFramesPerWrite + 3;
    StopAfterUpdates(int(frames));
    FrameTimingLog log(files);
    ASSERT_TRUE(log.Start());
    RunFrameLoop(platform, &log);
    EXPECT_EQ(log.FramesStarted(), frames);
    ASSERT_EQ(log.RecentFrames(), FrameTimingLog::kFramesPerWrite);
    // The file's line of each recent frame, oldest first.
    log.Flush();
    std::vector<std::vector<std::string>> lines = LogLines(files.files[kPath]);
    ASSERT_EQ(lines.size(), frames + 1);
    for (size_t i = 0; i < frames; ++i)
        EXPECT_EQ(lines[i + 1][0], std::to_string(i));
    for (size_t i = 0; i < log.RecentFrames(); ++i) {
        char line[FrameTimingLog::kLineCapacity];
        size_t length = log.FormatRecentFrame(i, line, sizeof line);
        const std::vector<std::string>& written = lines[frames - FrameTimingLog::kFramesPerWrite + i + 1];
        EXPECT_EQ(LogLines(std::string(line, length)).front(), written) << "recent frame " << i;
    }
    char small[8];
    EXPECT_EQ(log.FormatRecentFrame(0, small, sizeof small), sizeof small - 1) << "cut to the room given";
    EXPECT_EQ(log.FormatRecentFrame(log.RecentFrames(), small, sizeof small), 0u);
}

TEST_F(FrameTimingLogTest, AFileThatCanNoLongerBeWrittenEndsTheLogNotTheLoop) {
    StopAfterUpdates(int(FrameTimingLog::kFramesPerWrite) * 2);
    FrameTimingLog log(files);
    ASSERT_TRUE(log.Start());
    files.failWrites = true;
    RunFrameLoop(platform, &log);
    EXPECT_FALSE(log.IsOn());
    EXPECT_EQ(files.closes, 1);
    EXPECT_EQ(Frames().size(), 4 * FrameTimingLog::kFramesPerWrite);
}

}  // namespace

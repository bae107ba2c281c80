#pragma once
// The frame loop's machine in memory: a clock that moves only when the loop sleeps, waits, hands
// a message to the window or presents, or when its owner says so; a queue of messages that the
// owner fills, and messages that arrive at a time; a stop the owner decides. What the loop does
// to the host's display and network manager shows up in the journal at the loop's next call to
// the machine, which comes before anything else can happen.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/window_message.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "net/network_manager.h"
#include "shell/frame_loop.h"

class MemoryLoopPlatform final : public LoopPlatform {
  public:
    uint32_t Now() override {
        Observe();
        return time;
    }
    void RaiseTimerResolution() override { ++timerRaised; }
    bool MessageWaiting() override {
        Observe();
        return !queue.empty();
    }
    bool TakeMessage(WindowMessage* m) override {
        *m = queue.front();
        queue.pop_front();
        return m->message != kQuit;
    }
    void TranslateKeys(WindowMessage*) override {}
    void DispatchToWindow(WindowMessage* m) override {
        journal.push_back("dispatch " + std::to_string(m->message));
        time += dispatchMilliseconds;
    }
    void SleepOneMillisecond() override {
        sleepTimes.push_back(time);
        slept = true;
        ++time;
    }
    // A wait ends when the first of the arrivals comes (it joins the queue) or after the time.
    void WaitForMessage(uint32_t milliseconds) override {
        waits.push_back({time, milliseconds});
        slept = true;
        if (!queue.empty()) return;
        if (!arrivals.empty() && arrivals.front().first <= time + milliseconds) {
            time = std::max(time, arrivals.front().first);
            queue.push_back(arrivals.front().second);
            arrivals.pop_front();
            return;
        }
        time += milliseconds;
    }
    bool StopRequested() override {
        Observe();
        // A pass that did not sleep still took time: charge a millisecond for it here, at the
        // top of the next pass, so that the loop cannot spin on a frozen clock.
        if (!slept) ++time;
        slept = false;
        return stop && stop();
    }

    // Presents of the host display take presentMilliseconds each.
    void Observe() {
        if (host::Display && host::Display->presentCount != presentsSeen) {
            presentsSeen = host::Display->presentCount;
            journal.push_back("present");
            time += presentMilliseconds;
        }
        if (host::NetworkManager && host::NetworkManager->notificationCount != notificationsSeen) {
            notificationsSeen = host::NetworkManager->notificationCount;
            journal.push_back("socket");
        }
    }

    static constexpr uint32_t kQuit = 0x12;
    uint32_t time = 0;
    uint32_t dispatchMilliseconds = 0;  // how long the window procedure takes per message
    uint32_t presentMilliseconds = 0;
    std::deque<WindowMessage> queue;
    std::deque<std::pair<uint32_t, WindowMessage>> arrivals;  // messages that come at a time
    std::vector<std::pair<uint32_t, uint32_t>> waits;         // when the loop waited, and for how long
    std::vector<std::string> journal;
    std::function<bool()> stop;
    int timerRaised = 0;
    bool slept = true;
    std::vector<uint32_t> sleepTimes;
    uint32_t presentsSeen = 0;
    uint32_t notificationsSeen = 0;
};

#pragma once
// How long a listener waits before it accepts again after a failed accept. An error such as
// running out of descriptors leaves the pending connection in the queue, so trying again at once
// would spin on the same error; the wait grows with each failure in a row, up to a bound, and
// starts small again after the next success.
#include <algorithm>
#include <chrono>

class AcceptBackoff {
  public:
    static constexpr std::chrono::milliseconds kFirstDelay{50};
    static constexpr std::chrono::milliseconds kLongestDelay{1000};

    // The wait before the next attempt, after one more failure in a row.
    std::chrono::milliseconds NextDelay() {
        const std::chrono::milliseconds delay = next_;
        next_ = std::min(next_ * 2, kLongestDelay);
        return delay;
    }
    void Succeeded() { next_ = kFirstDelay; }

  private:
    std::chrono::milliseconds next_ = kFirstDelay;
};

#include "shell/held_socket_notices.h"

#include <algorithm>
#include <deque>
#include <utility>

namespace {
// The window's thread is the only one that holds or takes notices.
std::deque<std::pair<uint32_t, int32_t>>& Held() {
    static std::deque<std::pair<uint32_t, int32_t>> held;
    return held;
}
}  // namespace

namespace held_socket_notices {
void Hold(uint32_t wParam, int32_t lParam) {
    auto& held = Held();
    const std::pair<uint32_t, int32_t> notice{wParam, lParam};
    if (std::find(held.begin(), held.end(), notice) == held.end()) held.push_back(notice);
}

bool TakeOldest(uint32_t& wParam, int32_t& lParam) {
    auto& held = Held();
    if (held.empty()) return false;
    wParam = held.front().first;
    lParam = held.front().second;
    held.pop_front();
    return true;
}
}  // namespace held_socket_notices

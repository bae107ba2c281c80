#pragma once
// Socket notices (message 1122) that reached the window procedure instead of the frame loop. That
// happens while a modal loop runs in the frame loop's place: a message box of the host or of the
// game module. Such a notice must not be lost: a socket posts no new read notice until it is read,
// so the bytes that arrived during the box would wait for ever. Nor may it be handled there and
// then: the box may be up in the middle of a connection's own message handling. So the window
// procedure holds it, and the frame loop hands it to the network manager on its next pass, before
// any message it takes from the queue, so that every socket's notices keep their order.
#include <cstdint>

namespace held_socket_notices {
// Keeps one notice. The same notice (socket and event) already held is kept once, so the number
// held stays within the sockets' count times the events', however long a box stays up.
void Hold(uint32_t wParam, int32_t lParam);

// Takes the oldest held notice; false when none is held.
bool TakeOldest(uint32_t& wParam, int32_t& lParam);
}  // namespace held_socket_notices

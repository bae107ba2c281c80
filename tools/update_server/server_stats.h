#pragma once
// What the server has done since it started: the figures of the metrics endpoint and of the
// summary printed on exit.
#include <cstdint>

struct ServerStats {
    uint64_t sessionsActive = 0;
    uint64_t sessionsTotal = 0;     // connections taken
    uint64_t sessionsComplete = 0;  // the end message reached the client's socket
    uint64_t refusals = 0;
    uint64_t dropped = 0;  // ended by a timeout, a protocol fault or the client going away
    uint64_t errors = 0;   // ended by a fault on the server's side (a file that cannot be read)
    uint64_t filesSent = 0;
    uint64_t bytesSent = 0;          // file content handed to the kernel, not yet known to be delivered
    uint64_t sessionsLingering = 0;  // finished, keeping the socket for the client to close first
    uint64_t turnedAway = 0;         // closed at once: their address had its sessions already
};

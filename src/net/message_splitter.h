#pragma once
// Where the next message of a receive buffer ends. The header is judged as soon as its 20 bytes
// are there: a wrong magic is reported at once, without first waiting for the body length that
// the bad header announces. Lengths are added in 64 bits, so a body length near 4 GiB cannot wrap
// around into a short message; such a message simply waits for bytes that really arrive.
#include <cstdint>

enum class FrameStatus { Incomplete, BadMagic, Complete };

struct FrameCheck {
    FrameStatus status;
    uint64_t size;  // header + body (+ trailer) of a complete message
};

FrameCheck InspectFrame(const uint8_t* data, uint32_t available, bool withTrailer);

uint32_t ReadLittleEndian32(const uint8_t* bytes);

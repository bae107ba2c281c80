#pragma once
// The wire format of every message, in both directions (all integers little-endian):
//
//   offset       size    field
//   0            4       FrameMagic 0x01020304 (bytes 04 03 02 01)
//   4            4       message id; the high 16 bits are its group (0x8000 session control,
//                        0x8001 requests from the server, 0x8002 replies and data)
//   8            4       parameter A
//   12           4       parameter B
//   16           4       body length
//   20           length  body
//   20 + length  4       trailer, only on connections in checksum mode
//
// Handlers receive the header and a pointer to the body, which lies directly behind it.
#include <cstdint>

#include "common/layout_check.h"

inline constexpr uint32_t FrameMagic = 0x01020304;
inline constexpr uint32_t kHeaderSize = 20;
inline constexpr uint32_t kTrailerSize = 4;

// The two fixed masks of the checksums; they also seed the session mask table. A peer must use
// the same pair.
inline constexpr uint32_t SendMask = 0x5A3C9E71;
inline constexpr uint32_t ReceiveMask = 0xC4D2B86F;

// Messages follow each other in the receive buffer at any byte offset, so the header record has
// no alignment of its own.
#pragma pack(push, 1)
struct MessageHeader {
    uint32_t magic;
    uint32_t id;
    uint32_t a;
    uint32_t b;
    uint32_t bodyLength;
};
#pragma pack(pop)

TIDEMARCH_CHECK_SIZE(MessageHeader, 20);

// The host's whole message vocabulary.
namespace message_id {
inline constexpr uint32_t Acknowledge = 0x80000002;  // server: B = acknowledged reply; client: answer to Ping
inline constexpr uint32_t Refuse = 0x80000003;       // server: B = refused reply
inline constexpr uint32_t UpdateAnnounced = 0x80000004;  // server: 8-byte body
inline constexpr uint32_t UpdateFinished = 0x80000005;
inline constexpr uint32_t FileHeader = 0x80000006;   // server: 152-byte body
inline constexpr uint32_t Ping = 0x80010001;         // server: answered with Acknowledge
inline constexpr uint32_t EchoRequest = 0x8001000F;  // server: answered with EchoAnswer, no checksum
inline constexpr uint32_t HelloRequest = 0x80010109;
inline constexpr uint32_t SecondRequest = 0x8001010B;
inline constexpr uint32_t EchoAnswer = 0x8002000F;       // client: its trailer is its own id
inline constexpr uint32_t Hello = 0x80020010;            // client: 216-byte body
inline constexpr uint32_t SecondAnswer = 0x80020011;     // client: 196-byte body
inline constexpr uint32_t FileData = 0x80020020;         // client: file list; server: file data
inline constexpr uint32_t SessionMaskSeed = 0x8002030D;  // server: seed in A and B
inline constexpr uint32_t SessionMasksOn = 0x8002030E;   // client: session masks in force
}  // namespace message_id

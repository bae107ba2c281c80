#pragma once
// The connection that answers the server's session requests in a fixed way: the hello request,
// the second request, and the ping and echo requests answered at once without a body. It runs
// without checksums. The start screen is one.
//
// Shared with the game module; the layout after the Connection fields must not change:
//
//   offset  field
//   96      texts[3][64]    empty, not used by the host
//   288     helloValues[4]  1, 0, the client kind, 0xFFFFFFFF
#include <array>
#include <cstdint>

#include "net/connection.h"

class ClientConnection : public Connection {
  public:
    static constexpr uint32_t kHelloBodySize = 216;
    static constexpr uint32_t kSecondAnswerBodySize = 196;

    explicit ClientConnection(uint32_t clientKind);

    void* DeletingDestructor(uint32_t flags) override;
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override;

    // Words 0, kind, fourth value, first value, second value, then zeros, and at offset 212 the
    // bitwise NOT of the sum of the four hello values.
    std::array<uint8_t, kHelloBodySize> HelloBody() const;

    char texts[3][64];
    uint32_t helloValues[4];
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(ClientConnection, 304);
TIDEMARCH_CHECK_OFFSET(ClientConnection, texts, 96);
TIDEMARCH_CHECK_OFFSET(ClientConnection, helloValues, 288);
TIDEMARCH_LAYOUT_CHECKS_END
#endif

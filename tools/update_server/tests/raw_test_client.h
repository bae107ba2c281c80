#pragma once
// A client on a plain blocking socket, for what the project's client code never does: connect
// from another loopback address, put a PROXY header first, read slowly, or stop reading. Every
// wait is bounded.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/wire_format.h"

struct RawMessage {
    MessageHeader header;
    std::vector<uint8_t> body;
};

class RawTestClient {
  public:
    // Connects to 127.0.0.1:port from the source address; a receive buffer of receiveBuffer bytes
    // when not 0 (set before connecting, so the window is small from the start).
    RawTestClient(uint16_t port, const char* source = "127.0.0.1", int receiveBuffer = 0);
    ~RawTestClient();
    RawTestClient(const RawTestClient&) = delete;
    RawTestClient& operator=(const RawTestClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    bool Send(const std::vector<uint8_t>& bytes);
    // The next whole message, or nothing when the connection ends or the bound passes.
    std::optional<RawMessage> Read(int boundMs = 5000);
    // Reads what has arrived, up to length bytes, waiting for some; nothing when the connection
    // ends or the bound passes.
    std::optional<size_t> ReadSome(size_t length, int boundMs = 5000);
    // Whether the server closes the connection within the bound (bytes still arriving are read
    // and counted).
    bool ClosedByServer(int boundMs, size_t* bytesRead = nullptr);

    // The start screen's side of the session up to the acknowledgement, then an empty file list.
    bool Handshake();
    // Handshake, then the whole update; true when the end message arrives.
    bool RunSession();
    void Close();

  private:
    bool ReadExactly(uint8_t* out, size_t length, int boundMs);

    int fd_ = -1;
};

std::vector<uint8_t> StartScreenHello();
std::vector<uint8_t> SecondAnswer();

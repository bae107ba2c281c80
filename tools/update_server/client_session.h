#pragma once
// One client of the server: its socket, its protocol state and its update, on the server's event
// loop. Memory per client stays bounded: one read buffer, at most one message being collected
// (a full file list at most), and one output buffer that is refilled from the files only when the
// client has taken what was in it, so a slow client slows only its own transfer.
//
// A client that makes no progress for the timeout (no complete message while the server waits for
// one, no bytes taken while the server sends) is dropped, as is one that breaks the protocol.
// After the end message or a refusal the session waits a short time for the client to close
// first, so the client has read everything before it sees the connection end.
#include <asio.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session_protocol.h"
#include "update_sender.h"

class DiskWorkers;
class ReleaseScanner;
struct ServerOptions;
struct ServerStats;

// What a session needs from the server that runs it.
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    virtual const ServerOptions& Options() const = 0;
    virtual ReleaseScanner& Releases() = 0;
    virtual DiskWorkers& Disk() = 0;
    virtual ServerStats& Stats() = 0;
    virtual void LogSession(const std::string& line) = 0;
    // The session has closed its socket.
    virtual void Released(class ClientSession& session) = 0;
};

class ClientSession : public std::enable_shared_from_this<ClientSession> {
  public:
    ClientSession(asio::ip::tcp::socket socket, SessionHost& host);

    void Start();
    // Ends the session at once (the server is stopping).
    void Stop();

  private:
    enum class Ending { Complete, Refused, Dropped, Error, Stopped };

    void Read();
    void OnRead(const asio::error_code& error, size_t length);
    void Pump();
    void OnFilled(size_t base, uint32_t filesBefore, uint64_t bytesBefore);
    void Write();
    void OnWritten(const asio::error_code& error);
    void StartUpdate();
    void ArmTimer(std::chrono::milliseconds delay);
    void End(Ending ending, const std::string& detail);
    void Close();

    static constexpr size_t kReadBufferSize = 8192;

    asio::ip::tcp::socket socket_;
    asio::steady_timer timer_;
    SessionHost& host_;
    std::string peer_;
    std::chrono::steady_clock::time_point startedAt_;
    SessionProtocol protocol_;
    std::optional<UpdateSender> sender_;
    std::vector<std::vector<uint8_t>> replies_;  // waiting for the next write
    std::vector<uint8_t> outgoing_;              // the write in flight
    std::array<uint8_t, kReadBufferSize> readBuffer_;
    bool writing_ = false;
    // The sender and the output buffer belong to a disk thread while it fills the buffer: neither
    // is touched (nor the buffer resized) until the fill is back on the event loop.
    bool filling_ = false;
    size_t filled_ = 0;
    bool refusalQueued_ = false;
    bool ended_ = false;   // the outcome is logged; the socket may linger
    bool closed_ = false;  // the socket is closed
    // What the writes completed so far have delivered, and what the write in flight will add.
    uint32_t filesDelivered_ = 0;
    uint64_t bytesDelivered_ = 0;
    uint32_t filesInFlight_ = 0;
    uint64_t bytesInFlight_ = 0;
};

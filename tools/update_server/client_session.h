#pragma once
// One client of the server: its socket, its protocol state and its update, on the server's event
// loop. Memory per client stays bounded: one read buffer, at most one message being collected
// (a full file list at most, handed over and freed as soon as the update is planned), and one
// output buffer that is refilled from the files only when the client has taken what was in it, so
// a slow client slows only its own transfer.
//
// A client that sends no hello within the hello timeout, or then makes no progress for the
// timeout (no complete message while the server waits for one, no byte taken while the server
// sends), is dropped, as is one that breaks the protocol. After the end message or a refusal the
// session leaves its serving slot and lingers: it keeps only its socket, so the client reads
// everything before it sees the connection end, until the client closes or the close delay passes.
#include <asio.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session_protocol.h"
#include "update_sender.h"

class BufferPool;
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
    // The session has sent its last message and no longer needs a serving slot.
    virtual void Finished(class ClientSession& session) = 0;
    // Whether one more session of the client address may be served now; every true is followed
    // by one Leave of the same address.
    virtual bool Admit(const std::string& address) = 0;
    virtual void Leave(const std::string& address) = 0;
    // Where sessions take their read and output buffers and give them back.
    virtual BufferPool& ReadBuffers() = 0;
    virtual BufferPool& OutputBuffers() = 0;
};

class ClientSession : public std::enable_shared_from_this<ClientSession> {
  public:
    ClientSession(asio::ip::tcp::socket socket, SessionHost& host);

    void Start();
    // Ends the session at once (the server is stopping, or a lingering session makes room).
    void Stop();

  private:
    enum class Ending { Complete, Refused, Dropped, Error, Stopped, TurnedAway };
    using Clock = std::chrono::steady_clock;

    // Serves the client at this address (the socket's peer, or the one the proxy names).
    void Begin(const asio::ip::address& address);
    void Read();
    void OnRead(const asio::error_code& error, size_t length);
    // Collects the PROXY header from the start of the stream; false when the session cannot go
    // on with this read (more bytes needed, or closed). Otherwise data and length are what follows.
    bool TakeProxyHeader(const uint8_t*& data, size_t& length);
    void Pump();
    void OnFilled(size_t base, uint32_t filesBefore, uint64_t bytesBefore);
    void Write();
    void OnWritten(const asio::error_code& error, size_t length);
    void StartUpdate();
    bool WaitingForHello() const;
    // The session ends when this much time passes without SetDeadline being called again.
    void SetDeadline(std::chrono::milliseconds allowed);
    void WaitForDeadline();
    void OnDeadline();
    void End(Ending ending, const std::string& detail);
    void Linger();
    // Frees the update and gives the output buffer back for another session; never while a fill is out.
    void LetGoOfUpdate();
    void WaitForClose();
    void Close();

    static constexpr size_t kReadBufferSize = 8192;

    asio::ip::tcp::socket socket_;
    asio::steady_timer timer_;
    SessionHost& host_;
    std::string peer_;
    std::string address_;  // the key of the per-address limit, while admitted
    Clock::time_point startedAt_;
    Clock::time_point deadline_;
    std::chrono::milliseconds allowed_{0};
    SessionProtocol protocol_;
    std::optional<UpdateSender> sender_;
    std::vector<std::vector<uint8_t>> replies_;  // waiting for the next write
    std::vector<uint8_t> outgoing_;              // the write in progress
    size_t written_ = 0;                         // of outgoing_, taken by the kernel
    std::vector<uint8_t> readBuffer_;
    std::vector<uint8_t> proxyHeader_;  // collected while awaitingProxy_
    bool awaitingProxy_ = false;
    bool admitted_ = false;
    bool timerArmed_ = false;
    bool writing_ = false;
    // The sender and the output buffer belong to a disk thread while it fills the buffer: neither
    // is touched (nor the buffer resized) until the fill is back on the event loop.
    bool filling_ = false;
    size_t filled_ = 0;
    bool refusalQueued_ = false;
    bool ended_ = false;      // the outcome is logged
    bool lingering_ = false;  // ended, with the socket kept for the client to close first
    bool closed_ = false;     // the socket is closed
    // What the writes completed so far have handed over, and what the write in progress will add.
    uint32_t filesDelivered_ = 0;
    uint64_t bytesDelivered_ = 0;
    uint32_t filesInFlight_ = 0;
    uint64_t bytesInFlight_ = 0;
};

#pragma once
// The server's side of an update session, without any input or output of its own: it takes the
// bytes a client sends, checks every message against what the session expects at that point, and
// says what to send back. The sequence it drives:
//
//   server                         client
//   0x80010109 hello request  ->
//                             <-   0x80020010 hello (216 bytes; B = 0x80010109)
//   0x8001010B second request ->
//                             <-   0x80020011 second answer (196 zero bytes; B = 0x8001010B)
//   0x80000002 acknowledgement, or 0x80000003 refusal when the server refuses sessions
//                             <-   0x80020020 file list (B records of 152 bytes)
//   then the update itself (UpdateSender).
//
// Two hello bodies are accepted: the start screen's fixed one, and the generic client's with its
// four hello values and their check word. They expect different acknowledgements: the start
// screen becomes ready on B = 0x80020011, the generic client on B = 0x80020010.
//
// Memory stays bounded: a header is judged as soon as its 20 bytes are there, so a body is
// collected only when its length is the one the session expects, at most a full file list.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "client_file_list.h"
#include "net/wire_format.h"

enum class HelloKind { Unknown, StartScreen, GenericClient };

enum class SessionPhase {
    AwaitingHello,
    AwaitingSecondAnswer,
    AwaitingFileList,
    Updating,  // the file list is in; everything else the client sends is a fault
    Refused,   // the refusal is out; whatever the client still sends is ignored
    Failed,
};

// One message, encoded for the wire.
std::vector<uint8_t> EncodeMessage(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length);

class SessionProtocol {
  public:
    static constexpr uint32_t kHelloBodySize = 216;
    static constexpr uint32_t kSecondAnswerBodySize = 196;

    explicit SessionProtocol(bool refuseSessions);

    // The first message of every session.
    std::vector<uint8_t> Opening() const;

    struct Step {
        std::vector<std::vector<uint8_t>> replies;
        bool fileListArrived = false;  // FileList() now holds the client's files
        bool refused = false;          // the refusal is among the replies
    };
    // Takes what the client sent. After a fault the phase is Failed and Error() says why.
    Step Receive(const uint8_t* data, size_t length);

    SessionPhase Phase() const { return phase_; }
    HelloKind Hello() const { return hello_; }
    const std::string& Error() const { return error_; }
    const std::vector<ClientFile>& FileList() const { return fileList_; }
    // Hands the file list over and keeps nothing of it: a session needs it only to plan.
    std::vector<ClientFile> TakeFileList() { return std::exchange(fileList_, {}); }
    // Bytes held for a message not complete yet.
    size_t Pending() const { return pending_.size(); }

  private:
    // False, with the session failed, when the header is not the one the phase expects.
    bool CheckHeader(const MessageHeader& header);
    void Handle(const MessageHeader& header, const uint8_t* body, Step& step);
    void Fail(std::string why);

    bool refuseSessions_;
    SessionPhase phase_ = SessionPhase::AwaitingHello;
    HelloKind hello_ = HelloKind::Unknown;
    std::string error_;
    std::vector<uint8_t> pending_;
    std::vector<ClientFile> fileList_;
};

// The reply id the acknowledgement or refusal names for this kind of client.
uint32_t AcknowledgedReply(HelloKind kind);

// Which client a hello body comes from, or Unknown when it is neither form.
HelloKind ClassifyHello(const uint8_t* body);

#include "session_protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "net/message_splitter.h"

namespace {

// The start screen's hello: words 0, 0x10060000, 0, 1, 7, then zeros up to and including the
// word at offset 212.
constexpr uint32_t kStartScreenHelloWords[5] = {0, 0x10060000, 0, 1, 7};
constexpr uint32_t kHelloCheckOffset = 212;
constexpr uint32_t kHelloWordsSize = 20;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

bool AllZero(const uint8_t* bytes, size_t length) {
    return std::all_of(bytes, bytes + length, [](uint8_t b) { return b == 0; });
}

struct ExpectedMessage {
    uint32_t id;
    uint32_t b;  // the request it answers; for the file list the record count, not checked here
    const char* what;
};

}  // namespace

std::vector<uint8_t> EncodeMessage(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) {
    std::vector<uint8_t> message(kHeaderSize + length);
    const MessageHeader header{FrameMagic, id, a, b, length};
    std::memcpy(message.data(), &header, kHeaderSize);
    if (length) std::memcpy(message.data() + kHeaderSize, body, length);
    return message;
}

uint32_t AcknowledgedReply(HelloKind kind) {
    return kind == HelloKind::StartScreen ? message_id::SecondAnswer : message_id::Hello;
}

HelloKind ClassifyHello(const uint8_t* body) {
    uint32_t words[5];
    std::memcpy(words, body, sizeof words);
    const uint32_t check = ReadLittleEndian32(body + kHelloCheckOffset);
    const bool middleZero = AllZero(body + kHelloWordsSize, kHelloCheckOffset - kHelloWordsSize);
    if (!middleZero || words[0] != 0) return HelloKind::Unknown;
    if (std::equal(words, words + 5, kStartScreenHelloWords) && check == 0) return HelloKind::StartScreen;
    // Generic: 0, kind, fourth value, first value, second value; the check word is the NOT of the
    // sum of the four values.
    if (check == ~(words[1] + words[2] + words[3] + words[4])) return HelloKind::GenericClient;
    return HelloKind::Unknown;
}

SessionProtocol::SessionProtocol(bool refuseSessions) : refuseSessions_(refuseSessions) {}

std::vector<uint8_t> SessionProtocol::Opening() const {
    return EncodeMessage(message_id::HelloRequest, 0, 0, nullptr, 0);
}

void SessionProtocol::Fail(std::string why) {
    phase_ = SessionPhase::Failed;
    error_ = std::move(why);
    pending_.clear();
    pending_.shrink_to_fit();
}

bool SessionProtocol::CheckHeader(const MessageHeader& header) {
    ExpectedMessage expected{};
    uint32_t longest = 0;
    switch (phase_) {
    case SessionPhase::AwaitingHello:
        expected = {message_id::Hello, message_id::HelloRequest, "hello"};
        longest = kHelloBodySize;
        break;
    case SessionPhase::AwaitingSecondAnswer:
        expected = {message_id::SecondAnswer, message_id::SecondRequest, "second answer"};
        longest = kSecondAnswerBodySize;
        break;
    case SessionPhase::AwaitingFileList:
        expected = {message_id::FileData, header.b, "file list"};
        longest = kLongestFileList;
        break;
    default:
        Fail("message " + Hex(header.id) + " after the session ended");
        return false;
    }
    if (header.id != expected.id) {
        Fail("message " + Hex(header.id) + " where the " + expected.what + " was expected");
        return false;
    }
    if (header.a != 0 || header.b != expected.b) {
        Fail(std::string(expected.what) + " with parameters " + Hex(header.a) + ", " + Hex(header.b));
        return false;
    }
    const bool exact = phase_ != SessionPhase::AwaitingFileList;
    if (exact ? header.bodyLength != longest : header.bodyLength > longest) {
        Fail(std::string(expected.what) + " with a body of " + std::to_string(header.bodyLength) + " bytes");
        return false;
    }
    return true;
}

void SessionProtocol::Handle(const MessageHeader& header, const uint8_t* body, Step& step) {
    switch (phase_) {
    case SessionPhase::AwaitingHello:
        hello_ = ClassifyHello(body);
        if (hello_ == HelloKind::Unknown) return Fail("hello body of neither known form");
        step.replies.push_back(EncodeMessage(message_id::SecondRequest, 0, 0, nullptr, 0));
        phase_ = SessionPhase::AwaitingSecondAnswer;
        return;
    case SessionPhase::AwaitingSecondAnswer:
        if (!AllZero(body, kSecondAnswerBodySize)) return Fail("second answer with a non-zero body");
        if (refuseSessions_) {
            step.replies.push_back(
                EncodeMessage(message_id::Refuse, 0, AcknowledgedReply(hello_), nullptr, 0));
            step.refused = true;
            phase_ = SessionPhase::Refused;
            pending_.clear();
            return;
        }
        step.replies.push_back(
            EncodeMessage(message_id::Acknowledge, 0, AcknowledgedReply(hello_), nullptr, 0));
        phase_ = SessionPhase::AwaitingFileList;
        return;
    case SessionPhase::AwaitingFileList: {
        ParsedFileList list = ParseFileList(header.b, body, header.bodyLength);
        if (!list.error.empty()) return Fail(std::move(list.error));
        fileList_ = std::move(list.files);
        step.fileListArrived = true;
        phase_ = SessionPhase::Updating;
        return;
    }
    default:
        return;
    }
}

SessionProtocol::Step SessionProtocol::Receive(const uint8_t* data, size_t length) {
    Step step;
    if (phase_ == SessionPhase::Refused || phase_ == SessionPhase::Failed || length == 0) return step;
    if (phase_ == SessionPhase::Updating) {
        Fail("data from the client during the update");
        return step;
    }
    pending_.insert(pending_.end(), data, data + length);
    size_t at = 0;
    while (phase_ != SessionPhase::Refused && phase_ != SessionPhase::Failed) {
        const uint8_t* message = pending_.data() + at;
        const uint32_t available = uint32_t(std::min<size_t>(pending_.size() - at, UINT32_MAX));
        const FrameCheck frame = InspectFrame(message, available, false);
        if (frame.status == FrameStatus::BadMagic) {
            Fail("message without the frame magic");
            break;
        }
        if (available < kHeaderSize) break;
        MessageHeader header;
        std::memcpy(&header, message, kHeaderSize);
        if (!CheckHeader(header)) break;
        if (frame.status == FrameStatus::Incomplete) break;
        Handle(header, message + kHeaderSize, step);
        at += size_t(frame.size);
    }
    if (phase_ == SessionPhase::Failed || phase_ == SessionPhase::Refused) {
        pending_.clear();
        pending_.shrink_to_fit();
    } else {
        pending_.erase(pending_.begin(), pending_.begin() + ptrdiff_t(at));
        if (pending_.empty()) pending_.shrink_to_fit();
    }
    return step;
}

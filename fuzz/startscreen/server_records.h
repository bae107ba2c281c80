#pragma once
// The fuzzer's input: what an update server and the machine do to a start screen, as a sequence
// of records. Each record begins with a kind byte, taken modulo 16:
//
//   0 to 9  a message with the id kKnownIds[kind]: a (u32), b (u32), body length (u16), body
//   10      a message with any id: id (u32), then as above
//   11      frames: count (u8); the screen is updated (count + 1) x kFramesPerCount times
//   12      the connection is lost
//   13      a key goes down: key (u8)
//   14      a mouse button goes down
//   15      the next chunk write fails, as on a full disk
//
// Integers are little-endian. A record cut short by the end of the input reads zeros for what is
// missing, and a body is cut to the bytes left, so every input decodes.
#include <array>
#include <cstddef>
#include <cstdint>

namespace server_records {

// The ids the start screen acts on, and two it must leave alone.
inline constexpr std::array<uint32_t, 10> kKnownIds = {
    0x80000002,  // acknowledged
    0x80000003,  // refused
    0x80000004,  // update announced
    0x80000005,  // update finished
    0x80000006,  // file header
    0x80010109,  // hello request
    0x8001010B,  // second request
    0x80020020,  // file data
    0x80010001,  // not answered by the start screen
    0x8001000F,  // not answered by the start screen
};
inline constexpr uint8_t kKindCount = 16;
inline constexpr uint8_t kAnyIdKind = 10;
inline constexpr uint8_t kFramesKind = 11;
inline constexpr uint8_t kLostKind = 12;
inline constexpr uint8_t kKeyKind = 13;
inline constexpr uint8_t kButtonKind = 14;
inline constexpr uint8_t kFailWriteKind = 15;
// One count byte reaches the refusal's countdown (4000 updates).
inline constexpr int kFramesPerCount = 16;

enum class Action { Message, Frames, ConnectionLost, KeyDown, ButtonDown, FailNextWrite };

struct Record {
    Action action = Action::Message;
    uint32_t id = 0, a = 0, b = 0;
    const uint8_t* body = nullptr;
    uint32_t length = 0;
    int frames = 0;
    uint8_t key = 0;
};

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Next(Record* record) {
        if (at_ == size_) return false;
        *record = Record{};
        const uint8_t kind = uint8_t(Byte() % kKindCount);
        if (kind < kKnownIds.size() || kind == kAnyIdKind) {
            record->id = kind == kAnyIdKind ? Word() : kKnownIds[kind];
            record->a = Word();
            record->b = Word();
            const size_t announced = size_t(Byte()) | size_t(Byte()) << 8;
            const size_t length = announced < size_ - at_ ? announced : size_ - at_;
            record->body = data_ + at_;
            record->length = uint32_t(length);
            at_ += length;
            return true;
        }
        switch (kind) {
        case kFramesKind:
            record->action = Action::Frames;
            record->frames = (Byte() + 1) * kFramesPerCount;
            break;
        case kLostKind:
            record->action = Action::ConnectionLost;
            break;
        case kKeyKind:
            record->action = Action::KeyDown;
            record->key = Byte();
            break;
        case kButtonKind:
            record->action = Action::ButtonDown;
            break;
        default:
            record->action = Action::FailNextWrite;
            break;
        }
        return true;
    }

  private:
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t Word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t(Byte()) << (8 * i);
        return value;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace server_records

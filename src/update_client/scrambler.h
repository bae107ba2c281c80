#pragma once
// A keyed XOR scrambler that is its own inverse, and the reader of scrambled files.
//
// A text key becomes a 32-byte key state and two derived words, A and B. ScrambleBuffer XORs a
// buffer with values that depend only on the key and the byte positions (so a second pass
// restores it): a repeating pattern from B, three single bytes from A, and a stream of key bytes
// mixed with mask-table entries reseeded once per key byte.
//
// Scrambled file (little-endian):
//
//   offset  size  field
//   0       4     H1   B XOR the weighted payload sum C2 (key check)
//   4       4     H2   head check over the masked payload
//   8       4     H3   A XOR the weighted payload sum C1 (key check)
//   12      n     payload: the scrambled data, masked twice with bytes of H1 and H3; n >= 1
//
// The reader verifies the head check, unmasks, verifies both key checks and descrambles;
// MakeScrambledFile is the exact inverse, for the tools that write such files.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/deleting_destructor.h"
#include "net/mask_table.h"

class Scrambler {
  public:
    static constexpr size_t kKeyBytes = 32;
    static constexpr uint32_t kKeyMask = 0x6E17D2A9u;
    static constexpr uint32_t kZeroKeySubstitute = 0x81F05C3Bu;
    static constexpr uint32_t kMaskTableEntries = 4096;
    static constexpr size_t kFileHeadBytes = 12;
    // All arithmetic of scrambled files is unsigned 32-bit and wraps, on every build. Past 2^31
    // payload bytes the triangular masking positions, wrapping, would never reach the end; the
    // 32-bit host cannot hold such a file anyway, so larger payloads are refused.
    static constexpr uint32_t kMaxPayloadBytes = 1u << 30;

    Scrambler();
    Scrambler(const Scrambler&) = delete;
    Scrambler& operator=(const Scrambler&) = delete;
    ~Scrambler();

    virtual void* DeletingDestructor(uint32_t flags);

    // Derives the key state from the text's first 32 bytes (shorter texts are padded with zero).
    void SetKey(const char* keyText);
    // Scrambles or descrambles in place. With a key text the key is set first; without one and
    // without a key state nothing happens.
    void ScrambleBuffer(uint8_t* buffer, uint32_t length, const char* keyText = nullptr);
    // The payload of a scrambled file, descrambled unless raw is set, in a buffer the caller
    // frees with delete[]; null when the file is missing, too short, fails a check, or no key is
    // set. *outLength receives the payload size.
    uint8_t* ReadScrambledFile(const char* path, uint32_t* outLength, const char* keyText, uint32_t raw);

    // The payload of a scrambled file image held in memory (same checks as the file reader);
    // empty when the image is refused. The key must be set.
    bool ReadScrambledImage(const uint8_t* image, size_t size, bool raw, std::vector<uint8_t>* payload);
    // The file image that the reader turns back into plain; needs a key and at least one byte.
    bool MakeScrambledFile(const uint8_t* plain, size_t length, std::vector<uint8_t>* image);

    bool IsKeyed() const { return keyed != 0; }

    uint8_t keyBytes[kKeyBytes];
    uint32_t keyA;
    uint32_t keyB;
    uint32_t keyed;
    MaskTable* maskTable;
};

// The start screen's fixed key: fifteen Hangul syllables and two spaces in code page 949,
// exactly 32 bytes, zero-terminated here only for the text interface.
extern const char kStartScreenKey[Scrambler::kKeyBytes + 1];

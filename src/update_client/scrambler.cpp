#include "update_client/scrambler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

// "밀물과 썰물이 바다를건너가는구나" in code page 949.
const char kStartScreenKey[Scrambler::kKeyBytes + 1] = {
    '\xB9', '\xD0', '\xB9', '\xB0', '\xB0', '\xFA', '\x20', '\xBD', '\xE4', '\xB9', '\xB0',
    '\xC0', '\xCC', '\x20', '\xB9', '\xD9', '\xB4', '\xD9', '\xB8', '\xA6', '\xB0', '\xC7',
    '\xB3', '\xCA', '\xB0', '\xA1', '\xB4', '\xC2', '\xB1', '\xB8', '\xB3', '\xAA', '\0'};

namespace {

constexpr uint8_t kKeyXor = 0xAA;
constexpr uint32_t kSumPeriod = 13;
constexpr uint32_t kStreamOffsetPeriod = 27;
constexpr uint32_t kStreamStride = 13;
// Each B byte is used with this bias in the repeating pattern.
constexpr uint32_t kPatternBias = 7;
// Shift of B for positions 0, 1, 2 and 3 modulo 4.
constexpr uint32_t kPatternShift[4] = {8, 24, 0, 16};
constexpr uint32_t kSquareModulus = 123;

uint32_t ReadWord(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

void WriteWord(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

uint8_t ByteOf(uint32_t value, int shift) { return uint8_t(value >> shift); }

uint32_t HeadSum(const uint8_t* payload, uint32_t n) {
    uint32_t h = 0;
    for (uint32_t i = 0; i < n; ++i)
        h += (uint32_t(payload[i]) + 7u) * (i + 3u);
    return h;
}

uint32_t HeadCheck(uint32_t h1, uint32_t h2, uint32_t h3) {
    return (h2 ^ Scrambler::kKeyMask) - (h3 & 0xFAFAu) - (h1 & 0xADADu);
}

// The two masking passes, each its own inverse: H1's bytes at the triangular positions, H3's
// bytes at every position.
void MaskPayload(uint8_t* payload, uint32_t n, uint32_t h1, uint32_t h3) {
    const uint8_t k2[4] = {ByteOf(h1, 16), ByteOf(h1, 24), ByteOf(h1, 8), ByteOf(h1, 0)};
    for (uint32_t k = 0;; ++k) {
        const uint32_t p = k * (k + 1) / 2;
        if (p >= n) break;
        payload[p] ^= k2[k % 4];
    }
    const uint8_t k1[4] = {ByteOf(h3, 24), ByteOf(h3, 16), ByteOf(h3, 0), ByteOf(h3, 8)};
    for (uint32_t i = 0; i < n; ++i)
        payload[i] ^= k1[i % 4];
}

struct KeySums {
    uint32_t c1 = 0;
    uint32_t c2 = 0;
};

KeySums KeyCheckSums(const uint8_t* payload, uint32_t n) {
    KeySums sums;
    for (uint32_t i = 0; i < n; ++i) {
        // The square wraps at 32 bits before the remainder is taken, from i = 65523 on.
        const uint32_t square = (i + 13) * (i + 13);
        sums.c1 += (i + 1) * uint32_t(payload[i]);
        sums.c2 += (square % kSquareModulus) * uint32_t(payload[i]);
    }
    return sums;
}

}  // namespace

Scrambler::Scrambler() : keyBytes{}, keyA(0), keyB(0), keyed(0), maskTable(nullptr) {
    maskTable = new MaskTable(kMaskTableEntries, MaskTable::kRoomWithSpare);
}

Scrambler::~Scrambler() {
    if (maskTable) maskTable->DeletingDestructor(kDeleteMemory);
    maskTable = nullptr;
}

void* Scrambler::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void Scrambler::SetKey(const char* keyText) {
    uint32_t a = 0;
    uint32_t b = 0;
    std::memset(keyBytes, 0, sizeof keyBytes);
    if (keyText) std::memcpy(keyBytes, keyText, std::min(std::strlen(keyText), kKeyBytes));

    uint32_t s = 0;
    for (uint32_t i = 0; i < kKeyBytes; ++i) {
        keyBytes[i] ^= kKeyXor;
        s += (i % kSumPeriod + 1) * keyBytes[i];
    }
    for (uint32_t j = 0; j < kKeyBytes / 2; ++j)
        std::swap(keyBytes[2 * j], keyBytes[2 * j + 1]);

    const uint32_t m = s ^ kKeyMask;
    const uint8_t t[4] = {ByteOf(m, 24), ByteOf(m, 16), ByteOf(m, 8), ByteOf(m, 0)};
    for (uint32_t i = 0; i < kKeyBytes; ++i) {
        const uint8_t byte = keyBytes[i];
        keyBytes[i] = byte ^ t[(i * byte) % 3];
        a += (i + 17) * keyBytes[i];
        b += (i + 13) * keyBytes[i] - 1;
    }
    a ^= kKeyMask;
    b ^= kKeyMask;
    if (a == 0) a = kZeroKeySubstitute;
    keyA = a;
    keyB = b;
    keyed = 1;
}

void Scrambler::ScrambleBuffer(uint8_t* buffer, uint32_t length, const char* keyText) {
    if (keyText) SetKey(keyText);
    if (!keyed || !buffer || length == 0) return;

    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t k = ByteOf(keyB, int(kPatternShift[i % 4]));
        buffer[i] ^= uint8_t(k + kPatternBias);
    }
    if (length > 3) buffer[(2u * length) / 3] ^= ByteOf(keyA, 16);
    if (length > 2) buffer[length / 2] ^= ByteOf(keyA, 8);
    buffer[0] ^= ByteOf(keyA, 0);

    // A key of only zero bytes covers nothing and would never finish.
    if (std::all_of(std::begin(keyBytes), std::end(keyBytes), [](uint8_t byte) { return byte == 0; })) return;
    const uint32_t r = keyA % kStreamOffsetPeriod;
    uint32_t i = 0;
    uint32_t k = 0;
    while (i < length) {
        maskTable->Reseed(uint32_t(keyBytes[k]) + i + k, kMaskTableEntries);
        for (uint32_t j = 0; j < keyBytes[k] && i < length; ++j, ++i) {
            buffer[i] ^= keyBytes[j % kKeyBytes];
            buffer[i] ^= uint8_t(maskTable->Entry((r + kStreamStride * i) % kMaskTableEntries));
        }
        k = (k + 1) % kKeyBytes;
    }
}

bool Scrambler::ReadScrambledImage(const uint8_t* image, size_t size, bool raw,
                                   std::vector<uint8_t>* payload) {
    payload->clear();
    if (!keyed || !image || size <= kFileHeadBytes || size - kFileHeadBytes > kMaxPayloadBytes) return false;
    const uint32_t h1 = ReadWord(image);
    const uint32_t h2 = ReadWord(image + 4);
    const uint32_t h3 = ReadWord(image + 8);
    const uint32_t n = uint32_t(size - kFileHeadBytes);
    std::vector<uint8_t> data(image + kFileHeadBytes, image + size);

    if (HeadSum(data.data(), n) != HeadCheck(h1, h2, h3)) return false;
    MaskPayload(data.data(), n, h1, h3);
    const KeySums sums = KeyCheckSums(data.data(), n);
    if ((keyA ^ sums.c1) != h3 || (keyB ^ sums.c2) != h1) return false;
    if (!raw) ScrambleBuffer(data.data(), n);
    *payload = std::move(data);
    return true;
}

bool Scrambler::MakeScrambledFile(const uint8_t* plain, size_t length, std::vector<uint8_t>* image) {
    image->clear();
    if (!keyed || !plain || length == 0 || length > kMaxPayloadBytes) return false;
    const uint32_t n = uint32_t(length);
    std::vector<uint8_t> data(plain, plain + n);
    ScrambleBuffer(data.data(), n);
    const KeySums sums = KeyCheckSums(data.data(), n);
    const uint32_t h3 = keyA ^ sums.c1;
    const uint32_t h1 = keyB ^ sums.c2;
    MaskPayload(data.data(), n, h1, h3);
    const uint32_t h2 = (HeadSum(data.data(), n) + (h3 & 0xFAFAu) + (h1 & 0xADADu)) ^ kKeyMask;

    image->resize(kFileHeadBytes + length);
    WriteWord(image->data(), h1);
    WriteWord(image->data() + 4, h2);
    WriteWord(image->data() + 8, h3);
    std::copy(data.begin(), data.end(), image->begin() + kFileHeadBytes);
    return true;
}

uint8_t* Scrambler::ReadScrambledFile(const char* path, uint32_t* outLength, const char* keyText,
                                      uint32_t raw) {
    if (!path) return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    if (keyText) SetKey(keyText);
    std::vector<uint8_t> image;
    bool readAll = keyed != 0;
    uint8_t chunk[4096];
    while (readAll) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        image.insert(image.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            readAll = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!readAll) return nullptr;

    std::vector<uint8_t> payload;
    if (!ReadScrambledImage(image.data(), image.size(), raw != 0, &payload)) return nullptr;
    auto* result = new uint8_t[payload.size()];
    std::copy(payload.begin(), payload.end(), result);
    if (outLength) *outLength = uint32_t(payload.size());
    return result;
}

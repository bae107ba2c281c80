#include "net/checksum.h"

#include <emmintrin.h>

#include "net/wire_format.h"

namespace {

// 0 + 1 + ... + (n - 1), wrapping at 32 bits.
uint32_t IndexSum(uint64_t n) {
    if (n == 0) return 0;
    // One of n and n - 1 is even; halve that one before multiplying so nothing overflows.
    const uint64_t a = n % 2 == 0 ? n / 2 : n;
    const uint64_t b = n % 2 == 0 ? n - 1 : (n - 1) / 2;
    return uint32_t(uint32_t(a) * uint32_t(b));
}

uint32_t ScalarWeightedSum(const uint8_t* data, size_t length, uint32_t firstIndex) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += (firstIndex + uint32_t(i)) * uint32_t(int32_t(int8_t(data[i])));
    return sum;
}

uint32_t HorizontalSum(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return uint32_t(_mm_cvtsi128_si32(v));
}

// Bytes are flipped to unsigned (y = x XOR 0x80 = signed value + 128), so that
//   sum i * signed = sum i * y - 128 * IndexSum(n).
// Over blocks of 16 bytes, with i = 16 * block + lane:
//   sum i * y = 16 * sum block * Y(block) + sum lane * L(lane)
// where Y(block) is the block's byte sum and L(lane) the sum of the bytes in one lane over all
// blocks. The block term is (blocks - 1) * sum Y - sum over blocks of the byte sum before that
// block, which needs only additions; the lane sums are kept in 16-bit lanes and weighted by their
// lane number every 128 blocks, before they can exceed 32767.
uint32_t VectorWeightedSum(const uint8_t* data, size_t blocks) {
    const __m128i flip = _mm_set1_epi8(char(0x80));
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowLanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i highLanes = _mm_setr_epi16(8, 9, 10, 11, 12, 13, 14, 15);

    __m128i total = zero;     // sum of the byte sums of the blocks so far (two 64-bit lanes)
    __m128i prefixes = zero;  // sum over blocks of `total` before each block
    __m128i laneWeighted = zero;
    size_t block = 0;
    while (block < blocks) {
        const size_t chunkEnd = block + 128 < blocks ? block + 128 : blocks;
        __m128i lowSums = zero;
        __m128i highSums = zero;
        for (; block < chunkEnd; ++block) {
            const __m128i y =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * block)), flip);
            prefixes = _mm_add_epi32(prefixes, total);
            total = _mm_add_epi32(total, _mm_sad_epu8(y, zero));
            lowSums = _mm_add_epi16(lowSums, _mm_unpacklo_epi8(y, zero));
            highSums = _mm_add_epi16(highSums, _mm_unpackhi_epi8(y, zero));
        }
        laneWeighted = _mm_add_epi32(laneWeighted, _mm_madd_epi16(lowSums, lowLanes));
        laneWeighted = _mm_add_epi32(laneWeighted, _mm_madd_epi16(highSums, highLanes));
    }
    // The 64-bit lanes of total and prefixes hold their values in the low 32 bits; the high
    // words stay zero, so a sum over all four 32-bit lanes is the sum of the two halves.
    const uint32_t byteTotal = HorizontalSum(total);
    const uint32_t prefixTotal = HorizontalSum(prefixes);
    const uint32_t blockTerm = uint32_t(blocks - 1) * byteTotal - prefixTotal;
    const uint32_t unsignedSum = 16u * blockTerm + HorizontalSum(laneWeighted);
    return unsignedSum - 128u * IndexSum(uint64_t(blocks) * 16);
}

}  // namespace

uint32_t PositionWeightedSum(const uint8_t* data, size_t length) {
    const size_t blocks = length / 16;
    uint32_t sum = blocks ? VectorWeightedSum(data, blocks) : 0;
    const size_t done = blocks * 16;
    return sum + ScalarWeightedSum(data + done, length - done, uint32_t(done));
}

uint32_t ChecksumSum(const ChecksumWeights& weights, const uint8_t* header, const uint8_t* body,
                     uint32_t length) {
    const uint32_t headerSum = weights.headerFactor * (PositionWeightedSum(header, kHeaderSize) +
                                                       weights.headerAdd * IndexSum(kHeaderSize));
    const uint32_t bodySum =
        weights.bodyFactor * (PositionWeightedSum(body, length) + weights.bodyAdd * IndexSum(length));
    return headerSum + bodySum;
}

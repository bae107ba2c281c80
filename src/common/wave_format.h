#pragma once
// The PCM wave format record of an embedded sound effect, byte for byte as stored in a sprite
// file and as DirectSound takes it (the published WAVEFORMATEX record, 18 bytes, no padding).
#include <cstdint>

#pragma pack(push, 1)
struct WaveFormat {
    uint16_t formatTag;  // 1: PCM
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint32_t averageBytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};
#pragma pack(pop)

static_assert(sizeof(WaveFormat) == 18, "WaveFormat is the 18-byte stored record");

inline constexpr uint16_t kWaveFormatPcm = 1;

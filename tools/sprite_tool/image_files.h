#pragma once
// PNG images and WAV sounds as the sprite tool reads and writes them.
#include <cstdint>
#include <string>
#include <vector>

#include "common/wave_format.h"

// An image of width x height RGBA values (red in the lowest byte, alpha in the highest).
struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// Each returns false with a reason in *error.
bool ReadPng(const std::string& path, RgbaImage* image, std::string* error);
bool WritePng(const std::string& path, const RgbaImage& image, std::string* error);

struct WaveSound {
    WaveFormat format{};
    std::vector<uint8_t> samples;
};
bool ReadWav(const std::string& path, WaveSound* sound, std::string* error);
bool WriteWav(const std::string& path, const WaveSound& sound, std::string* error);

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

#include "image_files.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

bool ReadPng(const std::string& path, RgbaImage* image, std::string* error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        *error = path + ": " + png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    image->width = int32_t(png.width);
    image->height = int32_t(png.height);
    image->pixels.assign(size_t(png.width) * png.height, 0);
    if (!png_image_finish_read(&png, nullptr, image->pixels.data(), 0, nullptr)) {
        *error = path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const RgbaImage& image, std::string* error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr)) {
        *error = path + ": " + png.message;
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be opened";
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        *error = path + ": cannot be written";
        return false;
    }
    return true;
}

namespace {
uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void AppendBytes(std::vector<uint8_t>& out, const void* bytes, size_t size) {
    if (size == 0) return;
    const size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, bytes, size);
}
template <class T> void Append(std::vector<uint8_t>& out, T value) { AppendBytes(out, &value, sizeof value); }
}  // namespace

// RIFF WAVE: the "fmt " chunk (16 bytes or more) and the "data" chunk; other chunks are passed
// over.
namespace {
constexpr uint16_t kWaveFormatFloat = 3;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The host plays effects through buffers made from the stored 18-byte format record: plain PCM
// of 8 or 16 bits only. Anything else would play silent or not at all.
bool CheckPlayableFormat(const std::string& path, WaveFormat& format, std::string* error) {
    if (format.formatTag != kWaveFormatPcm) {
        const std::string kind = format.formatTag == kWaveFormatFloat ? "floating-point samples"
                                 : format.formatTag == kWaveFormatExtensible
                                     ? "the extensible format record"
                                     : "format tag " + std::to_string(format.formatTag);
        *error =
            path + ": " + kind + " cannot be played; only PCM sounds of 8 or 16 bits can (save it as PCM)";
        return false;
    }
    const bool bitsOk = format.bitsPerSample == 8 || format.bitsPerSample == 16;
    if (!bitsOk || format.channels == 0 || format.blockAlign != format.channels * format.bitsPerSample / 8) {
        *error = path + ": PCM of " + std::to_string(format.bitsPerSample) + " bits in " +
                 std::to_string(format.channels) + " channels with blocks of " +
                 std::to_string(format.blockAlign) + " bytes cannot be played; only 8 or 16 bits can";
        return false;
    }
    // A PCM record has no extra bytes; none are stored, so none may be announced.
    format.extraSize = 0;
    return true;
}
}  // namespace

bool ReadWav(const std::string& path, WaveSound* sound, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes, error)) return false;
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) ||
        std::memcmp(bytes.data() + 8, "WAVE", 4)) {
        *error = path + ": not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false, haveData = false;
    size_t at = 12;
    while (bytes.size() - at >= 8) {
        const uint32_t size = Load32(bytes.data() + at + 4);
        const uint8_t* body = bytes.data() + at + 8;
        if (size > bytes.size() - at - 8) {
            *error = path + ": a chunk runs past the end of the file";
            return false;
        }
        if (!std::memcmp(bytes.data() + at, "fmt ", 4)) {
            if (size < 16) {
                *error = path + ": the format chunk is too short";
                return false;
            }
            sound->format = WaveFormat{};
            std::memcpy(&sound->format, body, size >= 18 ? 18 : 16);
            haveFormat = true;
        } else if (!std::memcmp(bytes.data() + at, "data", 4)) {
            sound->samples.assign(body, body + size);
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData) {
        *error = path + ": no format or no data chunk";
        return false;
    }
    return CheckPlayableFormat(path, sound->format, error);
}

bool WriteWav(const std::string& path, const WaveSound& sound, std::string* error) {
    const bool extended = sound.format.extraSize != 0;
    const uint32_t formatBytes = extended ? 18 : 16;
    std::vector<uint8_t> out;
    AppendBytes(out, "RIFF", 4);
    Append(out, uint32_t(4 + 8 + formatBytes + 8 + sound.samples.size() + (sound.samples.size() & 1)));
    AppendBytes(out, "WAVEfmt ", 8);
    Append(out, formatBytes);
    AppendBytes(out, &sound.format, formatBytes);
    AppendBytes(out, "data", 4);
    Append(out, uint32_t(sound.samples.size()));
    AppendBytes(out, sound.samples.data(), sound.samples.size());
    if (sound.samples.size() & 1) out.push_back(0);
    return WriteWholeFile(path, out, error);
}

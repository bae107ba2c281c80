// Sprite file loading against a plain read of the same file: a file of 2,000 sprites of mixed
// sizes and kinds is loaded for each display layout (pixels converted) and merely read into
// memory. Throughput counts the sprite data bytes in both, so the ratio of the two rates is the
// ratio of their times. Ends with `target load-vs-read <load MB/s / read MB/s> 0.33` (higher is
// better) for the product's 5:6:5 display and the file of sprites 8 to 160 pixels a side; a
// second file of larger sprites (16 to 256 pixels) is measured for comparison.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "files/read_only_file.h"
#include "median_rate_reporter.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "platform/posix/files/posix_file_platform.h"
#include "sprites/files/sprite_file.h"
#include "sprites/format/sprite_document.h"

namespace {
constexpr int kSprites = 2000;

struct BenchFile {
    const char* name;
    double smallestSide;
    double largestSide;
    std::string path;
    size_t fileBytes = 0;
    size_t spriteDataBytes = 0;
};
BenchFile gFiles[] = {{"sprites 8-160 px", 8, 160, {}, 0, 0}, {"sprites 16-256 px", 16, 256, {}, 0, 0}};

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

// A sprite of a random size between the smallest and the largest side (small ones more often,
// as in a game's files) and a random kind; one in ten stores 2 bytes per pixel. Run sprites
// have a visible shape: a disc, with a hole in Rle2 rows.
DocumentSprite MakeSprite(std::mt19937& random, const BenchFile& file) {
    std::uniform_real_distribution<double> logSide(std::log(file.smallestSide), std::log(file.largestSide));
    const int32_t w = int32_t(std::exp(logSide(random))), h = int32_t(std::exp(logSide(random)));
    const int kind = int(random() % 3);
    const int storedBytes = random() % 10 == 0 ? 2 : 3;
    DocumentSprite sprite;
    sprite.head.kind = uint8_t(kind);
    sprite.head.storedBytesPerPixel = uint8_t(storedBytes);
    sprite.head.width = w;
    sprite.head.height = h;
    auto pixel = [&](std::vector<uint8_t>& out) {
        const uint32_t v = uint32_t(random());
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
        if (storedBytes == 3) out.push_back(uint8_t(v >> 16));
    };
    auto run = [&](int skip, int count) {
        Put16(sprite.data, uint16_t(skip * (storedBytes == 3 ? 1 : 2)));
        sprite.data.push_back(0);
        Put16(sprite.data, uint16_t(count * (storedBytes == 3 ? 1 : 2)));
        for (int i = 0; i < count; ++i)
            pixel(sprite.data);
    };
    if (kind == 0) {
        for (int i = 0; i < w * h; ++i)
            pixel(sprite.data);
        return sprite;
    }
    for (int y = 0; y < h; ++y) {
        const double dy = (y + 0.5) / h * 2 - 1;
        const int half = int(w / 2.0 * std::sqrt(std::max(0.0, 1 - dy * dy)));
        const int left = w / 2 - half, count = 2 * half;
        if (count == 0) {
            Put16(sprite.data, 0xFFFF);
            continue;
        }
        if (kind == 1) {
            run(left, count);
            continue;
        }
        const int gap = count / 4;
        run(left, (count - gap) / 2);
        run(gap, count - gap - (count - gap) / 2);
        Put16(sprite.data, 0xFFFF);
    }
    Put16(sprite.data, 0xFFFE);
    return sprite;
}

void MakeBenchFile(BenchFile& file, int index) {
    std::mt19937 random(20240611);
    SpriteDocument document;
    for (int i = 0; i < kSprites; ++i) {
        document.sprites.push_back(MakeSprite(random, file));
        file.spriteDataBytes += document.sprites.back().data.size();
    }
    for (int b = 0; b < 50; ++b) {
        ParsedBundle bundle;
        for (int f = 0; f < 10; ++f) {
            bundle.spriteIndices.push_back(uint32_t(random() % kSprites));
            bundle.frames.push_back(FrameRecord{0, 0, 256, 0, -1, 0, 0, 0, 0});
        }
        document.bundles.push_back(bundle);
    }
    const std::vector<uint8_t> bytes = WriteSpriteDocument(document, 3, 3);
    file.fileBytes = bytes.size();
    file.path =
        (std::filesystem::temp_directory_path() /
         ("tidemarch-load-bench-" + std::to_string(::getpid()) + "-" + std::to_string(index) + ".spr"))
            .string();
    FILE* out = std::fopen(file.path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

// Open, read the whole file into memory, close: through the same file calls as the loader.
void BM_ReadFile(benchmark::State& state) {
    const BenchFile& bench = gFiles[state.range(0)];
    std::vector<uint8_t> memory(bench.fileBytes);
    for (auto _ : state) {
        FileHandle file = ActiveFilePlatform().OpenForReading(bench.path.c_str());
        uint32_t got = 0;
        if (!ActiveFilePlatform().Read(file, memory.data(), uint32_t(memory.size()), &got) ||
            got != memory.size())
            state.SkipWithError("read failed");
        ActiveFilePlatform().Close(file);
        benchmark::DoNotOptimize(memory.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bench.spriteDataBytes));
}

struct Layout {
    int32_t bytesPerPixel;
    uint32_t redMask;
    const char* name;
};
constexpr Layout kLayouts[] = {
    {2, 0xF800, "5:6:5"}, {2, 0x7C00, "5:5:5"}, {3, 0xFF0000, "24-bit"}, {4, 0xFF0000, "32-bit"}};

void BM_Load(benchmark::State& state) {
    const BenchFile& bench = gFiles[state.range(0)];
    const Layout& layout = kLayouts[state.range(1)];
    MemoryDisplayScope display(layout.bytesPerPixel, layout.redMask);
    for (auto _ : state) {
        SpriteLoadFailure failure;
        auto file = std::make_unique<SpriteFile>();
        if (!file->Load(bench.path.c_str(), 0, failure)) state.SkipWithError(failure.text());
        benchmark::DoNotOptimize(file->sprites);
        // Releasing the sprites is not part of loading them.
        state.PauseTiming();
        file.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bench.spriteDataBytes));
}

BENCHMARK(BM_ReadFile)
    ->ArgName("file")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Load)
    ->ArgNames({"file", "layout"})
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    PosixFilePlatform files;
    PlatformSlot<FilePlatform>::Scope installedFiles(files);
    for (int i = 0; i < 2; ++i) {
        MakeBenchFile(gFiles[i], i);
        std::printf("file %d (%s): %d sprites, %.1f MB of sprite data, %.1f MB in all\n", i, gFiles[i].name,
                    kSprites, gFiles[i].spriteDataBytes / 1e6, gFiles[i].fileBytes / 1e6);
    }
    benchmark::Initialize(&argc, argv);
    MedianRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const BenchFile& bench : gFiles)
        std::remove(bench.path.c_str());
    for (int f = 0; f < 2; ++f) {
        const auto read = reporter.Of("BM_ReadFile/file:" + std::to_string(f));
        if (read.real <= 0) continue;
        for (int l = 0; l < 4; ++l) {
            const auto load =
                reporter.Of("BM_Load/file:" + std::to_string(f) + "/layout:" + std::to_string(l));
            std::printf("%-17s %-6s load %7.1f MB/s, read %7.1f MB/s: load/read %.2f (processor time %.2f)\n",
                        gFiles[f].name, kLayouts[l].name, load.real / 1e6, read.real / 1e6,
                        load.real / read.real, load.processor / read.processor);
        }
    }
    const auto read = reporter.Of("BM_ReadFile/file:0");
    const auto product = reporter.Of("BM_Load/file:0/layout:0");
    if (read.processor > 0)
        std::printf("target load-vs-read %.2f 0.33\n", product.processor / read.processor);
    return 0;
}

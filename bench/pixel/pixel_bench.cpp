// Pixel pipeline benchmark. Every workload draws the same rectangles into the same memory: the
// whole 1024 x 768 screen once, or 2048 random 32 x 32 or 8 x 8 rectangles. Figures are
// destination pixels per second of processor time (Mpix/s), the median of interleaved
// repetitions; processor time keeps the figures steady on a machine busy with other work.
// Before timing, every fast path is checked byte for byte against the reference, and every peer
// within a small tolerance against this code, so that the compared work is the same.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_scene.h"
#include "display/pixel/sse2_lanes.h"
#include "display/pixel/surface_operations.h"
#include "peers.h"
#include "sprites/renderers/sprite_draw.h"

namespace {

using Work = std::function<void(DrawSize, const Placement&)>;

struct Workload {
    std::string name;
    Work work;
};

constexpr uint16_t kFillColour = 0xB616;  // green a multiple of 8, where the fill's green rule is exact

BenchScene* gScene;
Peers* gPeers;

Rect SourceRect(const Placement& p) { return Rect{p.sx, p.sy, p.sx + p.w, p.sy + p.h}; }
const Rect kWholeScreen{0, 0, kScreenWidth, kScreenHeight};

Work Blit565(int level, PixelPath path) {
    return [level, path](DrawSize, const Placement& p) {
        if (path == PixelPath::Fast)
            gScene->source565().BlitTo(&gScene->target565(), p.dx, p.dy, SourceRect(p), level, 0);
        else
            BlitToInLayout(gScene->source565(), PixelLayout::Rgb565, &gScene->target565(), p.dx, p.dy,
                           SourceRect(p), level, 0, path);
    };
}

Work Blit32(int level, PixelPath path) {
    return [level, path](DrawSize, const Placement& p) {
        if (path == PixelPath::Fast)
            gScene->source32().BlitTo(&gScene->target32(), p.dx, p.dy, SourceRect(p), level, 0);
        else
            BlitToInLayout(gScene->source32(), PixelLayout::Rgb32, &gScene->target32(), p.dx, p.dy,
                           SourceRect(p), level, 0, path);
    };
}

Work Sprite565(SpriteKind kind, int alpha, PixelPath path) {
    return [kind, alpha, path](DrawSize size, const Placement& p) {
        SpriteRenderer& s = kind == SpriteKind::Raw ? gScene->raw565(size) : gScene->rle2_565(size);
        if (path == PixelPath::Fast)
            s.Draw(&gScene->target565(), p.dx, p.dy, kWholeScreen, alpha, 0);
        else
            DrawSprite(s, SpriteClass{PixelLayout::Rgb565, kind}, &gScene->target565(), p.dx, p.dy,
                       kWholeScreen, SpriteBlend{alpha, 0, false, 0}, path);
    };
}

Work Fill565(int level, PixelPath path) {
    return [level, path](DrawSize, const Placement& p) {
        FillRectInLayout(gScene->target565(), PixelLayout::Rgb565, p.dx, p.dy, p.dx + p.w, p.dy + p.h,
                         kFillColour, level, 0, path);
    };
}

void Memcpy565(DrawSize, const Placement& p) {
    Surface& s = gScene->source565();
    Surface& t = gScene->target565();
    for (int row = 0; row < p.h; ++row)
        std::memcpy(t.Row(p.dy + row) + p.dx * 2, s.Row(p.sy + row) + p.sx * 2, size_t(p.w) * 2);
}

// The least a blend can do at a placement: read the source and destination rows, write the
// destination (here their 16-bit sums, sixteen bytes at a time), with every
// row of a small rectangle asked for at once as the blends do. What no blend, this code's, its
// reference's or a peer's, can go below on the same placements.
template <class Pixel> void ReadModifyWrite(Surface& s, Surface& t, const Placement& p) {
    constexpr int kPrefetchedRows = 32;
    if (p.h > 1 && p.h <= kPrefetchedRows)
        for (int row = 0; row < p.h; ++row) {
            __builtin_prefetch(s.Row(p.sy + row) + p.sx * sizeof(Pixel));
            __builtin_prefetch(t.Row(p.dy + row) + p.dx * sizeof(Pixel), 1);
        }
    const size_t bytes = size_t(p.w) * sizeof(Pixel);
    for (int row = 0; row < p.h; ++row) {
        uint8_t* d = t.Row(p.dy + row) + p.dx * sizeof(Pixel);
        const uint8_t* from = s.Row(p.sy + row) + p.sx * sizeof(Pixel);
        size_t i = 0;
        for (; i + 16 <= bytes; i += 16) {
            StoreVector(d + i, _mm_add_epi16(LoadVector(d + i), LoadVector(from + i)));
        }
        for (; i < bytes; i += sizeof(Pixel)) {
            Pixel a, b;
            std::memcpy(&a, d + i, sizeof a);
            std::memcpy(&b, from + i, sizeof b);
            a = Pixel(a + b);
            std::memcpy(d + i, &a, sizeof a);
        }
    }
}

void ReadModifyWrite565(DrawSize, const Placement& p) {
    ReadModifyWrite<uint16_t>(gScene->source565(), gScene->target565(), p);
}

// A sprite's pixels are one small block that stays in the cache from call to call: its floor
// reads the same source rectangle at every placement.
void ReadModifyWrite565FromCache(DrawSize, const Placement& p) {
    Placement cached = p;
    cached.sx = 0;
    cached.sy = 0;
    ReadModifyWrite<uint16_t>(gScene->source565(), gScene->target565(), cached);
}

void ReadModifyWrite32(DrawSize, const Placement& p) {
    ReadModifyWrite<uint32_t>(gScene->source32(), gScene->target32(), p);
}

std::vector<Workload> Workloads() {
    const PixelPath fast = PixelPath::Fast, ref = PixelPath::Reference;
    std::vector<Workload> w = {
        {"memcpy565", Memcpy565},
        {"read_modify_write565", ReadModifyWrite565},
        {"read_modify_write565_cached_source", ReadModifyWrite565FromCache},
        {"read_modify_write32", ReadModifyWrite32},
        {"blit565_copy", Blit565(256, fast)},
        {"sprite565_raw_copy", Sprite565(SpriteKind::Raw, 256, fast)},
    };
    for (int level : {128, 100}) {
        const std::string l = std::to_string(level);
        w.push_back({"blit565_" + l, Blit565(level, fast)});
        w.push_back({"blit565_" + l + "_reference", Blit565(level, ref)});
        w.push_back({"sprite565_raw_" + l, Sprite565(SpriteKind::Raw, level, fast)});
        w.push_back({"sprite565_raw_" + l + "_reference", Sprite565(SpriteKind::Raw, level, ref)});
        w.push_back({"pixman_over565_" + l,
                     [level](DrawSize, const Placement& p) { gPeers->PixmanOver565(p, level); }});
        w.push_back(
            {"sdl_alpha565_" + l, [level](DrawSize, const Placement& p) { gPeers->SdlAlpha565(p, level); }});
    }
    w.push_back({"fill565_128", Fill565(128, fast)});
    w.push_back({"fill565_128_reference", Fill565(128, ref)});
    w.push_back({"pixman_fill565_128",
                 [](DrawSize, const Placement& p) { gPeers->PixmanFill565(p, kFillColour, 128); }});
    w.push_back({"blit32_128", Blit32(128, fast)});
    w.push_back({"blit32_128_reference", Blit32(128, ref)});
    w.push_back({"pixman_over32_128", [](DrawSize, const Placement& p) { gPeers->PixmanOver32(p, 128); }});
    w.push_back({"sprite565_rle2_128", Sprite565(SpriteKind::Rle2, 128, fast)});
    w.push_back({"sprite565_rle2_128_reference", Sprite565(SpriteKind::Rle2, 128, ref)});
    w.push_back(
        {"sdl_rle565_128", [](DrawSize size, const Placement& p) { gPeers->SdlRle565(size, p, 128); }});
    return w;
}

const Workload& Find(const std::vector<Workload>& all, const std::string& name) {
    for (const Workload& w : all)
        if (w.name == name) return w;
    std::fprintf(stderr, "no workload %s\n", name.c_str());
    std::exit(1);
}

// ---- Checks that the compared work is the same. ----

std::vector<uint8_t> RunOnce(const Workload& w, DrawSize size, Surface& target) {
    gScene->ResetTargets();
    for (const Placement& p : gScene->placements(size))
        w.work(size, p);
    return std::vector<uint8_t>(target.pixels, target.pixels + size_t(target.pitch) * target.height);
}

int MaxChannelDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, bool is565) {
    int worst = 0;
    if (is565) {
        for (size_t i = 0; i + 1 < a.size(); i += 2) {
            const int pa = a[i] | a[i + 1] << 8, pb = b[i] | b[i + 1] << 8;
            worst =
                std::max({worst, std::abs((pa >> 11) - (pb >> 11)),
                          std::abs(((pa >> 5) & 63) - ((pb >> 5) & 63)), std::abs((pa & 31) - (pb & 31))});
        }
    } else {
        for (size_t i = 0; i < a.size(); ++i)
            if (i % 4 != 3) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    }
    return worst;
}

bool CheckSameWork(const std::vector<Workload>& all) {
    bool ok = true;
    struct Exact {
        const char *fast, *reference;
        bool is565;
    } exact[] = {{"blit565_128", "blit565_128_reference", true},
                 {"blit565_100", "blit565_100_reference", true},
                 {"sprite565_raw_128", "sprite565_raw_128_reference", true},
                 {"sprite565_raw_100", "sprite565_raw_100_reference", true},
                 {"fill565_128", "fill565_128_reference", true},
                 {"blit32_128", "blit32_128_reference", false},
                 {"sprite565_rle2_128", "sprite565_rle2_128_reference", true},
                 {"blit565_copy", "memcpy565", true},
                 {"sprite565_raw_copy", "blit565_copy", true}};
    struct Near {
        const char *ours, *peer;
        bool is565;
        int tolerance;
    } near[] = {
        {"blit565_128", "pixman_over565_128", true, 2},   {"blit565_128", "sdl_alpha565_128", true, 2},
        {"blit565_100", "pixman_over565_100", true, 3},   {"blit565_100", "sdl_alpha565_100", true, 3},
        {"fill565_128", "pixman_fill565_128", true, 2},   {"blit32_128", "pixman_over32_128", false, 2},
        {"sprite565_rle2_128", "sdl_rle565_128", true, 2}};
    for (DrawSize size : kSizes) {
        for (const Exact& e : exact) {
            Surface& t = e.is565 ? gScene->target565() : gScene->target32();
            // Sprites draw their own top-left pixels: compare them only on the whole screen.
            if (size != DrawSize::Full && std::string(e.fast) == "sprite565_raw_copy") continue;
            const bool same = RunOnce(Find(all, e.fast), size, t) == RunOnce(Find(all, e.reference), size, t);
            std::printf("check %-22s = %-28s %-8s %s\n", e.fast, e.reference, SizeName(size),
                        same ? "same bytes" : "DIFFERENT");
            ok = ok && same;
        }
        if (size != DrawSize::Full) continue;  // the peers' clipping of random rectangles is their own
        for (const Near& n : near) {
            Surface& t = n.is565 ? gScene->target565() : gScene->target32();
            const int d = MaxChannelDifference(RunOnce(Find(all, n.ours), size, t),
                                               RunOnce(Find(all, n.peer), size, t), n.is565);
            std::printf("check %-22s ~ %-28s %-8s max channel difference %d (tolerance %d)\n", n.ours, n.peer,
                        SizeName(size), d, n.tolerance);
            ok = ok && d <= n.tolerance;
        }
    }
    gScene->ResetTargets();
    return ok;
}

// ---- Collecting the medians. ----

class MedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median") continue;
            auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) medians[r.run_name.function_name] = it->second.value / 1e6;
        }
    }
    std::map<std::string, double> medians;  // Mpix/s by "workload/size"
};

double Mpix(const MedianReporter& r, const std::string& work, DrawSize size) {
    auto it = r.medians.find(work + "/" + SizeName(size));
    return it == r.medians.end() ? 0.0 : it->second;
}

void PrintTable(const MedianReporter& r, const std::vector<Workload>& all) {
    std::printf("\n%-36s %12s %12s %12s   (Mpix/s, median)\n", "workload", "1024x768", "32x32", "8x8");
    for (const Workload& w : all) {
        std::printf("%-36s", w.name.c_str());
        for (DrawSize size : kSizes)
            std::printf(" %12.0f", Mpix(r, w.name, size));
        std::printf("\n");
    }
}

void PrintTargets(const MedianReporter& r) {
    struct Target {
        std::string name, ours;
        std::vector<std::string> peers;  // the faster one counts
        double goal;
    };
    std::vector<Target> targets = {
        {"copy_blit_vs_memcpy", "blit565_copy", {"memcpy565"}, 0.9},
        {"copy_sprite_raw_vs_memcpy", "sprite565_raw_copy", {"memcpy565"}, 0.9},
        {"blit565_128_vs_best_peer", "blit565_128", {"pixman_over565_128", "sdl_alpha565_128"}, 1.5},
        {"blit565_100_vs_best_peer", "blit565_100", {"pixman_over565_100", "sdl_alpha565_100"}, 1.5},
        {"sprite565_raw_128_vs_best_peer",
         "sprite565_raw_128",
         {"pixman_over565_128", "sdl_alpha565_128"},
         1.5},
        {"sprite565_raw_100_vs_best_peer",
         "sprite565_raw_100",
         {"pixman_over565_100", "sdl_alpha565_100"},
         1.5},
        {"fill565_128_vs_pixman", "fill565_128", {"pixman_fill565_128"}, 2.0},
        {"blit32_128_vs_pixman", "blit32_128", {"pixman_over32_128"}, 1.2},
        {"rle2_565_128_vs_sdl_rle", "sprite565_rle2_128", {"sdl_rle565_128"}, 1.5},
    };
    for (const char* fast : {"blit565_128", "blit565_100", "sprite565_raw_128", "sprite565_raw_100",
                             "fill565_128", "blit32_128", "sprite565_rle2_128"})
        targets.push_back(
            {std::string(fast) + "_vs_reference", fast, {std::string(fast) + "_reference"}, 4.0});
    std::printf("\n");
    for (DrawSize size : kSizes)
        for (const Target& t : targets) {
            double peer = 0;
            for (const std::string& p : t.peers)
                peer = std::max(peer, Mpix(r, p, size));
            const double ratio = peer > 0 ? Mpix(r, t.ours, size) / peer : 0;
            std::printf("target %s@%s %.2f %.2f\n", t.name.c_str(), SizeName(size), ratio, t.goal);
        }
    // How far any blend can get ahead of the reference on the same placements: the
    // read-modify-write floor of its layout against the reference.
    std::printf("\n");
    const std::pair<const char*, const char*> ceilings[] = {
        {"read_modify_write565", "blit565_128_reference"},
        {"read_modify_write565", "fill565_128_reference"},
        {"read_modify_write565_cached_source", "sprite565_raw_128_reference"},
        {"read_modify_write565_cached_source", "sprite565_rle2_128_reference"},
        {"read_modify_write32", "blit32_128_reference"}};
    for (DrawSize size : kSizes)
        for (const auto& [floor, reference] : ceilings) {
            const double ref = Mpix(r, reference, size);
            std::printf("ceiling %s/%s@%s %.2f\n", floor, reference, SizeName(size),
                        ref > 0 ? Mpix(r, floor, size) / ref : 0);
        }
}

}  // namespace

int main(int argc, char** argv) {
    BenchScene scene;
    Peers peers(scene);
    gScene = &scene;
    gPeers = &peers;
    const std::vector<Workload> all = Workloads();
    if (!CheckSameWork(all)) {
        std::fprintf(stderr, "the compared workloads do not do the same work\n");
        return 1;
    }

    // Interleaved repetitions and medians unless the command line says otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=7",
                interleave = "--benchmark_enable_random_interleaving=true",
                aggregates = "--benchmark_display_aggregates_only=true",
                minTime = "--benchmark_min_time=0.05";
    for (std::string* flag : {&reps, &interleave, &aggregates, &minTime}) {
        const std::string key = flag->substr(0, flag->find('='));
        const bool given = std::any_of(args.begin() + 1, args.end(), [&](const char* a) {
            return std::strncmp(a, key.c_str(), key.size()) == 0;
        });
        if (!given) args.push_back(flag->data());
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());

    for (DrawSize size : kSizes)
        for (const Workload& w : all) {
            const std::string name = w.name + "/" + SizeName(size);
            benchmark::RegisterBenchmark(name.c_str(), [&w, size](benchmark::State& state) {
                const std::vector<Placement>& list = gScene->placements(size);
                for (auto _ : state)
                    for (const Placement& p : list)
                        w.work(size, p);
                state.SetItemsProcessed(state.iterations() * gScene->PixelsPerPass(size));
            })->Unit(benchmark::kMicrosecond);
        }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable(reporter, all);
    PrintTargets(reporter);
    return 0;
}

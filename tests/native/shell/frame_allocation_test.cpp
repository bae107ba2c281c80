// The host's steady-state frames allocate nothing that they do not free: the demonstration
// scene runs through the frame loop with the timing log on, under an operator new and delete
// that count the live blocks of this test program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "display/display.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/controls/memory_pointer_platform.h"
#include "platform/memory/controls/memory_text_platform.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "platform/memory/shell/memory_application_platform.h"
#include "platform/memory/shell/memory_frame_log_platform.h"
#include "platform/memory/shell/memory_loop_platform.h"
#include "shell/demo_scene.h"
#include "shell/frame_loop.h"

namespace {
std::atomic<long> liveBlocks{0};
std::atomic<long> allocations{0};

void* CountedAllocateOrNull(std::size_t bytes) noexcept {
    void* block = std::malloc(bytes ? bytes : 1);
    if (block) {
        ++liveBlocks;
        ++allocations;
    }
    return block;
}
void* CountedAllocate(std::size_t bytes) {
    if (void* block = CountedAllocateOrNull(bytes)) return block;
    throw std::bad_alloc();
}
void CountedRelease(void* block) {
    if (!block) return;
    --liveBlocks;
    std::free(block);
}
}  // namespace

void* operator new(std::size_t bytes) { return CountedAllocate(bytes); }
void* operator new[](std::size_t bytes) { return CountedAllocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return CountedAllocateOrNull(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return CountedAllocateOrNull(bytes);
}
void operator delete(void* block) noexcept { CountedRelease(block); }
void operator delete[](void* block) noexcept { CountedRelease(block); }
void operator delete(void* block, std::size_t) noexcept { CountedRelease(block); }
void operator delete[](void* block, std::size_t) noexcept { CountedRelease(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { CountedRelease(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { CountedRelease(block); }

namespace {
constexpr int kOneSecondOfFrames = 25;

constexpr int kMeasuredFrames = 1200 - kOneSecondOfFrames;
constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;

TEST(FrameAllocationTest, SteadyStateFramesOfTheDemonstrationSceneLeaveNoBlockBehind) {
    MemoryDisplayScope display(2, 0xF800, kWidth, kHeight);
    MemoryTextPlatform text;
    TextPlatformSlot::Scope installedText(text);
    MemoryPointerPlatform pointer;
    PointerPlatformSlot::Scope installedPointer(pointer);
    MemoryApplicationPlatform window;
    PlatformSlot<ApplicationPlatform>::Scope installedWindow(window);
    MemoryFrameLogPlatform logFiles;
    logFiles.environment[FrameTimingLog::kSwitch] = "frames.log";
    logFiles.reservedBytes = 1 << 20;  // the file's room, which a disk would give
    FrameTimingLog log(logFiles);
    ASSERT_TRUE(log.Start());

    Surface* screen = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
    RootControl root(nullptr, 0, 0, kWidth, kHeight, 64);
    root.ownSurface = screen;
    MouseCursor cursor;
    Display shown(kWidth, kHeight);
    {
        HostGlobalsScope freshGlobals;
        DemoScene scene(kWidth, kHeight, &cursor);
        scene.Open();
        host::RootControl = &root;
        host::Display = &shown;
        host::BackgroundClear = 1;
        host::DrawRoot = host::UpdateRoot = host::InputRoot = &scene;
        host::MouseCursor = &cursor;
        pointer.screenPosition = Point{100, 120};

        MemoryLoopPlatform platform;
        // Its journal notes every present: room for all of them now, so that the frames allocate
        // nothing for it.
        platform.journal.reserve(2 * (kOneSecondOfFrames + kMeasuredFrames));
        // Steady state starts after the first second, as in the check of the real host's frame
        // log: whatever a picture needs for drawing is made when the picture is made, not on its
        // first drawing, so the later first drawings of the counter's digits take nothing. The
        // measured frames run through more than one whole cycle of the scene (the label's slide
        // out and back, every digit shown).
        int presents = 0;
        long blocksAfterWarmUp = 0;
        long allocationsAfterWarmUp = 0;
        platform.stop = [&] {
            const int shown = int(host::Display->presentCount);
            if (shown != presents && shown == kOneSecondOfFrames) {
                blocksAfterWarmUp = liveBlocks.load();
                allocationsAfterWarmUp = allocations.load();
            }
            presents = shown;
            return presents >= kOneSecondOfFrames + kMeasuredFrames;
        };
        RunFrameLoop(platform, &log);
        long blocksAfterRun = liveBlocks.load();
        long allocationsAfterRun = allocations.load();

        EXPECT_EQ(presents, 1200);
        EXPECT_EQ(blocksAfterRun, blocksAfterWarmUp) << "blocks the steady-state frames did not free";
        // Blocks made and freed within a frame are allowed; note how many there are.
        RecordProperty(
            "allocations_per_frame",
            std::to_string(double(allocationsAfterRun - allocationsAfterWarmUp) / kMeasuredFrames));
        EXPECT_GT(text.textRuns, 0) << "the frames drew the scene's text";
    }
    root.ownSurface = nullptr;
    DestroySurface(screen);
    EXPECT_GT(logFiles.files["frames.log"].size(), 1200u * 20) << "the log recorded the frames";
}

// The count itself: a block kept past the measured frames shows.
TEST(FrameAllocationTest, TheCountSeesABlockThatIsNotFreed) {
    long before = liveBlocks.load();
    int* kept = new int(7);
    EXPECT_EQ(liveBlocks.load(), before + 1);
    delete kept;
    EXPECT_EQ(liveBlocks.load(), before);
}

}  // namespace

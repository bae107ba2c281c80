// Streamed sound on a real DirectSound, fed from files on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "sound/sound_device.h"
#include "sound/sound_object.h"
#include "sound_wine_support.h"

namespace {

using StreamPtr = std::unique_ptr<SoundStream, void (*)(SoundStream*)>;

class StreamWine : public ::testing::Test {
  protected:
    void TearDown() override { TestPlatform().FailReadsAfter(-1); }

    // A stream over samples in a new file, made as the sprite loader makes it.
    StreamPtr MakeStream(const std::vector<uint8_t>& samples, uint32_t blocks = kStreamBlockCount,
                         uint32_t blockBytes = kStreamBlockSize, uint32_t rate = 44100) {
        file = std::make_unique<SampleFile>(samples);
        const WaveFormat format = Pcm(2, 16, rate);
        auto* stream = new SoundStream();
        stream->fileHandle = file->handle();
        stream->dataStart = file->dataStart();
        stream->dataEnd = file->dataStart() + uint32_t(samples.size());
        EXPECT_EQ(stream->CreateStream(&format, blocks, blockBytes, sound_flags::StreamExtra), 1);
        return {stream, [](SoundStream* s) { DestroySoundObject(s); }};
    }

    // The ring's bytes as they are now.
    std::vector<uint8_t> Ring(SoundStream& stream) {
        void* samples = nullptr;
        uint32_t bytes = 0;
        EXPECT_EQ(stream.Lock(&samples, &bytes), 1);
        std::vector<uint8_t> copy(static_cast<uint8_t*>(samples), static_cast<uint8_t*>(samples) + bytes);
        stream.Unlock(samples, bytes);
        return copy;
    }

    bool ThreadEnded(SoundStream& stream, DWORD limitMs = 20000) {
        return stream.threadHandle && WaitForSingleObject(stream.threadHandle, limitMs) == WAIT_OBJECT_0;
    }

    std::unique_ptr<SampleFile> file;
};

TEST_F(StreamWine, AFiveMegabyteSoundPlaysThroughAndStopsByItself) {
    const auto samples = Pattern(5 * 1024 * 1024, 3);
    auto stream = MakeStream(samples);
    const uint32_t refillsBefore = TestPlatform().Refills();
    const DWORD start = GetTickCount();
    ASSERT_EQ(stream->Play(0), 1);
    EXPECT_NE(stream->threadHandle, nullptr);
    EXPECT_NE(stream->threadId, 0u);
    ASSERT_TRUE(WaitFor([&] { return stream->IsPlaying() == 0; }, 180000)) << "still playing";
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(stream->endReached, 1);
    EXPECT_EQ(stream->readPosition, stream->dataEnd);
    EXPECT_TRUE(ThreadEnded(*stream, 5000));
    // Every block of the sound was played before it stopped: one refill per block end, the
    // sound's blocks beyond the first ring plus one ring of blocks still to be heard.
    const uint32_t blocksOfSound = (uint32_t(samples.size()) + kStreamBlockSize - 1) / kStreamBlockSize;
    EXPECT_EQ(TestPlatform().Refills() - refillsBefore, blocksOfSound);
    std::printf("5 MiB stream: %u blocks, stopped by itself after %lu ms\n", blocksOfSound, elapsed);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->threadHandle, nullptr);
}

TEST_F(StreamWine, LoopingDataShorterThanABlockRepeatsWithoutEnding) {
    const auto samples = Pattern(1000, 5);
    auto stream = MakeStream(samples, 4, 4096);
    const uint32_t before = TestPlatform().Refills();
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    ASSERT_TRUE(WaitFor([&] { return TestPlatform().Refills() - before >= 12; }));
    EXPECT_EQ(stream->IsPlaying(), 1);
    EXPECT_EQ(stream->endReached, 0);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->readPosition - stream->dataStart <= samples.size(), true);
    // Every block is the sound repeated, carrying on where the block before left off.
    const auto ring = Ring(*stream);
    const size_t length = samples.size();
    for (uint32_t block = 0; block < 4; ++block) {
        const uint8_t* b = ring.data() + block * 4096;
        bool matches = false;
        for (size_t start = 0; start < length && !matches; ++start) {
            matches = true;
            for (uint32_t i = 0; i < 4096 && matches; ++i)
                matches = b[i] == samples[(start + i) % length];
        }
        EXPECT_TRUE(matches) << "block " << block << " is not the sound repeated";
    }
}

TEST_F(StreamWine, NonLoopingDataShorterThanTheRingIsPrefilledAndEnds) {
    const auto samples = Pattern(100000, 9);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    const auto ring = Ring(*stream);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), ring.begin()));
    EXPECT_TRUE(std::all_of(ring.begin() + samples.size(), ring.end(), [](uint8_t b) { return b == 0; }));
    ASSERT_TRUE(WaitFor([&] { return stream->IsPlaying() == 0; }));
    EXPECT_EQ(stream->endReached, 1);
    EXPECT_TRUE(ThreadEnded(*stream, 5000));
}

TEST_F(StreamWine, PlayWhilePlayingReplacesTheThreadAndStartsOver) {
    auto stream = MakeStream(Pattern(2 * 1024 * 1024, 11));
    ASSERT_EQ(stream->Play(0), 1);
    const uint32_t before = TestPlatform().Refills();
    ASSERT_TRUE(WaitFor([&] { return TestPlatform().Refills() - before >= 3; }));
    HANDLE oldThread = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), stream->threadHandle, GetCurrentProcess(), &oldThread,
                                SYNCHRONIZE, FALSE, 0));
    const uint32_t oldId = stream->threadId;
    ASSERT_EQ(stream->Play(0), 1);
    EXPECT_EQ(WaitForSingleObject(oldThread, 0), WAIT_OBJECT_0) << "the old thread has ended";
    CloseHandle(oldThread);
    EXPECT_NE(stream->threadId, oldId);
    EXPECT_EQ(stream->readPosition, stream->dataStart + stream->size);
    EXPECT_EQ(stream->IsPlaying(), 1);
    EXPECT_EQ(stream->Stop(), 1);
}

TEST_F(StreamWine, AReadErrorDuringRefillEndsTheThreadCleanly) {
    auto stream = MakeStream(Pattern(2 * 1024 * 1024, 13));
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    TestPlatform().FailReadsAfter(0);
    EXPECT_TRUE(ThreadEnded(*stream));
    EXPECT_EQ(stream->IsPlaying(), 0);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->threadHandle, nullptr);
    TestPlatform().FailReadsAfter(-1);
    EXPECT_EQ(stream->Play(0), 1);
    EXPECT_EQ(stream->Stop(), 1);
}

TEST_F(StreamWine, AQuitMessagePostedToTheThreadEndsIt) {
    auto stream = MakeStream(Pattern(2 * 1024 * 1024, 19));
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    const uint32_t before = TestPlatform().Refills();
    // Once it has refilled a block the thread is in its wait, with its message queue.
    ASSERT_TRUE(WaitFor([&] { return TestPlatform().Refills() != before; }));
    ASSERT_TRUE(PostThreadMessageA(stream->threadId, WM_USER, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(stream->threadId, WM_QUIT, 0, 0));
    EXPECT_TRUE(ThreadEnded(*stream));
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->threadHandle, nullptr);
}

TEST_F(StreamWine, StopWithoutAThreadAndAnInvalidFile) {
    auto stream = MakeStream(Pattern(400000));
    EXPECT_EQ(stream->Stop(), 1);
    stream->fileHandle = InvalidFileHandle();
    EXPECT_EQ(stream->Play(0), 0);
    EXPECT_EQ(stream->threadHandle, nullptr);
}

TEST_F(StreamWine, ManyCyclesLeaveNoThreadOrHandleBehind) {
    const auto samples = Pattern(600000, 17);
    auto cycle = [&](int i) {
        auto stream = MakeStream(samples);
        ASSERT_EQ(stream->Play(i % 2), 1);
        const uint32_t before = TestPlatform().Refills();
        ASSERT_TRUE(WaitFor([&] { return TestPlatform().Refills() != before; }));
        if (i % 3 == 0) {
            EXPECT_EQ(stream->Stop(), 1);
        } else if (i % 3 == 1) {
            ASSERT_EQ(stream->Play(0), 1);
        }  // else destroyed while playing
    };
    // The first cycles warm up what the platform keeps for the process.
    for (int i = 0; i < 3; ++i)
        cycle(i);
    const DWORD handles = HandlesOfThisProcess();
    const uint32_t threads = ThreadsOfThisProcess();
    for (int i = 0; i < 60; ++i)
        cycle(i);
    file.reset();
    std::printf("after 60 cycles: %lu handles (before %lu), %u threads (before %u)\n", HandlesOfThisProcess(),
                handles, ThreadsOfThisProcess(), threads);
    EXPECT_EQ(HandlesOfThisProcess(), handles - 1);  // the warm-up's file is closed now
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
}

}  // namespace

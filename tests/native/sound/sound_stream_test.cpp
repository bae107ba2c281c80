// Streamed sound: the ring, the prefill, the refill thread and what the listener hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/memory/sound/memory_sound_platform.h"
#include "sound/sound_device.h"
#include "sound/sound_object.h"
#include "sound_test_support.h"

namespace {

constexpr uint32_t kBlocks = 4;
constexpr uint32_t kBlockBytes = 64;
constexpr uint32_t kRing = kBlocks * kBlockBytes;

class SoundStreamTest : public ::testing::Test {
  protected:
    MemorySoundPlatform& platform() { return scope.platform(); }

    // Makes a stream over samples as the sprite loader does: file handle, data start and end,
    // then the ring.
    std::unique_ptr<SoundStream, void (*)(SoundStream*)> MakeStream(const std::vector<uint8_t>& samples,
                                                                    uint16_t bits = 16,
                                                                    uint32_t blocks = kBlocks,
                                                                    uint32_t blockBytes = kBlockBytes) {
        file = std::make_unique<SampleFile>(samples);
        const WaveFormat format = Pcm(2, bits);
        auto* stream = new SoundStream();
        stream->fileHandle = file->handle();
        stream->dataStart = file->dataStart();
        stream->dataEnd = file->dataStart() + uint32_t(samples.size());
        EXPECT_EQ(stream->CreateStream(&format, blocks, blockBytes, sound_flags::StreamExtra), 1);
        return {stream, [](SoundStream* s) { DestroySoundObject(s); }};
    }

    std::vector<uint8_t> Ring(const SoundStream& stream) {
        const uint8_t* samples = platform().Samples(stream.soundBuffer);
        return {samples, samples + stream.size};
    }

    // Plays one block by hand, as the mixer would: takes what the block holds, moves the play
    // cursor over its end and waits until the refill thread has handled that block end.
    std::vector<uint8_t> HearOneBlock(SoundStream& stream) {
        const uint32_t cursor = platform().Inspect(stream.soundBuffer).playCursor;
        const uint8_t* samples = platform().Samples(stream.soundBuffer);
        std::vector<uint8_t> heard(samples + cursor, samples + cursor + stream.blockSize);
        const uint32_t expectedOffset = (stream.writeOffset + stream.blockSize) % stream.size;
        platform().AdvancePlayCursor(stream.soundBuffer, stream.blockSize);
        EXPECT_TRUE(WaitFor([&] {
            return stream.writeOffset == expectedOffset || platform().ThreadHasEnded(stream.threadHandle);
        }));
        return heard;
    }

    // Everything the stream plays until it stops by itself, at most limit blocks.
    std::vector<uint8_t> HearUntilStopped(SoundStream& stream, uint32_t limit) {
        std::vector<uint8_t> heard;
        for (uint32_t i = 0; i < limit && stream.IsPlaying(); ++i) {
            const auto block = HearOneBlock(stream);
            heard.insert(heard.end(), block.begin(), block.end());
        }
        return heard;
    }

    MemorySoundScope scope;
    std::unique_ptr<SampleFile> file;
};

TEST_F(SoundStreamTest, CreateStreamMakesARingWithANotificationAtEachBlockEnd) {
    auto stream = MakeStream(Pattern(1000));
    EXPECT_EQ(stream->size, kRing);
    EXPECT_EQ(stream->blockCount, kBlocks);
    EXPECT_EQ(stream->blockSize, kBlockBytes);
    EXPECT_EQ(stream->data, platform().Samples(stream->soundBuffer));
    const auto state = platform().Inspect(stream->soundBuffer);
    EXPECT_EQ(state.flags, sound_flags::DefaultStream | sound_flags::StreamExtra);
    ASSERT_EQ(state.notifications.size(), kBlocks);
    for (uint32_t i = 0; i < kBlocks; ++i) {
        EXPECT_EQ(state.notifications[i].offset, (i + 1) * kBlockBytes - 1);
        EXPECT_EQ(state.notifications[i].event, stream->blockEvent);
    }
}

TEST_F(SoundStreamTest, LoaderStreamsOfMonoSamplesGetVolumeAndPanWithoutThe3DSwitch) {
    const WaveFormat mono = Pcm(1, 16);
    SoundStream stream;
    ASSERT_EQ(stream.CreateStream(&mono, kStreamBlockCount, kStreamBlockSize, sound_flags::StreamExtra), 1);
    EXPECT_EQ(stream.size, 327680u);
    EXPECT_EQ(stream.buffer3D, nullptr);
    EXPECT_EQ(platform().Inspect(stream.soundBuffer).flags, 0x181C0u);

    sound::Effects3D = 1;
    SoundStream stream3D;
    EXPECT_EQ(stream3D.CreateStream(&mono, 4, 256, sound_flags::StreamExtra), 1);
    sound::Effects3D = 0;
    EXPECT_NE(stream3D.buffer3D, nullptr);
    EXPECT_EQ(platform().Inspect(stream3D.soundBuffer).flags,
              sound_flags::Default3D | sound_flags::ControlVolume);
}

TEST_F(SoundStreamTest, ARingWithoutNotificationsIsNotKept) {
    const WaveFormat format = Pcm(2, 16);
    const size_t live = platform().LiveInterfaces();
    platform().FailNotifications(true);
    SoundStream stream;
    EXPECT_EQ(stream.CreateStream(&format, 4, 256, 0), 0);
    EXPECT_EQ(stream.soundBuffer, nullptr);
    EXPECT_EQ(platform().LiveInterfaces(), live);
    EXPECT_EQ(stream.CreateStream(&format, 0, 256, 0), 0);
    EXPECT_EQ(stream.CreateStream(&format, 0x10000, 0x10000, 0), 0);
}

TEST_F(SoundStreamTest, PlayNeedsAFileAndABuffer) {
    auto stream = MakeStream(Pattern(1000));
    stream->fileHandle = InvalidFileHandle();
    EXPECT_EQ(stream->Play(0), 0);
    EXPECT_EQ(stream->threadHandle, nullptr);
    EXPECT_EQ(stream->IsPlaying(), 0);

    SoundStream unmade;
    unmade.fileHandle = file->handle();
    EXPECT_EQ(unmade.Play(0), 0);
}

TEST_F(SoundStreamTest, ShortDataIsPrefilledWholeThenSilenceAndStopsAfterItHasPlayed) {
    const auto samples = Pattern(150);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    EXPECT_NE(stream->threadHandle, nullptr);
    EXPECT_EQ(stream->readPosition, stream->dataEnd);
    auto expected = samples;
    expected.resize(kRing, 0);
    EXPECT_EQ(Ring(*stream), expected);

    // 150 bytes lie in the first three blocks: heard whole, then the sound stops.
    const auto heard = HearUntilStopped(*stream, 20);
    expected.resize(3 * kBlockBytes);
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(stream->endReached, 1);
    EXPECT_EQ(stream->IsPlaying(), 0);
    EXPECT_TRUE(WaitFor([&] { return platform().ThreadHasEnded(stream->threadHandle); }));
}

TEST_F(SoundStreamTest, LongDataIsHeardExactlyOnceAndStopsAfterTheLastBlockHasPlayed) {
    const auto samples = Pattern(kRing * 3 + 100);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    const auto heard = HearUntilStopped(*stream, 100);
    const uint32_t blocksWithData = (uint32_t(samples.size()) + kBlockBytes - 1) / kBlockBytes;
    ASSERT_EQ(heard.size(), blocksWithData * kBlockBytes);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), heard.begin()));
    EXPECT_TRUE(std::all_of(heard.begin() + samples.size(), heard.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(stream->readPosition, stream->dataEnd);
}

// On a busy machine two block ends may pass before the refill thread wakes once. It refills
// both, and stays in step with the play cursor: the sound is heard exactly once and ends on time.
TEST_F(SoundStreamTest, LateNotificationsRefillEveryBlockThePlayCursorHasLeft) {
    const auto samples = Pattern(kRing * 3 + 100);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    const uint8_t* ring = platform().Samples(stream->soundBuffer);
    const std::vector<uint8_t> firstTwoBlocks(ring, ring + 2 * kBlockBytes);

    platform().HoldNotifications();
    platform().AdvancePlayCursor(stream->soundBuffer, 2 * kBlockBytes);
    platform().ReleaseNotifications();
    ASSERT_TRUE(WaitFor([&] { return stream->writeOffset == 2 * kBlockBytes; }));
    // Both blocks hold the sound that follows the ring's first lap.
    EXPECT_TRUE(std::equal(ring, ring + 2 * kBlockBytes, samples.begin() + kRing));

    std::vector<uint8_t> heard = firstTwoBlocks;
    const auto rest = HearUntilStopped(*stream, 100);
    heard.insert(heard.end(), rest.begin(), rest.end());
    const uint32_t blocksWithData = (uint32_t(samples.size()) + kBlockBytes - 1) / kBlockBytes;
    ASSERT_EQ(heard.size(), blocksWithData * kBlockBytes);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), heard.begin()));
    EXPECT_EQ(stream->IsPlaying(), 0);
}

// A wake-up whose block end was already handled by an earlier, late wake-up refills nothing: the
// block playing now is left alone and the sound goes on in order.
TEST_F(SoundStreamTest, AWakeUpWithoutANewBlockEndRefillsNothing) {
    const auto samples = Pattern(kRing * 3);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    auto heard = HearOneBlock(*stream);
    platform().SignalEvent(stream->blockEvent);
    // The thread takes this wake-up on its own, not together with the next block end.
    ASSERT_TRUE(WaitFor([&] { return !platform().EventIsSet(stream->blockEvent); }));
    const auto rest = HearUntilStopped(*stream, 100);
    heard.insert(heard.end(), rest.begin(), rest.end());
    EXPECT_EQ(heard, samples);
}

TEST_F(SoundStreamTest, ItStillPlaysWhileReadButUnheardBlocksRemain) {
    const auto samples = Pattern(kRing * 2);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    // The data runs out at the refill after the fourth block; four more blocks of it remain.
    for (uint32_t i = 0; i < 2 * kBlocks - 1; ++i) {
        HearOneBlock(*stream);
        EXPECT_EQ(stream->IsPlaying(), 1) << "after block " << i;
    }
    EXPECT_EQ(stream->endReached, 1);
    HearOneBlock(*stream);
    EXPECT_EQ(stream->IsPlaying(), 0);
}

TEST_F(SoundStreamTest, LoopingDataShorterThanABlockWrapsWithinOneRefill) {
    const auto samples = Pattern(24);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    EXPECT_EQ(stream->loop, 1);
    std::vector<uint8_t> heard;
    for (uint32_t i = 0; i < 3 * kBlocks; ++i) {
        const auto block = HearOneBlock(*stream);
        heard.insert(heard.end(), block.begin(), block.end());
    }
    for (size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], samples[i % samples.size()]) << "byte " << i;
    EXPECT_EQ(stream->endReached, 0);
    EXPECT_EQ(stream->IsPlaying(), 1);
    EXPECT_EQ(stream->Stop(), 1);
}

TEST_F(SoundStreamTest, LoopingLongDataStartsAgainAtTheDataStart) {
    const auto samples = Pattern(kRing + 40);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    std::vector<uint8_t> heard;
    for (uint32_t i = 0; i < 4 * kBlocks; ++i) {
        const auto block = HearOneBlock(*stream);
        heard.insert(heard.end(), block.begin(), block.end());
    }
    for (size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], samples[i % samples.size()]) << "byte " << i;
    EXPECT_EQ(stream->endReached, 0);
}

TEST_F(SoundStreamTest, EmptyDataIsSilenceAndNeverHangs) {
    auto stream = MakeStream({});
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    EXPECT_EQ(Ring(*stream), std::vector<uint8_t>(kRing, 0));
    HearOneBlock(*stream);
    EXPECT_EQ(stream->Stop(), 1);
    ASSERT_EQ(stream->Play(0), 1);
    HearOneBlock(*stream);
    EXPECT_EQ(stream->IsPlaying(), 0);
}

TEST_F(SoundStreamTest, SilenceOfEightBitSamplesIsTheMidValue) {
    const auto samples = Pattern(10);
    auto stream = MakeStream(samples, 8);
    ASSERT_EQ(stream->Play(0), 1);
    const auto ring = Ring(*stream);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), ring.begin()));
    EXPECT_TRUE(std::all_of(ring.begin() + 10, ring.end(), [](uint8_t b) { return b == 0x80; }));
}

TEST_F(SoundStreamTest, PlayWhilePlayingStartsOverWithANewThread) {
    const auto samples = Pattern(kRing * 3);
    auto stream = MakeStream(samples);
    ASSERT_EQ(stream->Play(0), 1);
    HearOneBlock(*stream);
    HearOneBlock(*stream);
    const uint32_t firstThread = stream->threadId;
    ASSERT_EQ(stream->Play(0), 1);
    EXPECT_NE(stream->threadId, firstThread);
    EXPECT_EQ(platform().RunningThreads(), 1u);
    EXPECT_EQ(stream->writeOffset, 0u);
    EXPECT_EQ(stream->readPosition, stream->dataStart + kRing);
    EXPECT_EQ(platform().Inspect(stream->soundBuffer).playCursor, 0u);
    const auto heard = HearUntilStopped(*stream, 100);
    ASSERT_EQ(heard.size(), samples.size());
    EXPECT_EQ(heard, samples);
}

TEST_F(SoundStreamTest, StopEndsTheThreadAndRewinds) {
    auto stream = MakeStream(Pattern(kRing * 3));
    EXPECT_EQ(stream->Stop(), 1);  // no thread: nothing to do
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    HearOneBlock(*stream);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->threadHandle, nullptr);
    EXPECT_EQ(stream->IsPlaying(), 0);
    EXPECT_EQ(platform().Inspect(stream->soundBuffer).playCursor, 0u);
    EXPECT_EQ(platform().RunningThreads(), 0u);
}

TEST_F(SoundStreamTest, StopWithoutAThreadLeavesTheBufferAlone) {
    auto stream = MakeStream(Pattern(100));
    platform().Play(stream->soundBuffer, 0);
    platform().AdvancePlayCursor(stream->soundBuffer, 8);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->IsPlaying(), 1);
    EXPECT_EQ(platform().Inspect(stream->soundBuffer).playCursor, 8u);
}

TEST_F(SoundStreamTest, AReadErrorDuringRefillEndsTheThreadAndTheSound) {
    auto stream = MakeStream(Pattern(kRing * 3));
    ASSERT_EQ(stream->Play(0), 1);
    platform().FailReadsAfter(0);
    HearOneBlock(*stream);
    EXPECT_TRUE(WaitFor([&] { return platform().ThreadHasEnded(stream->threadHandle); }));
    EXPECT_EQ(stream->IsPlaying(), 0);
    EXPECT_EQ(platform().Inspect(stream->soundBuffer).locks, 0u);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(stream->threadHandle, nullptr);
    platform().FailReadsAfter(-1);
    EXPECT_EQ(stream->Play(0), 1);
}

TEST_F(SoundStreamTest, AReadErrorDuringPrefillFailsPlay) {
    auto stream = MakeStream(Pattern(kRing * 3));
    platform().FailReadsAfter(0);
    EXPECT_EQ(stream->Play(0), 0);
    EXPECT_EQ(stream->threadHandle, nullptr);
    EXPECT_EQ(stream->IsPlaying(), 0);
    EXPECT_EQ(platform().Inspect(stream->soundBuffer).locks, 0u);
    platform().FailReadsAfter(-1);
}

TEST_F(SoundStreamTest, ABusyBufferIsRetriedAndStopStillEndsTheThread) {
    auto stream = MakeStream(Pattern(kRing * 3));
    ASSERT_EQ(stream->Play(0), 1);
    platform().RefuseLocks(20);
    HearOneBlock(*stream);  // refilled once the buffer accepts the lock again
    EXPECT_EQ(stream->writeOffset, kBlockBytes);

    platform().RefuseLocks(UINT32_MAX);
    platform().AdvancePlayCursor(stream->soundBuffer, kBlockBytes);
    EXPECT_EQ(stream->Stop(), 1);
    EXPECT_EQ(platform().RunningThreads(), 0u);
    platform().RefuseLocks(0);
}

TEST_F(SoundStreamTest, ReleaseBufferEndsTheThreadFirst) {
    auto stream = MakeStream(Pattern(kRing * 3));
    const size_t live = platform().LiveInterfaces();
    ASSERT_EQ(stream->Play(kPlayLooping), 1);
    EXPECT_EQ(stream->ReleaseBuffer(), 0);
    EXPECT_EQ(stream->soundBuffer, nullptr);
    EXPECT_EQ(stream->threadHandle, nullptr);
    EXPECT_EQ(platform().LiveInterfaces(), live - 1);
    EXPECT_EQ(stream->Play(0), 0);
}

TEST_F(SoundStreamTest, ResetStreamClearsTheRefillPosition) {
    auto stream = MakeStream(Pattern(10));
    stream->endReached = 1;
    stream->writeOffset = 128;
    EXPECT_EQ(stream->ResetStream(), 0);
    EXPECT_EQ(stream->endReached, 0);
    EXPECT_EQ(stream->writeOffset, 0u);
}

TEST_F(SoundStreamTest, ManyCyclesLeaveNoThreadHandleOrBufferBehind) {
    const auto samples = Pattern(kRing * 2);
    const size_t handles = platform().OpenHandles();
    const size_t live = platform().LiveInterfaces();
    for (int i = 0; i < 50; ++i) {
        auto stream = MakeStream(samples);
        ASSERT_EQ(stream->Play(i % 2), 1);
        HearOneBlock(*stream);
        if (i % 3 == 0) {
            EXPECT_EQ(stream->Stop(), 1);
        }
        if (i % 3 == 1) {
            ASSERT_EQ(stream->Play(0), 1);
        }
        // i % 3 == 2: destroyed while playing
    }
    EXPECT_EQ(platform().RunningThreads(), 0u);
    EXPECT_EQ(platform().OpenHandles(), handles);
    EXPECT_EQ(platform().LiveInterfaces(), live);
}

TEST_F(SoundStreamTest, ALoaderSizedStreamOfOverAMebibytePlaysThroughAndStops) {
    const auto samples = Pattern(kStreamThreshold + 12345, 7);
    auto stream = MakeStream(samples, 16, kStreamBlockCount, kStreamBlockSize);
    ASSERT_EQ(stream->Play(0), 1);
    const auto heard = HearUntilStopped(*stream, 1000);
    ASSERT_GE(heard.size(), samples.size());
    EXPECT_LT(heard.size(), samples.size() + kStreamBlockSize);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), heard.begin()));
    EXPECT_EQ(stream->IsPlaying(), 0);
}

}  // namespace

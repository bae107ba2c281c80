#pragma once
// The frame loop's timing diagnostics, off unless the environment variable TIDEMARCH_FRAME_LOG
// names a file. Per frame it keeps when the frame was due, when its update, drawing and present
// started and ended (milliseconds of the frame loop's clock) and whether it was drawn, and, where
// the program counts its heap, the live heap blocks after the frame. Records go to the file in
// batches, written between frames, so that writing costs no frame its time; the log holds no
// memory beyond its own object. The last batch's worth of records stays in the log for a crash
// report, and the frames are counted whether the log is on or not.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "shell/frame_log_platform.h"

enum class FrameMark { UpdateStart, UpdateEnd, DrawStart, DrawEnd, PresentStart, PresentEnd };

class FrameTimingLog {
  public:
    static constexpr const char* kSwitch = "TIDEMARCH_FRAME_LOG";
    static constexpr size_t kFramesPerWrite = 25;  // a second of 40 ms frames
    static constexpr size_t kPathCapacity = 1024;
    // One line: eleven numbers of at most 11 characters and their separators.
    static constexpr size_t kLineCapacity = 160;
    // The first line of the file: '#' and the column names.
    static constexpr const char* kHeader = "# frame due update_start update_end draw_start draw_end "
                                           "present_start present_end drawn live_blocks live_bytes\n";

    explicit FrameTimingLog(FrameLogPlatform& platform) : platform_(platform) {}
    ~FrameTimingLog();
    FrameTimingLog(const FrameTimingLog&) = delete;
    FrameTimingLog& operator=(const FrameTimingLog&) = delete;

    // Opens the file the switch names and writes the header. False, and the log stays off, when
    // the switch is not set or the file cannot be made.
    bool Start();
    bool IsOn() const { return on_; }

    // A frame begins; due is the schedule's time for it (the frame runs once the clock has passed
    // it). Counted even while the log is off.
    void BeginFrame(uint32_t due);
    void Mark(FrameMark mark, uint32_t now);
    // The frame is complete: its record is kept and, every kFramesPerWrite frames, written.
    void EndFrame();
    // Writes the records not yet written.
    void Flush();

    // The frames begun since the log was made, the current one included.
    uint32_t FramesStarted() const { return frames_.load(std::memory_order_relaxed); }
    // The last complete frames the log holds (at most kFramesPerWrite; none unless it was on).
    size_t RecentFrames() const { return kept_; }
    // The line of a recent frame as the file has it, oldest first, cut to the capacity and
    // terminated. Returns its length.
    size_t FormatRecentFrame(size_t index, char* line, size_t capacity) const;

  private:
    static constexpr size_t kMarks = 6;
    struct Record {
        uint32_t number;
        uint32_t due;
        uint32_t marks[kMarks];
        bool marked[kMarks];
        bool heapCounted;
        HeapBlockCount heap;
    };

    size_t FormatRecord(const Record& record, char* out, size_t capacity) const;
    // The ring's position of a record that lies back records before the next one.
    size_t RingIndex(size_t back) const { return (next_ + kFramesPerWrite - back) % kFramesPerWrite; }
    void Stop();

    FrameLogPlatform& platform_;
    bool on_ = false;
    bool heapCounted_ = false;
    // Read by a crash report from another thread while the frame loop may still run.
    std::atomic<uint32_t> frames_{0};
    Record current_{};
    // The last complete frames, a ring: next_ is where the next one goes, kept_ how many it
    // holds, unwritten_ how many of the newest are not yet in the file.
    Record records_[kFramesPerWrite]{};
    size_t next_ = 0;
    size_t kept_ = 0;
    size_t unwritten_ = 0;
    char text_[kFramesPerWrite * kLineCapacity]{};
};

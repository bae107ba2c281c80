#pragma once
// The frame-timing log as the crash report reads it: the frames begun and the last ones kept.
#include "crash/crash_report.h"
#include "shell/frame_timing_log.h"

class FrameLogCrashSource final : public CrashFrameSource {
  public:
    explicit FrameLogCrashSource(const FrameTimingLog& log) : log_(log) {}

    uint32_t FramesStarted() const override { return log_.FramesStarted(); }
    size_t RecentFrames() const override { return log_.RecentFrames(); }
    const char* RecentFrameColumns() const override { return FrameTimingLog::kHeader; }
    size_t FormatRecentFrame(size_t index, char* line, size_t capacity) const override {
        return log_.FormatRecentFrame(index, line, capacity);
    }

  private:
    const FrameTimingLog& log_;
};

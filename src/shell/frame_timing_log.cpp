#include "shell/frame_timing_log.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

FrameTimingLog::~FrameTimingLog() { Stop(); }

bool FrameTimingLog::Start() {
    if (on_) return true;
    char path[kPathCapacity];
    if (!platform_.ReadSetting(kSwitch, path, sizeof path)) return false;
    if (!platform_.OpenLog(path)) return false;
    if (!platform_.AppendToLog(kHeader, std::strlen(kHeader))) {
        platform_.CloseLog();
        return false;
    }
    heapCounted_ = platform_.StartHeapCount();
    on_ = true;
    return true;
}

void FrameTimingLog::BeginFrame(uint32_t due) {
    uint32_t number = frames_.fetch_add(1, std::memory_order_relaxed);
    if (!on_) return;
    current_ = Record{};
    current_.number = number;
    current_.due = due;
}

void FrameTimingLog::Mark(FrameMark mark, uint32_t now) {
    if (!on_) return;
    size_t index = size_t(mark);
    current_.marks[index] = now;
    current_.marked[index] = true;
}

void FrameTimingLog::EndFrame() {
    if (!on_) return;
    if (heapCounted_) {
        current_.heapCounted = true;
        current_.heap = platform_.CurrentHeapCount();
    }
    records_[next_] = current_;
    next_ = (next_ + 1) % kFramesPerWrite;
    if (kept_ < kFramesPerWrite) ++kept_;
    if (++unwritten_ == kFramesPerWrite) Flush();
}

size_t FrameTimingLog::FormatRecentFrame(size_t index, char* line, size_t capacity) const {
    if (capacity == 0) return 0;
    line[0] = '\0';
    if (index >= kept_) return 0;
    char whole[kLineCapacity];
    size_t length = FormatRecord(records_[RingIndex(kept_ - index)], whole, sizeof whole);
    if (length >= capacity) length = capacity - 1;
    std::memcpy(line, whole, length);
    line[length] = '\0';
    return length;
}

size_t FrameTimingLog::FormatRecord(const Record& record, char* out, size_t capacity) const {
    size_t used = size_t(std::snprintf(out, capacity, "%" PRIu32 " %" PRIu32, record.number, record.due));
    for (size_t i = 0; i < kMarks; ++i) {
        used += record.marked[i]
                    ? size_t(std::snprintf(out + used, capacity - used, " %" PRIu32, record.marks[i]))
                    : size_t(std::snprintf(out + used, capacity - used, " -"));
    }
    bool drawn = record.marked[size_t(FrameMark::PresentEnd)];
    used += size_t(std::snprintf(out + used, capacity - used, " %d", drawn ? 1 : 0));
    if (record.heapCounted) {
        used += size_t(std::snprintf(out + used, capacity - used, " %" PRId32 " %" PRId32 "\n",
                                     record.heap.blocks, record.heap.bytes));
    } else {
        used += size_t(std::snprintf(out + used, capacity - used, " - -\n"));
    }
    return used;
}

void FrameTimingLog::Flush() {
    if (!on_ || unwritten_ == 0) return;
    size_t used = 0;
    for (size_t back = unwritten_; back > 0; --back)
        used += FormatRecord(records_[RingIndex(back)], text_ + used, sizeof text_ - used);
    unwritten_ = 0;
    // A log that can no longer be written stops; the program goes on.
    if (!platform_.AppendToLog(text_, used)) {
        on_ = false;
        platform_.CloseLog();
    }
}

void FrameTimingLog::Stop() {
    Flush();
    if (!on_) return;
    on_ = false;
    platform_.CloseLog();
}

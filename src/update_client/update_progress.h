#pragma once
// Where the progress markers stand: the left end of the track plus the done share of the
// track's width (the progress bar's 200 pixels), truncated toward zero.
#include <cstdint>

inline constexpr int kMarkerTrackLeft = 407;
inline constexpr int kMarkerTrackWidth = 200;

// More done than the whole (a server that sends more than it announced) keeps the marker at the
// right end of the track. The whole must not be 0.
inline int MarkerX(uint32_t done, uint32_t whole) {
    if (done >= whole) return kMarkerTrackLeft + kMarkerTrackWidth;
    return kMarkerTrackLeft + int(double(kMarkerTrackWidth) * double(done) / double(whole));
}

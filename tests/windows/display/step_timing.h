#pragma once
// Timing of one display step for the by-hand cost tools: the median and mean of many rounds, with
// the window's messages pumped now and then so that the window stays responsive.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

inline void PumpWindowMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

inline void MeasureStep(const char* name, int rounds, const std::function<void()>& step) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        step();
        QueryPerformanceCounter(&b);
        times.push_back(double(b.QuadPart - a.QuadPart) * 1e6 / double(frequency.QuadPart));
        if (i % 16 == 0) PumpWindowMessages();
    }
    double sum = 0;
    for (double t : times)
        sum += t;
    std::sort(times.begin(), times.end());
    std::printf("%-14s median %8.1f us  mean %8.1f us\n", name, times[times.size() / 2], sum / times.size());
    std::fflush(stdout);
}

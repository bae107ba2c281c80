// One frame's update and draw walks over a parent with many children (10, 1,000 and 5,000
// siblings), beside the plain walk that reads each next link before the call and checks nothing:
// the limit of any walk. The children do no work of their own, so the figures are the walks'.
// Prints the processor time of a frame per sibling count and ends with
// `target tree-walk-5000-vs-plain <plain time / tree time> 0.50` (higher is better).
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "controls/control.h"

namespace {
constexpr int kRepeats = 31;
// The safe walk may cost up to twice the plain one: its price is a watch per call.
constexpr double kGoal = 0.50;

struct CountingChild final : Control {
    explicit CountingChild(Control* parent) : Control(parent, 0, 0, 0, 0, 64) {}
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    void Update() override { ++calls; }
    void Draw(SurfaceControl*, Rect*, Point*) override { ++calls; }
    static inline long calls = 0;
};

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The walk a module's own copy of the tree code makes: next read before the call, nothing checked.
void PlainFrame(Control& parent) {
    Control* child = parent.firstChild;
    while (child) {
        Control* next = child->nextSibling;
        const bool last = next == parent.firstChild;
        child->Update();
        if (last) break;
        child = next;
    }
    for (Control* member = parent.drawFirst; member;) {
        Control* next = member->drawNext;
        member->Draw(nullptr, nullptr, nullptr);
        member = next;
    }
}

void TreeFrame(Control& parent) {
    parent.Update();
    parent.Draw(nullptr, nullptr, nullptr);
}

// The median over repeats of the processor time of enough frames to take a few milliseconds.
template <class Frame> double SecondsPerFrame(Control& parent, int siblings, Frame frame) {
    const int frames = std::max(1, 200000 / siblings);
    std::vector<double> samples;
    for (int r = 0; r < kRepeats; ++r) {
        const double start = ThreadSeconds();
        for (int f = 0; f < frames; ++f)
            frame(parent);
        samples.push_back((ThreadSeconds() - start) / frames);
    }
    std::nth_element(samples.begin(), samples.begin() + kRepeats / 2, samples.end());
    return samples[kRepeats / 2];
}
}  // namespace

int main() {
    double ratioAt5000 = 0;
    for (int siblings : {10, 1000, 5000}) {
        Control parent(nullptr, 0, 0, 0, 0, 64);
        std::vector<CountingChild*> children;
        for (int i = 0; i < siblings; ++i)
            children.push_back(new CountingChild(&parent));
        const double plain = SecondsPerFrame(parent, siblings, PlainFrame);
        const double tree = SecondsPerFrame(parent, siblings, TreeFrame);
        std::printf("siblings %5d: update and draw %.4f ms a frame, plain walk %.4f ms, ratio %.2f\n",
                    siblings, tree * 1e3, plain * 1e3, plain / tree);
        if (siblings == 5000) ratioAt5000 = plain / tree;
        for (CountingChild* child : children)
            DestroyControl(child);
    }
    std::printf("target tree-walk-5000-vs-plain %.2f %.2f\n", ratioAt5000, kGoal);
    return CountingChild::calls > 0 ? 0 : 1;
}

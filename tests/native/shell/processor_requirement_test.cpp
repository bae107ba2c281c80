#include "shell/processor_requirement.h"

#include <gtest/gtest.h>

TEST(ProcessorRequirement, BothMmxAndSse2AreNeeded) {
    struct Case {
        uint32_t featureWord;
        bool runs;
    } cases[] = {
        {kMmxFeatureBit | kSse2FeatureBit, true},
        {0xFFFFFFFFu, true},
        {kMmxFeatureBit, false},  // a Pentium with MMX only
        {kSse2FeatureBit, false},
        {0, false},  // no CPUID leaf 1 at all
        {~kSse2FeatureBit, false},
        {~kMmxFeatureBit, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProcessorCanRunHost(c.featureWord), c.runs) << std::hex << c.featureWord;
}

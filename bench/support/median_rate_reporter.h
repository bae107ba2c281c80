#pragma once
// Keeps the console output and remembers, per benchmark, the median throughput
// ("bytes_per_second") over real time and over the processor time of the benchmark's thread. The
// machine is shared, so real time also counts the waits for other processes; processor time is
// the steadier measure of the code's own cost, and the targets use it.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class MedianRateReporter : public benchmark::ConsoleReporter {
  public:
    struct Rates {
        double real = 0;
        double processor = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto found = run.counters.find("bytes_per_second");
            if (found == run.counters.end() || run.error_occurred || run.aggregate_name != "median") continue;
            const double real = found->second;
            rates_[run.run_name.function_name + "/" + run.run_name.args] = {
                real, real * run.GetAdjustedRealTime() / run.GetAdjustedCPUTime()};
        }
    }

    // The rates of one benchmark by name and arguments ("BM_Name/args"); zero when it did not run.
    Rates Of(const std::string& name) const {
        auto found = rates_.find(name);
        return found == rates_.end() ? Rates{} : found->second;
    }

  private:
    std::map<std::string, Rates> rates_;
};

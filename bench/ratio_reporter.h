// The reporter of the project's benchmarks: the usual console table, then the
// ratio of each measured workload to its baseline measured in the same run.
// Ratios compare processor time, which a busy machine disturbs less than wall
// time (the workloads are single-threaded).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct BenchRatio {
    std::string label;    // shown in front of the ratio
    std::string measured; // benchmark name of the workload
    std::string baseline; // benchmark name of its baseline
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::string title, std::vector<BenchRatio> ratios)
        : title_(std::move(title)), ratios_(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred)
                times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%s\n", title_.c_str());
        for (const BenchRatio& r : ratios_) {
            const auto m = times_.find(r.measured);
            const auto b = times_.find(r.baseline);
            if (m != times_.end() && b != times_.end() && b->second > 0)
                std::printf("  %-28s %.2f\n", r.label.c_str(), m->second / b->second);
        }
    }

private:
    std::string title_;
    std::vector<BenchRatio> ratios_;
    std::map<std::string, double> times_;
};

// Prints, after the usual console report, the time of one benchmark as a
// ratio of another's measured in the same run, against a goal.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct Ratio {
    std::string label, measured, peer;
    double goal;  // the ratio must not exceed this
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::vector<Ratio> ratios) : ratios_(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions, the median of a benchmark's runs stands for it.
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations <= 0) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                seconds_[run.run_name.str()] = run.real_accumulated_time / static_cast<double>(run.iterations);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n");
        for (const Ratio& r : ratios_) {
            auto measured = seconds_.find(r.measured), peer = seconds_.find(r.peer);
            if (measured == seconds_.end() || peer == seconds_.end()) continue;
            const double ratio = measured->second / peer->second;
            std::printf("%-52s %8.3f  (goal <= %.2f: %s)\n", r.label.c_str(), ratio, r.goal,
                        ratio <= r.goal ? "met" : "NOT met");
        }
    }

private:
    std::vector<Ratio> ratios_;
    std::map<std::string, double> seconds_;
};

// Runs the benchmarks given on the command line and prints the ratios.
inline int RunWithRatios(int argc, char** argv, std::vector<Ratio> ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

#pragma once
// A console reporter that also keeps each benchmark's time per iteration, so that a
// program can print ratios against a baseline measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace dorvath::bench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                seconds_[r.run_name.function_name] =
                    r.real_accumulated_time / static_cast<double>(r.iterations);
    }
    double seconds(const std::string& name) const {
        auto it = seconds_.find(name);
        return it == seconds_.end() ? 0 : it->second;
    }
    // Prints "label: ours / baseline = R (target ...)" and returns the ratio.
    double printRatio(const char* label, const std::string& ours, const std::string& base,
                      const char* target) const {
        double a = seconds(ours), b = seconds(base);
        double r = b > 0 ? a / b : 0;
        std::printf("%s: %s / %s = %.2f (target %s)\n", label, ours.c_str(), base.c_str(), r,
                    target);
        return r;
    }

  private:
    std::map<std::string, double> seconds_;
};

}  // namespace dorvath::bench

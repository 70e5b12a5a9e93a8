#pragma once
// Benchmark harness: every figure is a ratio of the measured work against a
// reference measured in the same run, so the figure holds on a noisy machine.
// Output: "figure <name> <ratio>" per figure, details on lines starting "#".

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace confcred::bench {

// Median wall time of `runs` calls of `work`, in seconds, after one warm-up call.
inline double medianSeconds(const std::function<void()>& work, int runs = 5) {
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Times the work and its reference alternately, so that a change of load on the
// machine affects both alike; returns the ratio of the medians.
inline double ratioOf(const std::function<void()>& work, const std::function<void()>& reference,
                      int runs = 5) {
    work();
    reference();
    std::vector<double> w, r;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        work();
        auto t1 = std::chrono::steady_clock::now();
        reference();
        auto t2 = std::chrono::steady_clock::now();
        w.push_back(std::chrono::duration<double>(t1 - t0).count());
        r.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    std::sort(w.begin(), w.end());
    std::sort(r.begin(), r.end());
    const double wm = w[w.size() / 2], rm = r[r.size() / 2];
    std::printf("#   work %.3f ms, reference %.3f ms\n", wm * 1e3, rm * 1e3);
    return rm > 0 ? wm / rm : 0.0;
}

// Wall time of one call of `work`, in seconds.
inline double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// "12.3 ms", for notes.
inline std::string ms(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    return text;
}

inline void figure(const std::string& name, double ratio) {
    std::printf("figure %s %.3f\n", name.c_str(), ratio);
    std::fflush(stdout);
}

inline void note(const std::string& text) {
    std::printf("# %s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace confcred::bench

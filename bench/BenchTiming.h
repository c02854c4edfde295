#pragma once

#include <QElapsedTimer>

#include <algorithm>

#include <sys/resource.h>

// Timing for the benchmarks that measure against another program: the best of a few runs, in
// wall-clock and in processor time (which other work on a busy machine disturbs less).
constexpr int Rounds = 3;

/// Processor time (user and system) of this process and of its finished children, in ms.
inline double processorMs()
{
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        ms += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    return ms;
}

struct Timing
{
    double wallMs = 1e12;
    double processorMs = 1e12;
};

/// The best of `Rounds` runs of `body`; -1 when a run fails.
template <typename Body> Timing bestOf(Body body)
{
    Timing best;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer timer;
        const double processorBefore = processorMs();
        timer.start();
        if (!body())
            return {-1, -1};
        best.wallMs = std::min(best.wallMs, double(timer.nsecsElapsed()) / 1e6);
        best.processorMs = std::min(best.processorMs, processorMs() - processorBefore);
    }
    return best;
}

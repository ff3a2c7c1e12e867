#pragma once

#include "device/hid_bus.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// The shared input report: the reader stores every report it receives, an exchange waits for the one
// it expects. Recent reports are kept in a small ring, so a waiter sees each one even when several
// arrive before it wakes; only reports stored after the waiter's mark count as answers.
class InputReportBuffer {
public:
    // Reader side: records the report as the latest one and wakes waiters.
    void store(const Report& report);

    // Exchange side, before writing a request: marks the point after which reports count as answers
    // and sets bytes 6-8 of the latest report to 0xFF, as the protocol's polling expects.
    uint64_t arm();

    struct WaitResult {
        bool matched = false;   // an answer satisfied accept; report holds it
        bool any = false;       // at least one report arrived after the mark
        Report report{};        // the matching report, else the last report after the mark
    };
    // Blocks until a report stored after mark satisfies accept, the timeout passes, or maxChecks
    // reports have been examined. Does not spin: sleeps on a condition variable between reports.
    WaitResult waitFor(uint64_t mark, std::chrono::nanoseconds timeout, long long maxChecks,
                       const std::function<bool(const Report&)>& accept);

    Report latest() const;

    // Ends every wait at once, now and from now on: the program is ending.
    void cancelWaits();

private:
    static constexpr int RingSize = 64;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    Report latest_{};
    Report ring_[RingSize]{};
    uint64_t stored_ = 0;   // reports stored so far; report k (0-based) lives in ring_[k % RingSize]
    bool cancelled_ = false;
};

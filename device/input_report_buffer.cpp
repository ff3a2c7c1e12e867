#include "device/input_report_buffer.h"

void InputReportBuffer::store(const Report& report)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        latest_ = report;
        ring_[stored_ % RingSize] = report;
        ++stored_;
    }
    arrived_.notify_all();
}

uint64_t InputReportBuffer::arm()
{
    std::lock_guard<std::mutex> lock(mutex_);
    latest_[6] = latest_[7] = latest_[8] = 0xFF;
    return stored_;
}

InputReportBuffer::WaitResult InputReportBuffer::waitFor(uint64_t mark, std::chrono::nanoseconds timeout,
                                                         long long maxChecks,
                                                         const std::function<bool(const Report&)>& accept)
{
    WaitResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    long long checks = 0;
    uint64_t next = mark;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (cancelled_)
            return result;
        // A waiter that fell behind by more than the ring holds skips the oldest reports.
        if (stored_ - next > RingSize)
            next = stored_ - RingSize;
        for (; next < stored_; ++next) {
            const Report& report = ring_[next % RingSize];
            result.any = true;
            result.report = report;
            if (accept(report)) {
                result.matched = true;
                return result;
            }
            if (++checks >= maxChecks)
                return result;
        }
        if (arrived_.wait_until(lock, deadline, [&] { return stored_ != next || cancelled_; }) == false)
            return result;
    }
}

Report InputReportBuffer::latest() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return latest_;
}

void InputReportBuffer::cancelWaits()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
    }
    arrived_.notify_all();
}

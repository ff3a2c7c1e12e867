#include "device/read_data_thread.h"

#include <chrono>

CReadDataThread::CReadDataThread(HandleSource source, BrokenSink broken, InputReportBuffer& buffer)
    : source_(std::move(source)), broken_(std::move(broken)), buffer_(buffer)
{
}

CReadDataThread::~CReadDataThread()
{
    stopAndWait();
}

void CReadDataThread::requestStop()
{
    {
        std::lock_guard<std::mutex> lock(pauseMutex_);
        stop_.store(true);
    }
    pauseWake_.notify_all();
}

void CReadDataThread::start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { Execute(); });
}

void CReadDataThread::stopAndWait()
{
    requestStop();
    if (thread_.joinable())
        thread_.join();
}

bool CReadDataThread::revive()
{
    std::lock_guard<std::mutex> lock(pauseMutex_);
    if (ending_ || !thread_.joinable())
        return false;
    stop_.store(false);
    return true;
}

bool CReadDataThread::shouldEnd()
{
    // Decided under the lock, so a revive either comes first and keeps the thread or sees it ending.
    std::lock_guard<std::mutex> lock(pauseMutex_);
    if (stop_.load())
        ending_ = true;
    return ending_;
}

void CReadDataThread::Execute()
{
    while (!shouldEnd()) {
        // Taken afresh every pass, so the reader follows discovery when it reopens the pedometer.
        const std::shared_ptr<HidHandle> handle = source_();
        if (!handle) {
            pause(IdlePauseMs);
            continue;
        }
        Report report{};
        const int got = handle->read(report, ReadSliceMs);
        if (got > 0) {
            report[0] = 0;
            buffer_.store(report);
        } else if (got < 0) {
            broken_(handle.get());
            pause(IdlePauseMs);
        }
    }
}

void CReadDataThread::pause(int ms)
{
    std::unique_lock<std::mutex> lock(pauseMutex_);
    pauseWake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

#pragma once

#include "device/hid_bus.h"
#include "device/input_report_buffer.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The report reader: reads input reports from the link's current read handle into the shared
// InputReportBuffer until asked to stop. It only reads; opening and closing stay with the link.
// A plain std::thread, so that thread checkers see every synchronization it takes part in.
class CReadDataThread {
public:
    // Returns the current read handle, or null while the pedometer is not connected.
    using HandleSource = std::function<std::shared_ptr<HidHandle>()>;
    // Told when a handle's read failed (device gone or handle broken), so discovery reopens it.
    using BrokenSink = std::function<void(const HidHandle*)>;

    CReadDataThread(HandleSource source, BrokenSink broken, InputReportBuffer& buffer);
    ~CReadDataThread();   // stops and joins
    CReadDataThread(const CReadDataThread&) = delete;
    CReadDataThread& operator=(const CReadDataThread&) = delete;

    void start();

    // Sets the stop flag; the thread ends within one read slice (ReadSliceMs) or so.
    void requestStop();
    // requestStop, then joins.
    void stopAndWait();
    // Withdraws a stop request the thread has not yet acted on. False when it is ending or has ended;
    // a read in progress cannot be cut short, so taking such a reader back is quicker than a new one.
    bool revive();

    // One read waits at most this long, so a stop request is noticed quickly. Without input the read
    // simply starts again.
    static constexpr int ReadSliceMs = 200;
    // Pause between passes while there is no usable handle, instead of spinning.
    static constexpr int IdlePauseMs = 50;

private:
    void Execute();
    void pause(int ms);
    bool shouldEnd();

    HandleSource source_;
    BrokenSink broken_;
    InputReportBuffer& buffer_;
    std::atomic<bool> stop_{false};
    bool ending_ = false;   // decided to end; guarded by pauseMutex_
    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
    std::thread thread_;
};

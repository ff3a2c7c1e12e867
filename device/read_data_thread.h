#pragma once

#include "device/hid_bus.h"
#include "device/input_report_buffer.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// The report reader: reads input reports from the link's current read handle into the shared
// InputReportBuffer until asked to stop. It only reads; opening and closing stay with the link.
class CReadDataThread : public QThread {
public:
    // Returns the current read handle, or null while the pedometer is not connected.
    using HandleSource = std::function<std::shared_ptr<HidHandle>()>;
    // Told when a handle's read failed (device gone or handle broken), so discovery reopens it.
    using BrokenSink = std::function<void(const HidHandle*)>;

    CReadDataThread(HandleSource source, BrokenSink broken, InputReportBuffer& buffer);
    ~CReadDataThread() override;

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

protected:
    void run() override;

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
};

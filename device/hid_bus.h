#pragma once

#include "protocol/report.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The seam through which the program reaches HID interfaces: hidapi on hidraw, the simulated bus of
// sockets, or an in-process emulator in tests. Everything above it speaks in 9-byte reports.

struct HidInterfaceInfo {
    QString path;          // opaque to callers; pass back to open()
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

enum class HidOpenError { None, NotFound, PermissionDenied, Failed };

enum class HidWriteResult {
    Written,
    FailedAtOnce,       // the write never started (device gone, handle broken)
    CompletedWithError, // started but the device reported an error
    TimedOut,           // the device did not take the report in time
};

// One open handle. A handle is used by one thread at a time.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Waits at most timeoutMs for one input report. Returns 1 with report filled, 0 on time-out,
    // -1 when the handle failed or the device is gone. Messages that are not 9-byte reports are skipped.
    virtual int read(Report& report, int timeoutMs) = 0;
    virtual HidWriteResult write(const Report& report, int timeoutMs) = 0;
};

class HidBus {
public:
    virtual ~HidBus() = default;
    // The present interfaces, in a stable order (the same devices enumerate in the same order).
    virtual std::vector<HidInterfaceInfo> enumerate() = 0;
    // The present interfaces with these ids, in the same order. A bus may do this more cheaply than a
    // full enumeration; discovery runs before every write.
    virtual std::vector<HidInterfaceInfo> enumerateMatching(uint16_t vendorId, uint16_t productId)
    {
        std::vector<HidInterfaceInfo> matching;
        for (HidInterfaceInfo& info : enumerate()) {
            if (info.vendorId == vendorId && info.productId == productId)
                matching.push_back(std::move(info));
        }
        return matching;
    }
    // Opens the interface; on failure returns null and sets error when given.
    virtual std::unique_ptr<HidHandle> open(const QString& path, HidOpenError* error = nullptr) = 0;
};

// Tells of HID interfaces arriving and leaving. Lives on the GUI thread and signals from its event loop.
class HidChangeMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // False when arrival and removal cannot be watched.
    virtual bool start() = 0;

signals:
    void interfaceArrived();
    void interfaceRemoved();
};

#pragma once

#include "device/hid_bus.h"
#include "emulator/pedometer_model.h"
#include "emulator/report_log.h"

#include <QString>

#include <memory>

// Serves a PedometerModel on the simulated bus: a listening SOCK_SEQPACKET socket at
// <dir>/<vvvv>-<pppp>-<tag>.hid (0c45-70c1 by default), each connection one handle. Each output
// report is one 9-byte message on any connection; other messages are ignored. Every input report goes
// to every connection open at that moment without blocking: a connection whose queue is full misses
// that copy. The model's timing faults are applied here: latency delays answers, deafness stops reading
// the connections, vanishing removes the socket file and closes every connection, and returning binds
// it anew. Runs on a thread of its own; all members may be called from any thread.
class SimBusDevice {
public:
    explicit SimBusDevice(std::shared_ptr<PedometerModel> model = std::make_shared<PedometerModel>(),
                          ReportLog* log = nullptr);
    ~SimBusDevice(); // stops

    // Creates the directory when missing, binds the socket (replacing a stale socket file, but never
    // another kind of file) and starts serving. False with a message when it cannot.
    bool start(const QString& dir, const QString& tag, QString* error = nullptr, uint16_t vendorId = 0x0C45,
               uint16_t productId = 0x70C1);
    // Removes the socket file and closes every connection. Safe to call twice.
    void stop();

    QString socketPath() const;
    std::shared_ptr<PedometerModel> model() const;
    bool isPresent() const;
    int connectionCount() const;

    // By hand what the vanish fault does by itself: remove the device, and bring it back.
    void vanish();
    void comeBack();
    void sendInputReport(const Report& report);

    // 1 to 32 characters of [A-Za-z0-9_].
    static bool IsValidTag(const QString& tag);

    struct Server;

private:
    std::shared_ptr<PedometerModel> model_;
    ReportLog* log_;
    std::unique_ptr<Server> server_;
};

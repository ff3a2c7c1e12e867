#pragma once

#include "device/hid_bus.h"
#include "emulator/pedometer_model.h"
#include "emulator/report_log.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// An in-process HID bus for tests, with one pedometer served by a PedometerModel and its faults
// (latency, deafness, vanishing and returning; the model adds the rest). Other interfaces can be added
// to exercise discovery. Behaves as hidraw does:
// - every handle open when an input report is sent gets its own copy; a handle reads only reports sent
//   after it was opened;
// - removal makes every read and write on the device's handles fail (-1 / FailedAtOnce), also on
//   handles opened before it comes back, and enumerate() leaves it out while it is away;
// - read() waits on a condition variable, so any number of threads may read and write at once.
// Paths are "emu/<vvvv>-<pppp>-<nn>" and enumerate in ascending path order. Handles stay safe to use
// (they fail) after the bus is destroyed.
class EmulatedHidBus : public HidBus {
public:
    explicit EmulatedHidBus(std::shared_ptr<PedometerModel> model = std::make_shared<PedometerModel>(),
                            ReportLog* log = nullptr);
    ~EmulatedHidBus() override;

    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidHandle> open(const QString& path, HidOpenError* error = nullptr) override;

    std::shared_ptr<PedometerModel> model() const;
    QString pedometerPath() const;

    // Adds an interface and returns its path. With a model it answers like the pedometer (a second
    // pedometer, say); without one it takes every output report and never answers.
    QString addDevice(uint16_t vendorId, uint16_t productId, std::shared_ptr<PedometerModel> model = nullptr);

    // The path defaults to the pedometer's. Unplug closes every handle of the device; plugIn brings it
    // back with the same memory.
    void unplug(const QString& path = QString());
    void plugIn(const QString& path = QString());
    bool isPresent(const QString& path = QString()) const;
    // Open handles of a present device that are still usable.
    int openHandleCount(const QString& path = QString()) const;
    // While set, the device stays present but open() fails with why.
    void setRefuseOpen(bool refuse, const QString& path = QString(), HidOpenError why = HidOpenError::Failed);
    // An unsolicited input report to every open handle of the device.
    void sendInputReport(const Report& report, const QString& path = QString());

    // Replaces what the device sends in answer to each output report it takes: given the report and the
    // model's messages, returns the messages to send instead, of any length (a handle skips those that
    // are not 9 bytes long). Runs under the bus's lock, so it must not call the bus. Null: the model's own.
    using ReplyFilter = std::function<std::vector<QByteArray>(const Report& request,
                                                              const std::vector<QByteArray>& modelMessages)>;
    void setReplyFilter(ReplyFilter filter, const QString& path = QString());

    struct State;

private:
    std::shared_ptr<State> state_;
};

#pragma once

#include "device/hid_bus.h"
#include "device/input_report_buffer.h"
#include "protocol/download_result.h"
#include "protocol/pedometer_port.h"

#include <QObject>
#include <QString>
#include <QTime>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CReadDataThread;
class Prompts;
struct TSoftInfo;

constexpr uint16_t PedometerVendorId = 0x0C45;
constexpr uint16_t PedometerProductId = 0x70C1;

// The installed udev rule that gives the desktop user access to the pedometer's hidraw node.
inline constexpr const char* PedometerUdevRuleFile = "70-kinetrax-pedometer.rules";

// The link to the pedometer: discovery, the two handles, the report reader and the two command
// exchanges. One per process, created and owned by the GUI thread.
//
// Thread use: discovery and device-change handling run on the GUI thread; the exchanges (and so
// WriteReport and FindPedometer) may run on the loading worker as well. Exchanges are serialized by a
// lock, so a second one waits for the first. Messages go through Prompts, which the GUI marshals when
// called from a worker. Nothing here touches widgets.
class DeviceLink : public QObject, public PedometerPort {
    Q_OBJECT
public:
    // bus, prompts and catalog must outlive the link. The catalog supplies message texts and captions.
    DeviceLink(HidBus& bus, Prompts& prompts, const TSoftInfo& catalog, QObject* parent = nullptr);
    // Stops the reader and closes the handles.
    ~DeviceLink() override;

    // Discovery. Looks for the first interface (in the bus's order) with the pedometer's ids. Handles
    // that already refer to that same interface stay open; otherwise the old ones are closed and the
    // interface opened anew. Returns true when the pedometer is present, even if it could not be opened
    // (then writes are skipped and OpenProblem() tells why).
    bool FindPedometer();
    // FindPedometer at start-up or arrival. When the pedometer is present but access is refused, shows
    // a message naming the udev rule (once per arrival) and leaves Connected() false, since such a
    // pedometer cannot be used.
    void ConnectPedometer();
    // Starts watching for HID arrivals and removals; the monitor must outlive the link or be
    // unregistered. False when changes cannot be watched (the caller shows [Info] 2).
    bool RegisterForDeviceChanges(HidChangeMonitor& monitor);
    void UnregisterDeviceChanges();

    enum class DeviceChange { Arrival, Removal };
    // Arrival: connect when not connected. Removal: when the pedometer is gone, stop the reader, close
    // the handles and emit pedometerRemoved(); the removal of another device changes nothing.
    void HandleDeviceChange(DeviceChange change);

    bool Connected() const override;
    QString DevicePath() const;
    HidOpenError OpenProblem() const;   // why the present pedometer could not be opened, or None
    QString OpenProblemText() const;    // user-facing explanation for OpenProblem(), empty when None

    // Transport. StartReader makes sure a reader runs (reusing one that is still running); StopReader
    // ends it and returns within about 0.3 s.
    void StartReader();
    void StopReader();
    bool ReaderRunning() const;
    // Writes one output report (byte 0 = 0) after rediscovery; skipped silently when the pedometer is
    // absent or has no write handle. Waits at most 5000 ms. Failures show [Info] 6-8 with the
    // application title as caption. True when the report was written.
    bool WriteReport(const Report& report);
    Report InputReport() const;

    using ExchangeStart = ::ExchangeStart;

    // Exchanges. Each returns at once when not connected or once CancelExchanges() was called.
    // Messages of an exchange are shown after it has ended, so a worker's message never waits for a
    // GUI thread that is itself waiting to start an exchange.
    DownloadResult DownloadDeviceData(ExchangeStart start = ExchangeStart::ByUser) override;
    // Writes unit flag, step length, weight, target and the clock's hour and minute into memory 1-9.
    // The clock is read once the exchange holds the pedometer, right before the block is built. Shows
    // [Info] 10 with the [SoftName] 0 caption when the pedometer stops answering. True on success.
    bool SendProfileAndClock(bool metric, uint16_t steplength, uint16_t weight, uint32_t targetSteps) override;
    // The local clock by default; tests fix it.
    void setClock(std::function<QTime()> clock);

    // The program is ending: the running exchange stops at its next wait (a write under way still runs
    // out its limit), later ones return at once, and no further message is shown. Irreversible.
    void CancelExchanges();

    // Tests only: scales the polling waits (W(1000) lasts 1000 ms * scale) and the 5000 ms write limit.
    // Production keeps 1.0.
    void setWaitScale(double scale);

signals:
    // The pedometer went away; the reader is stopped and the handles closed. The main window shows
    // "No device!" and ends.
    void pedometerRemoved();

private:
    DownloadResult downloadLocked();
    bool sendProfileLocked(bool metric, uint16_t steplength, uint16_t weight, uint32_t targetSteps);
    // Ends the reader after a successful exchange without waiting for its read to run out, so the
    // exchange returns as soon as its last answer is in. The next StartReader or StopReader joins it
    // before anything else reads or closes the handle.
    void finishReader();
    void dropHandlesLocked();
    void flushRetiredLocked(bool force);
    bool pedometerPresent();
    std::shared_ptr<HidHandle> currentReadHandle();
    void markHandleBroken(const HidHandle* handle);
    // Arms the input buffer, writes the request and waits W(baseMs) for an answer that satisfies
    // accept: at most baseMs * scale milliseconds and 64000 * baseMs examined reports.
    InputReportBuffer::WaitResult exchange(const Report& request, int baseMs,
                                           const std::function<bool(const Report&)>& accept);
    void showInfo(int index, const QString& caption, int flags);

    HidBus& bus_;
    Prompts& prompts_;
    const TSoftInfo& catalog_;
    HidChangeMonitor* monitor_ = nullptr;

    std::mutex discoveryMutex_;       // one discovery at a time (GUI thread and exchange worker)
    mutable std::mutex stateMutex_;   // guards the discovery state below; held only briefly
    bool connected_ = false;
    bool everConnected_ = false;   // opened since the last removal
    QString devicePath_;
    std::shared_ptr<HidHandle> readHandle_;
    std::shared_ptr<HidHandle> writeHandle_;
    bool handlesBroken_ = false;
    HidOpenError openProblem_ = HidOpenError::None;
    bool openProblemShown_ = false;
    // Handles dropped while a reader or writer may still use them; closed later on a control thread,
    // never by the reader, once nobody else holds them.
    std::vector<std::shared_ptr<HidHandle>> retired_;

    InputReportBuffer input_;

    mutable std::mutex readerMutex_;
    std::unique_ptr<CReadDataThread> reader_;
    std::unique_ptr<CReadDataThread> stopping_;   // asked to stop, not yet joined

    std::mutex writeMutex_;
    std::mutex exchangeMutex_;
    uint64_t downloads_ = 0;   // guarded by exchangeMutex_, so its order is the order of the reads
    std::atomic<double> waitScale_{1.0};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> failureTold_{false};   // the current failing streak has been shown
    std::function<QTime()> clock_;   // set before any exchange starts
};

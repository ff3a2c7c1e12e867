#include "device/device_link.h"

#include "catalog/soft_info.h"
#include "device/read_data_thread.h"
#include "protocol/pedometer_protocol.h"
#include "platform/prompts.h"
#include "platform/write_stop.h"

#include <chrono>

namespace {

constexpr int WriteTimeoutMs = 5000;
constexpr int HandshakeWaitBase = 1000;
constexpr int ReadRequestWaitBase = 500;
constexpr long long ChecksPerWaitUnit = 64000;

// The protocol's "no answer at all": the byte still holds the 0xFF written before the request.
bool Unanswered(const InputReportBuffer::WaitResult& w, int byteA, int byteB)
{
    return !w.any || w.report[byteA] == 0xFF || w.report[byteB] == 0xFF;
}

// Messages raised during an exchange wait until the exchange has released its lock: a worker's
// message is shown by the GUI thread, which may itself be waiting for that lock.
struct DeferredMessage {
    QString caption;
    QString text;
    int flags;
};
thread_local std::vector<DeferredMessage>* t_deferred = nullptr;

class DeferMessages {
public:
    explicit DeferMessages(std::vector<DeferredMessage>& sink) : previous_(t_deferred) { t_deferred = &sink; }
    ~DeferMessages() { t_deferred = previous_; }

private:
    std::vector<DeferredMessage>* previous_;
};

// Shows what an exchange deferred. An automatic repetition tells only the first message of a failing
// streak; a user's exchange tells all of its own, and after that the streak counts as told. A success
// ends the streak.
void TellExchangeEnd(Prompts& prompts, std::atomic<bool>& failureTold, ExchangeStart start, bool succeeded,
                     const std::vector<DeferredMessage>& messages)
{
    if (start == ExchangeStart::Automatic) {
        if (!messages.empty() && !failureTold.exchange(true))
            prompts.showMessage(messages.front().caption, messages.front().text, messages.front().flags);
    } else {
        for (const DeferredMessage& m : messages)
            prompts.showMessage(m.caption, m.text, m.flags);
        if (!messages.empty())
            failureTold = true;
    }
    if (succeeded)
        failureTold = false;
}

} // namespace

DeviceLink::DeviceLink(HidBus& bus, Prompts& prompts, const TSoftInfo& catalog, QObject* parent)
    : QObject(parent), bus_(bus), prompts_(prompts), catalog_(catalog), clock_([] { return QTime::currentTime(); })
{
}

DeviceLink::~DeviceLink()
{
    UnregisterDeviceChanges();
    StopReader();
    std::lock_guard<std::mutex> lock(stateMutex_);
    dropHandlesLocked();
    flushRetiredLocked(true);
}

bool DeviceLink::FindPedometer()
{
    std::lock_guard<std::mutex> discovery(discoveryMutex_);
    const std::vector<HidInterfaceInfo> interfaces = bus_.enumerateMatching(PedometerVendorId, PedometerProductId);
    const HidInterfaceInfo* found = interfaces.empty() ? nullptr : &interfaces.front();

    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        flushRetiredLocked(false);
        if (!found) {
            // Connected keeps its value: only a removal notification ends the connection.
            dropHandlesLocked();
            openProblem_ = HidOpenError::None;
            openProblemShown_ = false;
            return false;
        }
        // Reopening a handle the reader is using races it; keep handles that still work.
        if (found->path == devicePath_ && readHandle_ && writeHandle_ && !handlesBroken_) {
            connected_ = true;
            return true;
        }
        dropHandlesLocked();
    }

    // Opening happens outside the state lock so the reader is never held up by it.
    HidOpenError readError = HidOpenError::None;
    HidOpenError writeError = HidOpenError::None;
    std::shared_ptr<HidHandle> readHandle(bus_.open(found->path, &readError));
    std::shared_ptr<HidHandle> writeHandle;
    if (readHandle)
        writeHandle = bus_.open(found->path, &writeError);

    std::lock_guard<std::mutex> lock(stateMutex_);
    devicePath_ = found->path;
    handlesBroken_ = false;
    if (readHandle && writeHandle) {
        readHandle_ = std::move(readHandle);
        writeHandle_ = std::move(writeHandle);
        connected_ = true;
        everConnected_ = true;
        openProblem_ = HidOpenError::None;
        openProblemShown_ = false;
    } else {
        // Present but unusable: not a working pedometer whose writes would vanish. A lone read handle
        // was never shared, so it closes here.
        connected_ = false;
        openProblem_ = readHandle ? writeError : readError;
        if (openProblem_ == HidOpenError::None)
            openProblem_ = HidOpenError::Failed;
    }
    return true;
}

void DeviceLink::ConnectPedometer()
{
    if (!FindPedometer())
        return;
    bool showProblem = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (openProblem_ == HidOpenError::PermissionDenied && !openProblemShown_) {
            openProblemShown_ = true;
            showProblem = true;
        }
    }
    if (showProblem)
        prompts_.showMessage(catalog_.SoftName[0], OpenProblemText(), PromptFlags::Stop);
}

bool DeviceLink::RegisterForDeviceChanges(HidChangeMonitor& monitor)
{
    UnregisterDeviceChanges();
    monitor_ = &monitor;
    connect(&monitor, &HidChangeMonitor::interfaceArrived, this,
            [this] { HandleDeviceChange(DeviceChange::Arrival); });
    connect(&monitor, &HidChangeMonitor::interfaceRemoved, this,
            [this] { HandleDeviceChange(DeviceChange::Removal); });
    connect(&monitor, &QObject::destroyed, this, [this] { monitor_ = nullptr; });
    return monitor.start();
}

void DeviceLink::UnregisterDeviceChanges()
{
    if (monitor_) {
        disconnect(monitor_, nullptr, this, nullptr);
        monitor_ = nullptr;
    }
}

void DeviceLink::HandleDeviceChange(DeviceChange change)
{
    if (change == DeviceChange::Arrival) {
        if (!Connected())
            ConnectPedometer();
        return;
    }
    if (FindPedometer())
        return;
    bool wasConnected = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        // Also when a failed reopen had already cleared Connected: the program still has to end.
        wasConnected = everConnected_;
        everConnected_ = false;
        connected_ = false;
    }
    StopReader();
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        dropHandlesLocked();
        flushRetiredLocked(false);
    }
    if (wasConnected)
        emit pedometerRemoved();
}

bool DeviceLink::Connected() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return connected_;
}

QString DeviceLink::DevicePath() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return devicePath_;
}

HidOpenError DeviceLink::OpenProblem() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return openProblem_;
}

QString DeviceLink::OpenProblemText() const
{
    switch (OpenProblem()) {
    case HidOpenError::None:
        return QString();
    case HidOpenError::PermissionDenied:
        return QStringLiteral("The pedometer is connected, but this user may not open it (permission denied).\n"
                              "Install the udev rule %1 into /etc/udev/rules.d/, run "
                              "\"sudo udevadm control --reload-rules && sudo udevadm trigger\", "
                              "then unplug the pedometer and plug it in again.")
            .arg(QString::fromLatin1(PedometerUdevRuleFile));
    case HidOpenError::NotFound:
    case HidOpenError::Failed:
        break;
    }
    return QStringLiteral("The pedometer is connected, but it cannot be opened. Unplug it and plug it in again.");
}

void DeviceLink::StartReader()
{
    std::lock_guard<std::mutex> lock(readerMutex_);
    // A running reader already takes every report; one still finishing its last read after the
    // previous exchange is taken back. Two readers never share the read handle.
    if (reader_)
        return;
    if (stopping_) {
        if (stopping_->revive()) {
            reader_ = std::move(stopping_);
            return;
        }
        stopping_->stopAndWait();
        stopping_.reset();
    }
    reader_ = std::make_unique<CReadDataThread>([this] { return currentReadHandle(); },
                                                [this](const HidHandle* h) { markHandleBroken(h); }, input_);
    reader_->start();
}

void DeviceLink::StopReader()
{
    {
        std::lock_guard<std::mutex> lock(readerMutex_);
        if (!reader_ && !stopping_)
            return;
        if (reader_)
            reader_->requestStop();
        if (stopping_) {
            stopping_->stopAndWait();
            stopping_.reset();
        }
        if (reader_) {
            reader_->stopAndWait();
            reader_.reset();
        }
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    flushRetiredLocked(false);
}

void DeviceLink::finishReader()
{
    std::lock_guard<std::mutex> lock(readerMutex_);
    if (!reader_)
        return;
    reader_->requestStop();
    if (stopping_)
        stopping_->stopAndWait();
    stopping_ = std::move(reader_);
}

bool DeviceLink::ReaderRunning() const
{
    std::lock_guard<std::mutex> lock(readerMutex_);
    return reader_ != nullptr;
}

bool DeviceLink::WriteReport(const Report& report)
{
    std::lock_guard<std::mutex> writing(writeMutex_);
    if (cancelled_ || !FindPedometer())
        return false;
    std::shared_ptr<HidHandle> handle;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        handle = writeHandle_;
    }
    if (!handle)
        return false;

    Report out = report;
    out[0] = 0;
    const HidWriteResult result = handle->write(out, static_cast<int>(WriteTimeoutMs * waitScale_.load()));
    const QString caption = catalog_.applicationTitle();
    switch (result) {
    case HidWriteResult::Written:
        return true;
    case HidWriteResult::FailedAtOnce:
        markHandleBroken(handle.get());
        // A pedometer unplugged during the write is the removal's business, not an error to show.
        if (pedometerPresent())
            showInfo(6, caption, PromptFlags::Plain);
        return false;
    case HidWriteResult::CompletedWithError:
        showInfo(7, caption, PromptFlags::Plain);
        return false;
    case HidWriteResult::TimedOut:
        showInfo(8, caption, PromptFlags::Plain);
        return false;
    }
    showInfo(9, caption, PromptFlags::Plain);
    return false;
}

Report DeviceLink::InputReport() const
{
    return input_.latest();
}

DownloadResult DeviceLink::DownloadDeviceData(ExchangeStart start)
{
    std::vector<DeferredMessage> messages;
    DownloadResult result;
    {
        std::lock_guard<std::mutex> exclusive(exchangeMutex_);
        DeferMessages defer(messages);
        result = downloadLocked();
        result.Sequence = ++downloads_;
    }
    if (!cancelled_)
        TellExchangeEnd(prompts_, failureTold_, start, result.Complete, messages);
    return result;
}

DownloadResult DeviceLink::downloadLocked()
{
    DownloadResult result;
    if (!Connected())
        return result;
    StartReader();

    const auto handshake = exchange(HandshakeRequest(), HandshakeWaitBase, [](const Report& r) {
        return IsAnswer(r, HandshakeTag) && IsReadyStatus(r[6]);
    });
    // A busy status lets the wait run out but still counts as an answer: the memory is read anyway.
    if (Unanswered(handshake, 8, 6))
        return result;

    for (int s = 1; s <= ReadRequestCount; ++s) {
        const auto seq = static_cast<uint8_t>(s);
        const auto w = exchange(ReadRequest(s), ReadRequestWaitBase, [seq](const Report& r) { return IsAnswer(r, seq); });
        if (!w.matched)
            return result;
        TakeReadAnswer(w.report, ReadRequestAddress(s), result.Block);
    }
    result.Metric = (result.Block[1] & 0x01) != 0;
    result.Complete = true;
    finishReader();
    return result;
}

bool DeviceLink::SendProfileAndClock(bool metric, uint16_t steplength, uint16_t weight, uint32_t targetSteps)
{
    std::vector<DeferredMessage> messages;
    bool sent = false;
    {
        std::lock_guard<std::mutex> exclusive(exchangeMutex_);
        DeferMessages defer(messages);
        sent = sendProfileLocked(metric, steplength, weight, targetSteps);
    }
    if (!cancelled_)
        TellExchangeEnd(prompts_, failureTold_, ExchangeStart::ByUser, sent, messages);
    return sent;
}

bool DeviceLink::sendProfileLocked(bool metric, uint16_t steplength, uint16_t weight, uint32_t targetSteps)
{
    if (!Connected())
        return false;
    StartReader();

    const auto fail = [this] {
        showInfo(10, catalog_.SoftName[0], PromptFlags::Plain);
        return false;
    };
    const auto acknowledged = [](const Report& r) { return IsAnswer(r, SetAddressTag); };

    const auto status = exchange(StatusRequest(), HandshakeWaitBase, [](const Report& r) {
        return IsAnswer(r, StatusTag) && (r[6] == StatusBusy || r[6] == StatusReadyAlt);
    });
    if (Unanswered(status, 8, 6))
        return fail();

    // Read only now: waiting for the exchange lock can take a whole attempt of the loading worker.
    const QTime clock = clock_();
    const auto block = BuildProfileBlock(metric, steplength, weight, targetSteps, clock.hour(), clock.minute());
    // Two six-byte writes cover addresses 1-6 and 4-9; d0 goes to the set address and travels in byte 6.
    const struct {
        uint8_t address;
        int first;
    } parts[] = {{1, 0}, {4, 3}};
    for (const auto& part : parts) {
        const auto setAddress =
            exchange(SetAddressRequest(part.address), HandshakeWaitBase, acknowledged);
        if (Unanswered(setAddress, 8, 7))
            return fail();
        const uint8_t* d = block.data() + part.first;
        StopPointBeforeWrite();
        const auto written = exchange(DataWriteRequest(d), HandshakeWaitBase, acknowledged);
        if (Unanswered(written, 8, 7))
            return fail();
    }
    finishReader();
    return true;
}

void DeviceLink::setWaitScale(double scale)
{
    waitScale_.store(scale);
}

void DeviceLink::setClock(std::function<QTime()> clock)
{
    clock_ = std::move(clock);
}

void DeviceLink::CancelExchanges()
{
    cancelled_ = true;
    input_.cancelWaits();
}

InputReportBuffer::WaitResult DeviceLink::exchange(const Report& request, int baseMs,
                                                   const std::function<bool(const Report&)>& accept)
{
    if (cancelled_)
        return {};
    const uint64_t mark = input_.arm();
    WriteReport(request);
    const auto timeout = std::chrono::duration<double, std::milli>(baseMs * waitScale_.load());
    return input_.waitFor(mark, std::chrono::duration_cast<std::chrono::nanoseconds>(timeout),
                          ChecksPerWaitUnit * baseMs, accept);
}

void DeviceLink::showInfo(int index, const QString& caption, int flags)
{
    const QString& text = catalog_.Info[static_cast<size_t>(index)];
    if (t_deferred)
        t_deferred->push_back({caption, text, flags});
    else
        prompts_.showMessage(caption, text, flags);
}

void DeviceLink::dropHandlesLocked()
{
    if (readHandle_)
        retired_.push_back(std::move(readHandle_));
    if (writeHandle_)
        retired_.push_back(std::move(writeHandle_));
    readHandle_.reset();
    writeHandle_.reset();
}

void DeviceLink::flushRetiredLocked(bool force)
{
    // A handle nobody else holds is closed here, on a control thread; one still in a read or a write
    // waits for a later flush.
    std::vector<std::shared_ptr<HidHandle>> keep;
    for (auto& handle : retired_) {
        if (handle && !force && handle.use_count() > 1)
            keep.push_back(std::move(handle));
    }
    retired_.swap(keep);
}

bool DeviceLink::pedometerPresent()
{
    return !bus_.enumerateMatching(PedometerVendorId, PedometerProductId).empty();
}

std::shared_ptr<HidHandle> DeviceLink::currentReadHandle()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return connected_ ? readHandle_ : nullptr;
}

void DeviceLink::markHandleBroken(const HidHandle* handle)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (handle && (handle == readHandle_.get() || handle == writeHandle_.get()))
        handlesBroken_ = true;
}

#include "emulator/emulated_hid_bus.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// The reports waiting for one open handle, each with the time it becomes readable.
struct HandleQueue {
    std::deque<std::pair<Clock::time_point, QByteArray>> items;
    bool dead = false;
};

struct Device {
    HidInterfaceInfo info;
    std::shared_ptr<PedometerModel> model;
    bool present = true;
    bool refuseOpen = false;
    HidOpenError refusal = HidOpenError::Failed;
    bool returnPending = false;
    Clock::time_point returnAt;
    std::vector<std::shared_ptr<HandleQueue>> handles;
    EmulatedHidBus::ReplyFilter replyFilter;
};

} // namespace

struct EmulatedHidBus::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Device> devices;
    ReportLog* log = nullptr;
    int nextNumber = 1;
    QString pedometerPath;

    Device* find(const QString& path)
    {
        const QString& wanted = path.isEmpty() ? pedometerPath : path;
        for (auto& d : devices)
            if (d.info.path == wanted)
                return &d;
        return nullptr;
    }

    // A vanished device comes back when its time has come; nothing runs in the background for it.
    void refresh()
    {
        const auto now = Clock::now();
        for (auto& d : devices) {
            if (!d.present && d.returnPending && now >= d.returnAt) {
                d.present = true;
                d.returnPending = false;
                if (log)
                    log->event(QStringLiteral("returned ") + d.info.path);
            }
        }
    }

    void killHandles(Device& d)
    {
        for (auto& h : d.handles) {
            h->dead = true;
            h->items.clear();
        }
        d.handles.clear();
        changed.notify_all();
    }

    void remove(Device& d, int returnAfterMs)
    {
        d.present = false;
        d.returnPending = returnAfterMs >= 0;
        d.returnAt = Clock::now() + std::chrono::milliseconds(std::max(0, returnAfterMs));
        killHandles(d);
        if (log)
            log->event(QStringLiteral("vanished ") + d.info.path);
    }

    void deliver(Device& d, const QByteArray& message, Clock::time_point due)
    {
        for (auto& h : d.handles)
            h->items.emplace_back(due, message);
        if (log)
            log->sent(message);
        changed.notify_all();
    }
};

namespace {

class EmulatedHandle : public HidHandle {
public:
    EmulatedHandle(std::shared_ptr<EmulatedHidBus::State> state, QString path, std::shared_ptr<HandleQueue> queue)
        : state_(std::move(state))
        , path_(std::move(path))
        , queue_(std::move(queue))
    {
    }

    ~EmulatedHandle() override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (Device* d = state_->find(path_)) {
            auto& hs = d->handles;
            hs.erase(std::remove(hs.begin(), hs.end(), queue_), hs.end());
        }
    }

    int read(Report& report, int timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
        for (;;) {
            if (queue_->dead)
                return -1;
            const auto now = Clock::now();
            auto& items = queue_->items;
            if (!items.empty() && items.front().first <= now) {
                const QByteArray message = items.front().second;
                items.pop_front();
                if (message.size() != ReportSize)
                    continue;
                std::copy(message.begin(), message.end(), report.begin());
                return 1;
            }
            if (now >= deadline)
                return 0;
            auto wake = deadline;
            if (!items.empty())
                wake = std::min(wake, items.front().first);
            state_->changed.wait_until(lock, wake);
        }
    }

    HidWriteResult write(const Report& report, int timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        Device* d = queue_->dead ? nullptr : state_->find(path_);
        if (!d || !d->present)
            return HidWriteResult::FailedAtOnce;
        const PedometerFaults faults = d->model ? d->model->faults() : PedometerFaults();
        if (faults.deaf) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
            const bool gone = state_->changed.wait_until(lock, deadline, [this] { return queue_->dead; });
            return gone ? HidWriteResult::CompletedWithError : HidWriteResult::TimedOut;
        }
        if (state_->log)
            state_->log->received(report);
        if (!d->model)
            return HidWriteResult::Written;
        const PedometerReply reply = d->model->handleOutputReport(report);
        const std::vector<QByteArray> messages = d->replyFilter ? d->replyFilter(report, reply.messages) : reply.messages;
        const auto due = Clock::now() + std::chrono::milliseconds(std::max(0, faults.latencyMs));
        for (const QByteArray& message : messages)
            state_->deliver(*d, message, due);
        if (reply.vanish)
            state_->remove(*d, faults.returnAfterMs);
        return HidWriteResult::Written;
    }

private:
    std::shared_ptr<EmulatedHidBus::State> state_;
    QString path_;
    std::shared_ptr<HandleQueue> queue_;
};

} // namespace

EmulatedHidBus::EmulatedHidBus(std::shared_ptr<PedometerModel> model, ReportLog* log)
    : state_(std::make_shared<State>())
{
    state_->log = log;
    state_->pedometerPath = addDevice(0x0C45, 0x70C1, model ? std::move(model) : std::make_shared<PedometerModel>());
}

EmulatedHidBus::~EmulatedHidBus()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (auto& d : state_->devices) {
        d.present = false;
        d.returnPending = false;
        state_->killHandles(d);
    }
    state_->log = nullptr;
}

std::vector<HidInterfaceInfo> EmulatedHidBus::enumerate()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->refresh();
    std::vector<HidInterfaceInfo> result;
    for (const auto& d : state_->devices)
        if (d.present)
            result.push_back(d.info);
    std::sort(result.begin(), result.end(),
              [](const HidInterfaceInfo& a, const HidInterfaceInfo& b) { return a.path < b.path; });
    return result;
}

std::unique_ptr<HidHandle> EmulatedHidBus::open(const QString& path, HidOpenError* error)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->refresh();
    Device* d = path.isEmpty() ? nullptr : state_->find(path);
    if (!d || !d->present || d->refuseOpen) {
        if (error)
            *error = (d && d->present) ? d->refusal : HidOpenError::NotFound;
        return nullptr;
    }
    auto queue = std::make_shared<HandleQueue>();
    d->handles.push_back(queue);
    if (error)
        *error = HidOpenError::None;
    return std::make_unique<EmulatedHandle>(state_, d->info.path, queue);
}

std::shared_ptr<PedometerModel> EmulatedHidBus::model() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->find(QString())->model;
}

QString EmulatedHidBus::pedometerPath() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->pedometerPath;
}

QString EmulatedHidBus::addDevice(uint16_t vendorId, uint16_t productId, std::shared_ptr<PedometerModel> model)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    Device d;
    d.info.vendorId = vendorId;
    d.info.productId = productId;
    d.info.path = QStringLiteral("emu/%1-%2-%3")
                      .arg(vendorId, 4, 16, QLatin1Char('0'))
                      .arg(productId, 4, 16, QLatin1Char('0'))
                      .arg(state_->nextNumber++, 2, 10, QLatin1Char('0'));
    d.model = std::move(model);
    state_->devices.push_back(d);
    return d.info.path;
}

void EmulatedHidBus::unplug(const QString& path)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (Device* d = state_->find(path); d && d->present)
        state_->remove(*d, -1);
}

void EmulatedHidBus::plugIn(const QString& path)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (Device* d = state_->find(path); d && !d->present) {
        d->present = true;
        d->returnPending = false;
        if (state_->log)
            state_->log->event(QStringLiteral("returned ") + d->info.path);
    }
}

bool EmulatedHidBus::isPresent(const QString& path) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->refresh();
    const Device* d = state_->find(path);
    return d && d->present;
}

int EmulatedHidBus::openHandleCount(const QString& path) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Device* d = state_->find(path);
    return d && d->present ? int(d->handles.size()) : 0;
}

void EmulatedHidBus::setRefuseOpen(bool refuse, const QString& path, HidOpenError why)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (Device* d = state_->find(path)) {
        d->refuseOpen = refuse;
        d->refusal = why;
    }
}

void EmulatedHidBus::sendInputReport(const Report& report, const QString& path)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    Device* d = state_->find(path);
    if (d && d->present)
        state_->deliver(*d, QByteArray(reinterpret_cast<const char*>(report.data()), ReportSize), Clock::now());
}

void EmulatedHidBus::setReplyFilter(ReplyFilter filter, const QString& path)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (Device* d = state_->find(path))
        d->replyFilter = std::move(filter);
}

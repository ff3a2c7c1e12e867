#include "device/sim_bus.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

class SimHandle : public HidHandle {
public:
    explicit SimHandle(int fd) : fd_(fd) {}
    ~SimHandle() override { ::close(fd_); }

    int read(Report& report, int timeoutMs) override
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, RemainingMs(deadline));
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                return -1;
            }
            if (ready == 0)
                return 0;
            if ((p.revents & POLLIN) == 0)
                return -1; // hang-up or error without data: the device is gone
            // One byte more than a report, so a longer message shows as longer rather than cut to fit.
            uint8_t buffer[ReportSize + 1];
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    continue;
                return -1;
            }
            if (got == 0)
                return -1; // orderly close by the device
            if (got == ReportSize) {
                std::copy(buffer, buffer + ReportSize, report.begin());
                return 1;
            }
            // Not a report: ignored, keep waiting within the same limit.
            if (RemainingMs(deadline) == 0)
                return 0;
        }
    }

    HidWriteResult write(const Report& report, int timeoutMs) override
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        bool first = true;
        for (;;) {
            const ssize_t sent = ::send(fd_, report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (sent == static_cast<ssize_t>(report.size()))
                return HidWriteResult::Written;
            if (sent >= 0)
                return HidWriteResult::CompletedWithError;
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return first ? HidWriteResult::FailedAtOnce : HidWriteResult::CompletedWithError;
            first = false;
            const int left = RemainingMs(deadline);
            if (left == 0)
                return HidWriteResult::TimedOut;
            pollfd p{fd_, POLLOUT, 0};
            const int ready = ::poll(&p, 1, left);
            if (ready == 0)
                return HidWriteResult::TimedOut;
            if (ready > 0 && (p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT))
                return HidWriteResult::CompletedWithError;
        }
    }

private:
    int fd_;
};

} // namespace

SimHidBus::SimHidBus(const QString& directory) : directory_(directory) {}

bool SimHidBus::ParseDeviceName(const QString& fileName, uint16_t* vendorId, uint16_t* productId)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9a-f]{4})-([0-9a-f]{4})-[A-Za-z0-9_]{1,32}\\.hid$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return false;
    if (vendorId)
        *vendorId = static_cast<uint16_t>(match.captured(1).toUInt(nullptr, 16));
    if (productId)
        *productId = static_cast<uint16_t>(match.captured(2).toUInt(nullptr, 16));
    return true;
}

std::vector<HidInterfaceInfo> SimHidBus::enumerate()
{
    std::vector<std::pair<QByteArray, HidInterfaceInfo>> found;
    const QDir dir(directory_);
    const QStringList names = dir.entryList(QDir::System | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                            QDir::Unsorted);
    for (const QString& name : names) {
        HidInterfaceInfo info;
        if (!ParseDeviceName(name, &info.vendorId, &info.productId))
            continue;
        info.path = dir.filePath(name);
        found.emplace_back(name.toUtf8(), info);
    }
    // Byte order of the names, not the locale's collation.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<HidInterfaceInfo> result;
    result.reserve(found.size());
    for (auto& entry : found)
        result.push_back(std::move(entry.second));
    return result;
}

std::unique_ptr<HidHandle> SimHidBus::open(const QString& path, HidOpenError* error)
{
    const auto fail = [error](HidOpenError why) -> std::unique_ptr<HidHandle> {
        if (error)
            *error = why;
        return nullptr;
    };
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.size() >= static_cast<int>(sizeof address.sun_path))
        return fail(HidOpenError::Failed);
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));

    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(HidOpenError::Failed);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        const int why = errno;
        ::close(fd);
        if (why == ENOENT)
            return fail(HidOpenError::NotFound);
        if (why == EACCES || why == EPERM)
            return fail(HidOpenError::PermissionDenied);
        return fail(HidOpenError::Failed);
    }
    // Reports go out one at a time, each awaiting its answer, so a few in flight suffice. A small
    // buffer makes a device that stops reading run out the write limit, as on hidraw, instead of
    // swallowing hundreds of reports.
    const int sendBuffer = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    if (error)
        *error = HidOpenError::None;
    return std::make_unique<SimHandle>(fd);
}

#include "device/hidapi_bus.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <hidapi/hidapi.h>
#include <unistd.h>

namespace {

class HidapiHandle : public HidHandle {
public:
    explicit HidapiHandle(hid_device* device) : device_(device) {}
    ~HidapiHandle() override { hid_close(device_); }

    int read(Report& report, int timeoutMs) override
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            unsigned char buffer[64];
            const int got = hid_read_timeout(device_, buffer, sizeof buffer, static_cast<int>(std::max<long long>(left, 0)));
            if (got < 0)
                return -1;
            if (got == 0)
                return 0;
            if (got == ReportSize - 1) {
                // Unnumbered reports arrive without the id byte.
                report[0] = 0;
                std::copy(buffer, buffer + got, report.begin() + 1);
                return 1;
            }
            if (got == ReportSize) {
                std::copy(buffer, buffer + got, report.begin());
                return 1;
            }
            if (left <= 0)
                return 0;
        }
    }

    HidWriteResult write(const Report& report, int /*timeoutMs: bounded by the kernel*/) override
    {
        Report out = report;
        out[0] = 0;
        errno = 0;
        const int written = hid_write(device_, out.data(), out.size());
        if (written == static_cast<int>(out.size()))
            return HidWriteResult::Written;
        if (written >= 0)
            return HidWriteResult::CompletedWithError;
        switch (errno) {
        case ETIMEDOUT:
            return HidWriteResult::TimedOut;
        case ENODEV:
        case ENXIO:
        case EBADF:
        case ESHUTDOWN:
            return HidWriteResult::FailedAtOnce;
        default:
            return HidWriteResult::CompletedWithError;
        }
    }

private:
    hid_device* device_;
};

} // namespace

HidapiBus::HidapiBus()
{
    hid_init();
}

HidapiBus::~HidapiBus()
{
    hid_exit();
}

std::vector<HidInterfaceInfo> HidapiBus::enumerate()
{
    return List(0, 0);
}

std::vector<HidInterfaceInfo> HidapiBus::enumerateMatching(uint16_t vendorId, uint16_t productId)
{
    // 0 is hidapi's wildcard; no real interface has it, so it matches nothing here.
    if (vendorId == 0 || productId == 0)
        return {};
    return List(vendorId, productId);
}

std::vector<HidInterfaceInfo> HidapiBus::List(uint16_t vendorId, uint16_t productId)
{
    std::vector<HidInterfaceInfo> result;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (hid_device_info* info = list; info; info = info->next) {
        HidInterfaceInfo entry;
        entry.path = QString::fromLocal8Bit(info->path);
        entry.vendorId = info->vendor_id;
        entry.productId = info->product_id;
        result.push_back(entry);
    }
    hid_free_enumeration(list);
    std::sort(result.begin(), result.end(),
              [](const HidInterfaceInfo& a, const HidInterfaceInfo& b) { return a.path.toLocal8Bit() < b.path.toLocal8Bit(); });
    return result;
}

std::unique_ptr<HidHandle> HidapiBus::open(const QString& path, HidOpenError* error)
{
    const QByteArray native = QFile::encodeName(path);
    hid_device* device = hid_open_path(native.constData());
    if (!device) {
        // hidapi does not say why; ask the node itself.
        HidOpenError why = HidOpenError::Failed;
        if (::access(native.constData(), F_OK) != 0)
            why = HidOpenError::NotFound;
        else if (::access(native.constData(), R_OK | W_OK) != 0 && errno == EACCES)
            why = HidOpenError::PermissionDenied;
        if (error)
            *error = why;
        return nullptr;
    }
    if (error)
        *error = HidOpenError::None;
    return std::make_unique<HidapiHandle>(device);
}

#include "device/udev_monitor.h"

#include <QSocketNotifier>

#include <cstring>

#include <libudev.h>

UdevMonitor::UdevMonitor(QObject* parent) : HidChangeMonitor(parent)
{
    udev_ = udev_new();
    if (!udev_)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

UdevMonitor::~UdevMonitor()
{
    delete notifier_;
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

bool UdevMonitor::start()
{
    if (!monitor_)
        return false;
    if (!notifier_) {
        notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { receive(); });
    }
    return true;
}

void UdevMonitor::receive()
{
    // The socket is non-blocking: drain what is queued.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        const bool added = action && std::strcmp(action, "add") == 0;
        const bool removed = action && std::strcmp(action, "remove") == 0;
        udev_device_unref(device);
        if (added)
            emit interfaceArrived();
        else if (removed)
            emit interfaceRemoved();
    }
}

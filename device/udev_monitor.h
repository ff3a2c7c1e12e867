#pragma once

#include "device/hid_bus.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

// Arrival and removal of hidraw nodes from udev. The monitor is bound when constructed, so create it
// before the first enumeration: a pedometer plugged in between the two is not missed. start() watches
// it from the event loop of the thread that calls it (the GUI thread).
class UdevMonitor : public HidChangeMonitor {
    Q_OBJECT
public:
    explicit UdevMonitor(QObject* parent = nullptr);
    ~UdevMonitor() override;

    // False when udev cannot be reached.
    bool start() override;

private:
    void receive();

    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

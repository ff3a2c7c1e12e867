#pragma once

#include "device/hid_bus.h"

#include <QString>

#include <memory>

// The bus and change monitor the program runs on, chosen by KINETRAX_HID_BUS: set and not empty, the
// simulated bus in that directory alone; otherwise the system's HID devices alone (hidapi and udev).
struct HidPlatform {
    std::unique_ptr<HidBus> bus;
    std::unique_ptr<HidChangeMonitor> monitor;   // created before any enumeration
    bool simulated = false;
};

HidPlatform CreateHidPlatform(const QString& simulatedBusDirectory);
HidPlatform CreateHidPlatformFromEnvironment();

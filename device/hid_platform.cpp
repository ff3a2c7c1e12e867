#include "device/hid_platform.h"

#include "device/dir_watch_monitor.h"
#include "device/hidapi_bus.h"
#include "device/sim_bus.h"
#include "device/udev_monitor.h"

#include <QtGlobal>

HidPlatform CreateHidPlatform(const QString& simulatedBusDirectory)
{
    HidPlatform platform;
    if (!simulatedBusDirectory.isEmpty()) {
        platform.simulated = true;
        platform.monitor = std::make_unique<DirWatchMonitor>(simulatedBusDirectory);
        platform.bus = std::make_unique<SimHidBus>(simulatedBusDirectory);
    } else {
        platform.monitor = std::make_unique<UdevMonitor>();
        platform.bus = std::make_unique<HidapiBus>();
    }
    return platform;
}

HidPlatform CreateHidPlatformFromEnvironment()
{
    return CreateHidPlatform(qEnvironmentVariable("KINETRAX_HID_BUS"));
}

#pragma once

#include "device/hid_bus.h"

// The system's HID interfaces through hidapi on hidraw. Interfaces enumerate sorted by path. A
// pedometer without numbered reports reads 8 data bytes without the report id; they become report
// bytes 1-8. Writes send 9 bytes with byte 0 = 0; the kernel bounds them in time (a USB control
// transfer gives up after 5 s), so a write cannot be cancelled earlier.
class HidapiBus : public HidBus {
public:
    HidapiBus();
    ~HidapiBus() override;

    std::vector<HidInterfaceInfo> enumerate() override;
    // hidapi skips reading the descriptors of other devices.
    std::vector<HidInterfaceInfo> enumerateMatching(uint16_t vendorId, uint16_t productId) override;
    std::unique_ptr<HidHandle> open(const QString& path, HidOpenError* error = nullptr) override;

private:
    static std::vector<HidInterfaceInfo> List(uint16_t vendorId, uint16_t productId);
};

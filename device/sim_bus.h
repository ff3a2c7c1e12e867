#pragma once

#include "device/hid_bus.h"

#include <QString>

// The simulated HID bus: a directory of SOCK_SEQPACKET Unix sockets named <vvvv>-<pppp>-<tag>.hid,
// one per interface, enumerated in ascending byte order of their names. Each open handle is one
// connection; each message is one 9-byte report; messages of other lengths are skipped.
class SimHidBus : public HidBus {
public:
    explicit SimHidBus(const QString& directory);

    std::vector<HidInterfaceInfo> enumerate() override;
    // Fails with NotFound when the socket file is missing, PermissionDenied when access is refused,
    // Failed when the device refuses the connection.
    std::unique_ptr<HidHandle> open(const QString& path, HidOpenError* error = nullptr) override;

    QString directory() const { return directory_; }

    // True for a name of the form <vvvv>-<pppp>-<tag>.hid; fills the ids when given.
    static bool ParseDeviceName(const QString& fileName, uint16_t* vendorId = nullptr,
                                uint16_t* productId = nullptr);

private:
    QString directory_;
};

#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of the test's own, started in the constructor and stopped in the destructor. Its
// configuration activates no services, so a notification service is there only when a test puts one.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when the daemon did not start; error() says why.
    QString address() const { return address_; }
    QString error() const { return error_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString error_;
};

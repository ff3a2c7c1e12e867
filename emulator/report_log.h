#pragma once

#include "device/hid_bus.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QStringList>

#include <cstdio>

// One line per report the emulated pedometer received or sent, and per event (connect, vanish …):
//   "   12.345 recv 00 00 00 00 00 00 00 C8 02"   output report taken by the device
//   "   12.346 send 00 00 00 00 00 00 F4 C8 12"   input report sent by the device
//   "   12.346 send 5 bytes: 01 02 03 04 05"      a message that is not a report
//   "   13.000 event vanished"
// The number is seconds since the log was made. Thread-safe; lines go to a stdio stream when given
// (flushed per line, so a crash loses nothing) and the last 10000 are kept in memory for tests.
class ReportLog {
public:
    explicit ReportLog(FILE* stream = nullptr);

    void received(const Report& report);
    void sent(const QByteArray& message);
    void event(const QString& text);

    QStringList lines() const;

    static QString hexBytes(const QByteArray& bytes);

private:
    void add(const QString& text);

    mutable QMutex mutex_;
    QElapsedTimer clock_;
    FILE* stream_;
    QStringList lines_;
};

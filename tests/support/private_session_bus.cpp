#include "tests/support/private_session_bus.h"

#include <QFile>

PrivateSessionBus::PrivateSessionBus()
{
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary directory");
        return;
    }
    const QString config = dir_.filePath(QStringLiteral("session.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = file.errorString();
        return;
    }
    file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:dir=" + dir_.path().toUtf8() + "</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n");
    file.close();
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000)) {
        error_ = QStringLiteral("dbus-daemon: ") + daemon_.errorString();
        return;
    }
    while (!daemon_.canReadLine() && daemon_.state() == QProcess::Running)
        daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (address_.isEmpty())
        error_ = QStringLiteral("dbus-daemon printed no address: ") + QString::fromUtf8(daemon_.readAllStandardError());
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) {
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }
}

#include "emulator/report_log.h"

#include <QMutexLocker>

ReportLog::ReportLog(FILE* stream)
    : stream_(stream)
{
    clock_.start();
}

QString ReportLog::hexBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

void ReportLog::received(const Report& report)
{
    add(QStringLiteral("recv ") + hexBytes(QByteArray(reinterpret_cast<const char*>(report.data()), ReportSize)));
}

void ReportLog::sent(const QByteArray& message)
{
    if (message.size() == ReportSize)
        add(QStringLiteral("send ") + hexBytes(message));
    else
        add(QStringLiteral("send %1 bytes: %2").arg(message.size()).arg(hexBytes(message)));
}

void ReportLog::event(const QString& text)
{
    add(QStringLiteral("event ") + text);
}

QStringList ReportLog::lines() const
{
    QMutexLocker lock(&mutex_);
    // Element by element, so the copy shares no list storage with the log: Qt's implicit sharing across
    // threads is sound, but its reference counts live in uninstrumented Qt code, where ThreadSanitizer
    // cannot see them.
    QStringList copy;
    copy.reserve(lines_.size());
    for (const QString& line : lines_)
        copy.append(QString(line.constData(), line.size()));
    return copy;
}

void ReportLog::add(const QString& text)
{
    QMutexLocker lock(&mutex_);
    const QString line = QStringLiteral("%1 ").arg(clock_.elapsed() / 1000.0, 9, 'f', 3) + text;
    lines_.append(line);
    // A simulator may run for days; tests need only the recent lines.
    if (lines_.size() > 10000)
        lines_.removeFirst();
    if (stream_) {
        std::fputs(line.toUtf8().constData(), stream_);
        std::fputc('\n', stream_);
        std::fflush(stream_);
    }
}

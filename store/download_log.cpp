#include "store/download_log.h"

#include "platform/atomic_file.h"

#include <QFile>

namespace {

// "yyyy-MM-ddTHH:mm:ss" + "Z" or "+HH:MM"; fractions of a second are not written and not accepted.
constexpr int MinWhenLength = 20;
constexpr int MaxWhenLength = 25;
constexpr int ImageHexLength = 2 * MemoryImageSize;
constexpr int MaxLineLength = MaxWhenLength + 1 + ImageHexLength;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool ParseWhen(const QByteArray& text, QDateTime& when)
{
    if (text.size() < MinWhenLength || text.size() > MaxWhenLength || text[10] != 'T')
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '-' || c == ':' || c == 'T' || c == 'Z' || c == '+'))
            return false;
    }
    // Without an offset the local date of the download would depend on today's time zone.
    const QByteArray zone = text.mid(19);
    if (zone != "Z" && !(zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':'))
        return false;
    when = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    return when.isValid() && when.timeSpec() != Qt::LocalTime;
}

bool ParseLine(const QByteArray& line, DownloadLogEntry& entry)
{
    if (line.size() > MaxLineLength)
        return false;
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return false;
    const QByteArray hex = line.mid(space + 1);
    if (hex.size() != ImageHexLength)
        return false;
    for (char c : hex) {
        if (!IsHexDigit(c))
            return false;
    }
    if (!ParseWhen(line.left(space), entry.When))
        return false;
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::copy(bytes.begin(), bytes.end(), entry.Image.begin());
    return true;
}

} // namespace

QString DownloadLogPath(const QString& dataDir, const QString& userName)
{
    return dataDir + userName + QStringLiteral(".downloads");
}

std::vector<DownloadLogEntry> DownloadLogFromBytes(const QByteArray& bytes)
{
    std::vector<DownloadLogEntry> entries;
    QByteArray text = bytes;
    if (text.size() > MaxDownloadLogBytes) {
        text = text.right(MaxDownloadLogBytes);
        // The first line was cut: it starts after the first line break.
        const qsizetype cut = text.indexOf('\n');
        text = cut < 0 ? QByteArray() : text.mid(cut + 1);
    }
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArray line = text.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        DownloadLogEntry entry;
        if (ParseLine(line, entry))
            entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

std::vector<DownloadLogEntry> LoadDownloadLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    if (size > MaxDownloadLogBytes)
        file.seek(size - MaxDownloadLogBytes - 1);
    // One byte before the tail, so that a line starting exactly at the tail is not taken for a cut one.
    QByteArray bytes = file.read(MaxDownloadLogBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {};
    if (size > MaxDownloadLogBytes) {
        const qsizetype cut = bytes.indexOf('\n');
        bytes = cut < 0 ? QByteArray() : bytes.mid(cut + 1);
    }
    return DownloadLogFromBytes(bytes);
}

QByteArray DownloadLogLine(const DownloadLogEntry& entry)
{
    if (!entry.When.isValid())
        return {};
    // Written with its offset, so that its local date reads back the same in any zone; an offset with
    // seconds (old local mean times) has no ISO form the reader takes, so such a moment is written in UTC.
    const int offset = entry.When.offsetFromUtc();
    const QDateTime when = entry.When.toOffsetFromUtc(offset % 60 == 0 ? offset : 0);
    if (when.date().year() < 1 || when.date().year() > 9999)
        return {};
    QByteArray line = when.toString(Qt::ISODate).toLatin1();
    line += ' ';
    line += QByteArray(reinterpret_cast<const char*>(entry.Image.data()), MemoryImageSize).toHex();
    return line;
}

bool AppendDownloadLog(const QString& path, const DownloadLogEntry& entry, QString* errorText)
{
    const QByteArray newLine = DownloadLogLine(entry);
    if (newLine.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("The download has no valid date and time");
        return false;
    }
    std::vector<DownloadLogEntry> entries = LoadDownloadLog(path);
    const size_t keep = MaxDownloadLogLines - 1;
    const size_t first = entries.size() > keep ? entries.size() - keep : 0;
    QByteArray bytes;
    for (size_t i = first; i < entries.size(); ++i)
        bytes += DownloadLogLine(entries[i]) + "\r\n";
    bytes += newLine + "\r\n";
    return WriteFileAtomically(path, bytes, errorText);
}

#include "profiles/user_list.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringList>

namespace {

const QString ClientSection = QStringLiteral("[Client]");

QString TakeItem(QString& working)
{
    const qsizetype comma = working.indexOf(QLatin1Char(','));
    if (comma < 0)
        return QString();
    const QString item = working.left(comma);
    working.remove(0, comma + 1);
    return item;
}

// Decimal integer or 0. 64 bits are read so that an unsigned 32-bit target written out reads back whole.
qint64 NumberOf(const QString& text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? value : 0;
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

// A lone surrogate, from a damaged UTF-16 file, has no 8-bit form: a name holding one would be saved as
// '?', and its profile would lose its activity file. It reads as U+FFFD, as bytes invalid in the 8-bit
// encoding do.
QString WithoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

QString DecodeText(const QByteArray& bytes)
{
    const auto encoding = QStringConverter::encodingForData(bytes);
    if (encoding) {
        QStringDecoder decoder(*encoding); // skips the byte-order mark
        return WithoutLoneSurrogates(decoder(bytes));
    }
    return QString::fromLocal8Bit(bytes);
}

} // namespace

TClient ParseClientLine(const QString& line)
{
    QString w = line;
    TClient c;
    c.Name = TakeItem(w);
    c.Gender = uint8_t(NumberOf(TakeItem(w)));
    c.Age = uint8_t(NumberOf(TakeItem(w)));
    c.Height = uint16_t(NumberOf(TakeItem(w)));
    c.Weight = uint16_t(NumberOf(TakeItem(w)));
    c.Steplength = uint16_t(NumberOf(TakeItem(w)));
    c.TargetSteps = uint32_t(NumberOf(TakeItem(w)));
    c.Metric = NumberOf(TakeItem(w)) != 0 ? 1 : 0;
    c.TimeSync = NumberOf(w) != 0 ? 1 : 0;
    return c;
}

QString ClientLine(const TClient& c)
{
    return QStringList { c.Name,
                         QString::number(c.Gender),
                         QString::number(c.Age),
                         QString::number(c.Height),
                         QString::number(c.Weight),
                         QString::number(c.Steplength),
                         QString::number(c.TargetSteps),
                         QString::number(c.Metric != 0 ? 1 : 0),
                         QString::number(c.TimeSync != 0 ? 1 : 0) }
        .join(QLatin1Char(','));
}

QByteArray UserListBytes(const ClientList& clients)
{
    QStringList lines { QStringLiteral("SoftName:Kinetrax"), ClientSection, QString::number(clients.size()) };
    for (const TClient& c : clients)
        lines.append(ClientLine(c));
    QString text;
    for (const QString& l : lines)
        text += l + QStringLiteral("\r\n");
    return text.toLocal8Bit();
}

bool NameBreaksUserList(const QString& name)
{
    return name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n'));
}

bool SaveUserList(const QString& path, const ClientList& clients, QString* errorText)
{
    for (const TClient& c : clients) {
        if (NameBreaksUserList(c.Name)) {
            if (errorText)
                *errorText = QStringLiteral("The name \"%1\" cannot be stored in %2: it contains a comma or a line break.")
                                 .arg(c.Name, path);
            return false;
        }
    }
    return WriteFileAtomically(path, UserListBytes(clients), errorText);
}

UserListFile ParseUserList(const QByteArray& bytes)
{
    UserListFile result;
    result.Readable = true;
    const QStringList lines = SplitLines(DecodeText(bytes));
    qsizetype section = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).compare(ClientSection, Qt::CaseInsensitive) == 0) {
            section = i;
            break;
        }
    }
    if (section < 0)
        return result;
    result.HasClientSection = true;

    const qsizetype countLine = section + 1;
    if (countLine >= lines.size()) {
        result.Damaged = true;
        return result;
    }
    bool ok = false;
    qint64 declared = lines.at(countLine).toLongLong(&ok, 10);
    if (!ok || declared < 0) {
        result.Damaged = true;
        declared = 0;
    }
    const qsizetype present = lines.size() - countLine - 1;
    const qint64 readable = std::min<qint64>({ declared, present, MaxClients });
    if (declared > readable)
        result.Damaged = true;
    for (qsizetype k = 0; k < readable; ++k)
        result.Clients.push_back(ParseClientLine(lines.at(countLine + 1 + k)));
    for (qsizetype k = countLine + 1 + readable; k < lines.size() && !result.Damaged; ++k)
        result.Damaged = !lines.at(k).isEmpty();
    result.LoadedCount = int(result.Clients.size());
    return result;
}

UserListFile LoadUserList(const QString& path)
{
    QFile file(path);
    UserListFile unreadable;
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        unreadable.Error = QStringLiteral("Cannot read %1: it is not a file.").arg(path);
        return unreadable;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable.Error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return unreadable;
    }
    if (file.size() > MaxUserListFileBytes) {
        unreadable.Error = QStringLiteral("%1 is too large to be a user list (%2 bytes).").arg(path).arg(file.size());
        return unreadable;
    }
    // By the size checked above, not the whole limit, so the buffer is no larger than the file.
    const QByteArray bytes = file.read(file.size() + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxUserListFileBytes) {
        unreadable.Error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return unreadable;
    }
    return ParseUserList(bytes);
}

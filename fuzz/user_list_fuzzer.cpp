// Kinetrax.dat read back after any damage: LoadUserList on any bytes as the file (and on the same text
// behind every byte-order mark), ParseClientLine on every line of it.

#include "fuzz/fuzz_support.h"
#include "profiles/user_list.h"

#include <QStringConverter>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

bool SameList(const UserListFile& a, const UserListFile& b)
{
    return a.Readable == b.Readable && a.HasClientSection == b.HasClientSection && a.Clients == b.Clients
        && a.LoadedCount == b.LoadedCount && a.Damaged == b.Damaged;
}

bool Storable(const ClientList& clients)
{
    for (const TClient& c : clients) {
        if (NameBreaksUserList(c.Name))
            return false;
    }
    return true;
}

void CheckList(const UserListFile& list)
{
    FUZZ_CHECK(list.Readable);
    FUZZ_CHECK(list.Clients.size() <= size_t(MaxClients));
    FUZZ_CHECK(list.LoadedCount == int(list.Clients.size()));
    FUZZ_CHECK(list.HasClientSection || list.Clients.empty());
    for (const TClient& c : list.Clients)
        FUZZ_CHECK(c.Metric <= 1 && c.TimeSync <= 1);

    // What loaded and can be stored is written and read back unchanged.
    if (Storable(list.Clients)) {
        const UserListFile reread = ParseUserList(UserListBytes(list.Clients));
        FUZZ_CHECK(reread.HasClientSection && !reread.Damaged);
        FUZZ_CHECK(reread.Clients == list.Clients);
    }
}

// LoadUserList with the bytes as Kinetrax.dat: reading never writes.
UserListFile LoadAsFile(const QByteArray& bytes)
{
    const QString dir = ScratchDir();
    const QString path = dir + QString::fromLatin1(UserListFileName);
    FUZZ_CHECK(WriteFileBytes(path, bytes));
    const DirSnapshot before = SnapshotDir(dir);
    const UserListFile list = LoadUserList(path);
    FUZZ_CHECK(SnapshotDir(dir) == before);
    CheckList(list);
    return list;
}

// The same reader on bytes in memory, for the other encodings of the text.
UserListFile Read(const QByteArray& bytes)
{
    const UserListFile list = ParseUserList(bytes);
    CheckList(list);
    return list;
}

void CheckClientLine(const QString& line)
{
    const TClient c = ParseClientLine(line);
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    FUZZ_CHECK(c.Name == (comma < 0 ? QString() : line.left(comma)));
    FUZZ_CHECK(c.Metric <= 1 && c.TimeSync <= 1);
    if (!NameBreaksUserList(c.Name))
        FUZZ_CHECK(ParseClientLine(ClientLine(c)) == c);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const UserListFile raw = LoadAsFile(bytes);

    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    const bool validUtf8 = !utf8.hasError();
    for (const QString& line : text.split(QLatin1Char('\n')))
        CheckClientLine(line);

    // The marks of UTF-16 LE and UTF-32 LE differ only by the two zero bytes that follow; the input
    // picks the mark to compare.
    if (text.startsWith(QChar(0)))
        return 0;
    const int encoding = size > 0 ? data[size - 1] % ByteOrderMarkEncodings : 0;
    const UserListFile marked = Read(WithByteOrderMark(text, encoding));
    if (validUtf8 && !QStringConverter::encodingForData(bytes))
        FUZZ_CHECK(SameList(raw, marked));
    else if (encoding != 0)
        FUZZ_CHECK(SameList(Read(WithByteOrderMark(text, 0)), marked));
    return 0;
}

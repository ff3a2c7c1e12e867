#include "fuzz/fuzz_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

void FuzzFail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "==FUZZ== invariant failed at %s:%d: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

QString ScratchDir()
{
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        auto d = std::make_unique<QTemporaryDir>(base + QStringLiteral("/kx-fuzz-XXXXXX"));
        if (!d->isValid())
            FuzzFail("scratch directory created", __FILE__, __LINE__);
        return d;
    }();
    return dir->path() + QLatin1Char('/');
}

DirSnapshot SnapshotDir(const QString& dir)
{
    DirSnapshot snapshot;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            snapshot[path + QLatin1Char('/')] = QByteArray();
            continue;
        }
        QFile file(path);
        snapshot[path] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    return snapshot;
}

void ClearDir(const QString& dir)
{
    QDir d(dir);
    for (const QFileInfo& entry : d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray WithByteOrderMark(const QString& text, int encoding)
{
    static const QStringConverter::Encoding encodings[ByteOrderMarkEncodings] = {
        QStringConverter::Utf8, QStringConverter::Utf16LE, QStringConverter::Utf16BE,
        QStringConverter::Utf32LE, QStringConverter::Utf32BE,
    };
    QStringEncoder encoder(encodings[encoding], QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

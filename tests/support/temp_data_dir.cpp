#include "temp_data_dir.h"

#include <QFile>

TempDataDir::TempDataDir() : dir_(QDir::tempPath() + QStringLiteral("/kinetrax-test-XXXXXX")) {}

QString TempDataDir::path() const
{
    return dir_.path() + '/';
}

QString TempDataDir::filePath(const QString& name) const
{
    return path() + name;
}

bool TempDataDir::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray TempDataDir::read(const QString& name) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

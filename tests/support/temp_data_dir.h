#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh data directory for one test, removed afterwards. path() ends in '/', like the program's ExeDir.
class TempDataDir {
public:
    TempDataDir();
    bool isValid() const { return dir_.isValid(); }
    QString path() const;
    QString filePath(const QString& name) const;
    bool write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

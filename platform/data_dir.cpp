#include "platform/data_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString withSeparator(const QString& dir)
{
    QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    return clean.endsWith('/') ? clean : clean + '/';
}

} // namespace

QString ApplicationId()
{
    return QStringLiteral(KX_APP_ID);
}

bool IsInstalledLayout(const QString& executableDir)
{
    const QString entry = QStringLiteral("/../share/applications/") + ApplicationId() + QStringLiteral(".desktop");
    return QFileInfo::exists(executableDir + entry);
}

QString ResolveDataDir(const QString& envValue, const QString& executableDir, bool createMissing)
{
    if (!envValue.isEmpty()) {
        if (createMissing)
            QDir().mkpath(envValue);
        return withSeparator(envValue);
    }
    const QFileInfo exe(executableDir);
    if (exe.isDir() && exe.isWritable() && !IsInstalledLayout(executableDir))
        return withSeparator(executableDir);
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (createMissing)
        QDir().mkpath(appData);
    return withSeparator(appData);
}

QString DataDirFromEnvironment(bool createMissing)
{
    return ResolveDataDir(qEnvironmentVariable("KINETRAX_DATA_DIR"), QCoreApplication::applicationDirPath(),
                          createMissing);
}

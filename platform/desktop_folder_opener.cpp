#include "platform/desktop_folder_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

bool DesktopFolderOpener::openFolder(const QString& dir)
{
    const QFileInfo folder(dir);
    if (!folder.isDir())
        return false;
    const QString path = folder.absoluteFilePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    // Qt answers false only when it started nothing: the platform has no desktop services (offscreen,
    // minimal) or no launcher was found. Either way this cannot open the folder a second time.
    return QProcess::startDetached(fallbackProgram_, {path});
}

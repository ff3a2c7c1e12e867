#pragma once

#include "platform/folder_opener.h"

#include <QString>

// FolderOpener through the desktop's own services (QDesktopServices: the portal, xdg-open or the
// desktop's file manager). Platforms without desktop services (offscreen, minimal) refuse file URLs
// there, so on them the folder goes to the freedesktop xdg-open tool directly, started detached.
// Needs a QGuiApplication.
class DesktopFolderOpener : public FolderOpener {
public:
    explicit DesktopFolderOpener(QString fallbackProgram = QStringLiteral("xdg-open"))
        : fallbackProgram_(std::move(fallbackProgram))
    {
    }

    bool openFolder(const QString& dir) override;

private:
    QString fallbackProgram_;
};

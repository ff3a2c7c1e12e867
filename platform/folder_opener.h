#pragma once

#include <QString>

// The one way the program shows a folder of its own to the user in the desktop's file manager. The GUI
// uses DesktopFolderOpener; tests use a scripted one.
class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    // Returns at once. False when dir is no folder or no file manager could be started; true says only
    // that one was started, not that it shows the folder.
    virtual bool openFolder(const QString& dir) = 0;
};

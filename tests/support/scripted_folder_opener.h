#pragma once

#include "platform/folder_opener.h"

#include <QStringList>

// FolderOpener for tests: records every folder asked for and answers as set.
class ScriptedFolderOpener : public FolderOpener {
public:
    bool openFolder(const QString& dir) override
    {
        opened_.append(dir);
        return answer_;
    }
    void setAnswer(bool opens) { answer_ = opens; }
    const QStringList& opened() const { return opened_; }

private:
    QStringList opened_;
    bool answer_ = true;
};

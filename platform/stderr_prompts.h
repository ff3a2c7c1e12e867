#pragma once

#include "platform/prompts.h"

#include <QString>

// Prompts for unattended runs (the screenshot program, scripted runs of the program itself): each box
// becomes one line "<prefix>[caption] text" on standard error (the text's own line breaks written as
// " / "), and every question is answered No and no
// action taken, the answers that change nothing. Safe from any thread.
class StderrPrompts : public Prompts {
public:
    explicit StderrPrompts(QString prefix = QString()) : prefix_(std::move(prefix)) {}

    void showMessage(const QString& caption, const QString& text, int flags) override;
    bool askYesNo(const QString& caption, const QString& text, int flags) override;
    // The message alone; the action is not taken.
    bool showMessageWithAction(const QString& caption, const QString& text, int flags,
                               const QString& actionText) override;

private:
    QString prefix_;
};

// The environment variable that makes the program use StderrPrompts when it is "stderr".
inline constexpr const char* PromptsEnvironmentVariable = "KINETRAX_PROMPTS";

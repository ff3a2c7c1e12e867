#pragma once

#include <QString>

// Flags of a message box, as the catalog's messages are specified: an icon and, for questions, Yes/No.
namespace PromptFlags {
constexpr int Plain = 0x00;        // OK button only, no icon
constexpr int Stop = 0x10;         // stop icon
constexpr int YesNoQuestion = 0x24;
constexpr int Warning = 0x30;
constexpr int Information = 0x40;
}

// The one way the program shows a message box or asks a Yes/No question. The GUI implements it with
// QMessageBox; tests use ScriptedPrompts. Every call blocks its caller until the user answers; a
// caller on a worker thread is served by the GUI thread while it waits, until the program is ending.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void showMessage(const QString& caption, const QString& text, int flags) = 0;
    // True when the user answered Yes.
    virtual bool askYesNo(const QString& caption, const QString& text, int flags) = 0;
    // A message with OK and one more button, actionText, for something the user may do about it; OK is
    // the default. True when the user pressed actionText.
    virtual bool showMessageWithAction(const QString& caption, const QString& text, int flags,
                                       const QString& actionText) = 0;
    // The program is ending: from now on a call from another thread returns at once (a message
    // dropped, a question answered No, an action not taken) instead of waiting for the GUI thread.
    virtual void programEnding() {}
};

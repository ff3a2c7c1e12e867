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
// QMessageBox; tests use ScriptedPrompts. Both calls block their caller until the user answers; a
// caller on a worker thread is served by the GUI thread while it waits, until the program is ending.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void showMessage(const QString& caption, const QString& text, int flags) = 0;
    // True when the user answered Yes.
    virtual bool askYesNo(const QString& caption, const QString& text, int flags) = 0;
    // The program is ending: from now on a call from another thread returns at once (a message
    // dropped, a question answered No) instead of waiting for the GUI thread.
    virtual void programEnding() {}
};

#pragma once

#include "platform/gui_thread_prompts.h"
#include "tests/support/scripted_prompts.h"

// Prompts for tests that treat a worker's call as the real boxes do: it waits until the GUI thread has
// served it, and returns at once once the program is ending. What is shown is recorded, and questions
// are answered, by the ScriptedPrompts inside.
class HeldPrompts : public GuiThreadPrompts {
public:
    ScriptedPrompts& script() { return script_; }

protected:
    bool answerOnGuiThread(const QString& caption, const QString& text, int flags,
                           const QString& actionText) override
    {
        if ((flags & 0x0F) == 0x04)
            return script_.askYesNo(caption, text, flags);
        if (!actionText.isEmpty())
            return script_.showMessageWithAction(caption, text, flags, actionText);
        script_.showMessage(caption, text, flags);
        return false;
    }

private:
    ScriptedPrompts script_;
};

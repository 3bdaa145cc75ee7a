// The GUI's prompter: a QMessageBox owned by the active window, captioned with the
// application title.
#pragma once

#include "platform/Prompter.h"

class TMessageBoxPrompter : public TPrompter {
public:
    using TPrompter::Show;
    TPromptAnswer Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                       TPromptAnswer defaultAnswer) override;
};

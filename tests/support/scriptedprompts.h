// Prompts answered from a script: records every box, file dialog and beep, and answers
// questions and file dialogs from queues the test fills beforehand.
#pragma once

#include "ui/prompts.h"

#include <deque>
#include <vector>

class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString Caption;
        QString Text;
        Prompts::Icon Kind;
        Prompts::Buttons Choice;
    };

    // Answers for boxes with more than an OK button, in order. A question asked with no
    // answer queued fails the test and is answered Cancel. OK-only boxes need no answer.
    std::deque<Answer> Answers;
    // Answers for file dialogs, in order: a name, or nothing for Cancel. A dialog shown
    // with no answer queued fails the test and counts as cancelled.
    std::deque<std::optional<QString>> FileNames;

    std::vector<Shown> Messages;
    std::vector<FileDialog> OpenDialogs;
    std::vector<FileDialog> SaveDialogs;
    int Beeps = 0;

    Answer Message(const QString& caption, const QString& text, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> OpenFileName(const FileDialog& dialog) override;
    std::optional<QString> SaveFileName(const FileDialog& dialog) override;
    void Beep() override { ++Beeps; }

private:
    std::optional<QString> NextFileName();
};

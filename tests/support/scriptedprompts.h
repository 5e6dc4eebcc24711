// Prompts answered from a script: records every box, file dialog and beep, and answers
// questions and file dialogs from queues the test fills beforehand.
#pragma once

#include "ui/prompts.h"

#include <deque>
#include <functional>
#include <utility>
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

    // Answers for print dialogs, in order: a PDF file the printer then writes to, or nothing
    // for Cancel. A print dialog shown with no answer queued fails the test and is cancelled.
    std::deque<std::optional<QString>> PrintFiles;
    // Answers for page-setup dialogs, in order: true for OK. None queued fails the test.
    std::deque<bool> PageSetupAnswers;

    // Answers for backups lists, in order: a choice, or nothing for closing the list. A list
    // shown with no answer queued fails the test and counts as closed.
    std::deque<std::optional<BackupChoice>> BackupChoices;

    std::vector<Shown> Messages;
    // Every comparison shown; one with a question takes its answer from Answers.
    std::vector<Comparison> Comparisons;
    // Every backups list shown: the folder and the backups, in the order shown.
    std::vector<std::pair<QString, QList<BackupItem>>> BackupLists;
    std::vector<FileDialog> OpenDialogs;
    std::vector<FileDialog> SaveDialogs;
    int Beeps = 0;
    // Called at every beep, to see what had happened by then.
    std::function<void()> OnBeep;
    int PrintDialogs = 0;
    int PageSetupDialogs = 0;

    Answer Message(const QString& caption, const QString& text, Icon icon,
                   Buttons buttons) override;
    Answer ShowComparison(const Comparison& comparison) override;
    std::optional<BackupChoice> ChooseBackup(const QString& folder,
                                             const QList<BackupItem>& backups) override;
    std::optional<QString> OpenFileName(const FileDialog& dialog) override;
    std::optional<QString> SaveFileName(const FileDialog& dialog) override;
    void Beep() override {
        ++Beeps;
        if (OnBeep)
            OnBeep();
    }
    bool PrintDialog(QPrinter& printer) override;
    bool PageSetupDialog(QPrinter& printer) override;

private:
    std::optional<QString> NextFileName();
};

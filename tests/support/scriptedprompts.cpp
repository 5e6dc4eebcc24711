// Prompts answered from a script.
#include "support/scriptedprompts.h"

#include <QPrinter>

#include <gtest/gtest.h>

Prompts::Answer ScriptedPrompts::Message(const QString& caption, const QString& text, Icon icon,
                                         Buttons buttons) {
    Messages.push_back({caption, text, icon, buttons});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (Answers.empty()) {
        ADD_FAILURE() << "unexpected question \"" << text.toStdString() << "\" captioned \""
                      << caption.toStdString() << "\"";
        return Answer::Cancel;
    }
    const Answer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

Prompts::Answer ScriptedPrompts::ShowComparison(const Comparison& comparison) {
    Comparisons.push_back(comparison);
    if (comparison.Question.isEmpty())
        return Answer::Ok;
    if (Answers.empty()) {
        ADD_FAILURE() << "unexpected question \"" << comparison.Question.toStdString() << "\"";
        return Answer::No;
    }
    const Answer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

std::optional<Prompts::BackupChoice>
ScriptedPrompts::ChooseBackup(const QString& folder, const QList<BackupItem>& backups) {
    BackupLists.emplace_back(folder, backups);
    if (BackupChoices.empty()) {
        ADD_FAILURE() << "unexpected backups list";
        return std::nullopt;
    }
    std::optional<BackupChoice> choice;
    choice.swap(BackupChoices.front());
    BackupChoices.pop_front();
    return choice;
}

std::optional<QString> ScriptedPrompts::NextFileName() {
    if (FileNames.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return std::nullopt;
    }
    std::optional<QString> name;
    name.swap(FileNames.front());
    FileNames.pop_front();
    return name;
}

std::optional<QString> ScriptedPrompts::OpenFileName(const FileDialog& dialog) {
    OpenDialogs.push_back(dialog);
    return NextFileName();
}

std::optional<QString> ScriptedPrompts::SaveFileName(const FileDialog& dialog) {
    SaveDialogs.push_back(dialog);
    return NextFileName();
}

bool ScriptedPrompts::PrintDialog(QPrinter& printer) {
    ++PrintDialogs;
    if (PrintFiles.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    const std::optional<QString> file = PrintFiles.front();
    PrintFiles.pop_front();
    if (!file)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*file);
    return true;
}

bool ScriptedPrompts::PageSetupDialog(QPrinter&) {
    ++PageSetupDialogs;
    if (PageSetupAnswers.empty()) {
        ADD_FAILURE() << "unexpected page-setup dialog";
        return false;
    }
    const bool answer = PageSetupAnswers.front();
    PageSetupAnswers.pop_front();
    return answer;
}

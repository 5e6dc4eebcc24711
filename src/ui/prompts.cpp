// Prompts on Qt's message boxes and file dialogs, and the standard error report.
#include "ui/prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

#include <exception>

namespace {

QMessageBox::Icon ToQt(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(Prompts::Buttons buttons) {
    switch (buttons) {
    case Prompts::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompts::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompts::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Prompts::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

void Preset(QFileDialog& box, const Prompts::FileDialog& dialog) {
    // The filter list shows its names only ("PRO files"), not the patterns behind them.
    box.setOption(QFileDialog::HideNameFilterDetails);
    if (!dialog.Filter.isEmpty())
        box.setNameFilter(dialog.Filter);
    if (!dialog.DefaultSuffix.isEmpty())
        box.setDefaultSuffix(dialog.DefaultSuffix);
    if (!dialog.Folder.isEmpty())
        box.setDirectory(dialog.Folder);
    if (!dialog.FileName.isEmpty())
        box.selectFile(QFileInfo(dialog.FileName).fileName());
}

} // namespace

Prompts::Answer QtPrompts::Message(const QString& caption, const QString& text, Icon icon,
                                   Buttons buttons) {
    QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), parent_);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<QString> QtPrompts::OpenFileName(const FileDialog& dialog) {
    QFileDialog box(parent_, dialog.Title);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setFileMode(QFileDialog::ExistingFile);
    Preset(box, dialog);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(box.selectedFiles().constFirst());
}

std::optional<QString> QtPrompts::SaveFileName(const FileDialog& dialog) {
    QFileDialog box(parent_, dialog.Title);
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setFileMode(QFileDialog::AnyFile);
    Preset(box, dialog);
    for (;;) {
        if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = box.selectedFiles().constFirst();
        if (QFileInfo(chosen).absoluteDir().exists())
            return QDir::toNativeSeparators(chosen);
        QMessageBox::warning(&box, dialog.Title,
                             QStringLiteral("The folder of %1 does not exist.").arg(chosen));
    }
}

void QtPrompts::Beep() {
    QApplication::beep();
}

bool QtPrompts::PrintDialog(QPrinter& printer) {
    QPrintDialog box(&printer, parent_);
    return box.exec() == QDialog::Accepted;
}

bool QtPrompts::PageSetupDialog(QPrinter& printer) {
    QPageSetupDialog box(&printer, parent_);
    return box.exec() == QDialog::Accepted;
}

bool RunReported(Prompts& prompts, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        QString text = QString::fromLocal8Bit(error.what());
        if (!text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
        prompts.Notify(QStringLiteral("RIVAN"), text, Prompts::Icon::Error);
    } catch (...) {
        prompts.Notify(QStringLiteral("RIVAN"), QStringLiteral("Unknown error."),
                       Prompts::Icon::Error);
    }
    return false;
}

// Every modal question, notice, file dialog and beep of the program goes through Prompts,
// so that tests can answer them from a script instead of a person.
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

class Prompts {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct FileDialog {
        QString Title;
        QString Filter;        // Qt filter list, for example "PRO files (*.pro)"
        QString DefaultSuffix; // added to a typed name without extension; empty adds none
        QString FileName;      // preset name
        QString Folder;        // initial folder; empty leaves the dialog's default
    };

    virtual ~Prompts() = default;

    // A message box; closing it without a button answers Cancel (or Ok for an Ok-only box).
    virtual Answer Message(const QString& caption, const QString& text, Icon icon,
                           Buttons buttons) = 0;
    // An open dialog for an existing file; nothing when the user cancels.
    virtual std::optional<QString> OpenFileName(const FileDialog& dialog) = 0;
    // A save dialog that asks before replacing a file and refuses a folder that does not
    // exist; nothing when the user cancels.
    virtual std::optional<QString> SaveFileName(const FileDialog& dialog) = 0;
    virtual void Beep() = 0;

    void Notify(const QString& caption, const QString& text, Icon icon) {
        Message(caption, text, icon, Buttons::Ok);
    }

    // One setting that differs between the settings at hand and a unit's.
    struct DifferenceRow {
        QString What; // "configuration MER alarm", "point 3 frequency"
        QString Ours; // as the editors show it: "650.000 MHz"
        QString Unit;
    };
    // What differs between the settings at hand (a document, a backup) and a unit's.
    struct Comparison {
        QString Caption;           // the window caption
        QString Heading;           // one line above the table: which unit, how many differ
        QString OursTitle;         // the column of the settings at hand: "Document", "Backup"
        QList<DifferenceRow> Rows; // empty when nothing differs
        QString SameText;          // shown instead of the table when nothing differs
        QString Question;          // empty: a notice with a Close button
    };
    // Shows a comparison. With a question: Yes or No (closing the window answers No);
    // without one: Ok.
    virtual Answer ShowComparison(const Comparison& comparison) = 0;

    // One backup as the list shows it.
    struct BackupItem {
        QString Path;
        QString Taken; // the local date and time it was taken, as text
        QString Model;
        QString PortName;
    };
    enum class BackupAction { Open, Restore };
    struct BackupChoice {
        BackupAction Action = BackupAction::Open;
        QString Path;
    };
    // The list of backups in `folder`, newest first, with Open and Restore to unit; nothing
    // when the user closes it without choosing.
    virtual std::optional<BackupChoice> ChooseBackup(const QString& folder,
                                                     const QList<BackupItem>& backups) = 0;

    // The print dialog for `printer`, which takes the choices made in it; false when the
    // user cancels.
    virtual bool PrintDialog(QPrinter& printer) = 0;
    // The page-setup dialog for `printer`; false when the user cancels.
    virtual bool PageSetupDialog(QPrinter& printer) = 0;
};

// Prompts shown with Qt's message boxes and file dialogs. The comparison and the backups
// list are windows of their own, which a subclass shows.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }

    Answer Message(const QString& caption, const QString& text, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> OpenFileName(const FileDialog& dialog) override;
    std::optional<QString> SaveFileName(const FileDialog& dialog) override;
    void Beep() override;
    bool PrintDialog(QPrinter& printer) override;
    bool PageSetupDialog(QPrinter& printer) override;

private:
    QWidget* parent_;
};

// The application's standard error report: runs `handler`; an exception it throws is
// shown as its text with a full stop appended, in a box captioned "RIVAN". Qt lets no
// exception cross its event loop, so every handler that can throw runs through here.
// Returns false when the handler threw.
bool RunReported(Prompts& prompts, const std::function<void()>& handler);

// Every modal question, notice, file dialog and beep of the program goes through Prompts,
// so that tests can answer them from a script instead of a person.
#pragma once

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

    // The print dialog for `printer`, which takes the choices made in it; false when the
    // user cancels.
    virtual bool PrintDialog(QPrinter& printer) = 0;
    // The page-setup dialog for `printer`; false when the user cancels.
    virtual bool PageSetupDialog(QPrinter& printer) = 0;
};

// Prompts shown with Qt's message boxes and file dialogs.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

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

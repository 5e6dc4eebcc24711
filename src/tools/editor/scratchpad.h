// The tools editor: a plain-text editor window for PRO, LOG and other text files, with
// search and printing.
#pragma once

#include "tools/editor/plaintextfile.h"

#include <QMainWindow>
#include <QPrinter>

class Prompts;
class QAction;
class QPlainTextEdit;
class QToolBar;
class TFindDlg;

class TScratchPad : public QMainWindow {
    Q_OBJECT
public:
    explicit TScratchPad(Prompts& prompts, QWidget* parent = nullptr);
    ~TScratchPad() override;

    // Shows the editor modally and returns when it has been closed.
    void ShowModal();

    // Handlers of the menu items and speed buttons. The file commands answer whether they
    // went through.
    void FileNewClick();
    void FileOpenClick();
    bool FileSaveClick();
    bool FileSaveAsClick();
    void FilePrintClick();
    void FilePrintSetupClick();
    void FileExitClick();
    void EditUndoClick();
    void EditSelectAllClick();
    void EditCutClick();
    void EditCopyClick();
    void EditPasteClick();
    void SpeedSearchBtnClick();
    void FindDlgFind();

    QPlainTextEdit* Memo() const { return memo_; }
    QToolBar* SpeedBar() const { return speedBar_; }
    TFindDlg* FindDlg() const { return findDlg_; }
    QPrinter& Printer() { return printer_; }
    // The file last opened (shown in print headers) and the target of Save; empty for none.
    const QString& OpenedFileName() const { return openedFileName_; }
    const QString& CurrentFileName() const { return currentFileName_; }
    bool IsModified() const;
    // The whole text with its lines ended by '\n', every character as typed.
    QString Text() const;

signals:
    // The window has been closed, by Exit or by its close box.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildSpeedBar();
    QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut, void (TScratchPad::*handler)());
    // Asks to save a changed text; true when the command may go on.
    bool QueryModified();
    bool WriteTo(const QString& fileName);
    void ClearText();
    void ShowFileInCaption(const QString& fileName);
    void FormCloseQuery();

    Prompts& prompts_;
    QPlainTextEdit* memo_;
    QToolBar* speedBar_;
    TFindDlg* findDlg_;
    QPrinter printer_;
    QString openedFileName_;
    QString currentFileName_;
    PlainTextFile::Layout layout_;
};

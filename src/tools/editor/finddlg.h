// The tools editor's modeless find box: a text, whole word and match case, searching down.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFindDlg(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    bool WholeWord() const;
    bool MatchCase() const;

    QLineEdit* FindEdit() const { return findEdit_; }
    QCheckBox* WholeWordBox() const { return wholeWordBox_; }
    QCheckBox* MatchCaseBox() const { return matchCaseBox_; }
    QPushButton* FindNextBtn() const { return findNextBtn_; }
    QPushButton* CancelBtn() const { return cancelBtn_; }

signals:
    // The user asked for the next occurrence.
    void Find();

private:
    void UpdateFindNext();

    QLineEdit* findEdit_;
    QCheckBox* wholeWordBox_;
    QCheckBox* matchCaseBox_;
    QPushButton* findNextBtn_;
    QPushButton* cancelBtn_;
};

// The about box: the program's picture, product name, version, copyright and a comment,
// with the version resource's strings in place of the built-in texts where it has them.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class VersionBlockSource;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // `versions` supplies the version block at every showing and must outlive the box.
    explicit TAboutBox(VersionBlockSource& versions, QWidget* parent = nullptr);

    QLabel* ProductName() const { return productName_; }
    QLabel* Version() const { return version_; }
    QLabel* Copyright() const { return copyright_; }
    QLabel* Comments() const { return comments_; }
    QPushButton* OKButton() const { return okButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void CentreOnScreen();

    VersionBlockSource& versions_;
    QLabel* programIcon_;
    QLabel* productName_;
    QLabel* version_;
    QLabel* copyright_;
    QLabel* comments_;
    QPushButton* okButton_;
};

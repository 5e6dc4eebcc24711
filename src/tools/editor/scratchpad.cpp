// The tools editor window.
#include "tools/editor/scratchpad.h"

#include "tools/editor/finddlg.h"
#include "tools/editor/printpagination.h"
#include "ui/captions.h"
#include "ui/prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>

#include <functional>

namespace {

const QString Caption = QStringLiteral("Tools Editor");
const QString CaptionFileSeparator = QStringLiteral("  -  ");
const QString ReadFailure = QStringLiteral("Unable to edit: the file is too long");
const QString NotFound = QStringLiteral("Text not found");
const QString FindFailure = QStringLiteral("Error at finding text");
const QString WriteFailure = QStringLiteral("Cannot create file \"%1\". %2");
const QString PrintFailure = QStringLiteral("Unable to print: the printer could not be started.");
const QString OpenTitle = QStringLiteral("Open");
const QString OpenFilter =
    QStringLiteral("PRO files (*.pro);;LOG files (*.log);;generic text files (*.txt);;All (*)");
const QString SaveAsTitle = QStringLiteral("Save as...");
const QString JobTitle = QStringLiteral("Tools Editor - %1");
const QString PageHeader = QStringLiteral("Tools Editor: %1");
const QString PageFooter = QStringLiteral("Page %1");

constexpr int FormLeft = 97;
constexpr int FormTop = 99;
constexpr int FormWidth = 614;
constexpr int FormHeight = 229;
constexpr int MemoFontPoints = 8;
constexpr int TabColumns = 8;
const QColor MemoBackground(0x00, 0x00, 0x80); // navy
const QColor MemoText(0xFF, 0xFF, 0x00);       // yellow

QFont MemoFont() {
    QFont font(QStringLiteral("Courier New"), MemoFontPoints);
    // Systems without Courier New get a face of the same metrics, or any fixed-pitch one.
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Nimbus Mono PS"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

// The lines of a text as the printout counts them: a line end after the last line does not
// start another line, and an empty text has none.
QStringList PrintedLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// A line with its tabs turned into blanks up to the next tab column, as the text area shows
// them in its fixed-pitch font.
QString ExpandTabs(const QString& line) {
    if (!line.contains(QLatin1Char('\t')))
        return line;
    QString expanded;
    for (const QChar c : line) {
        if (c != QLatin1Char('\t')) {
            expanded += c;
            continue;
        }
        expanded += QString(TabColumns - expanded.size() % TabColumns, QLatin1Char(' '));
    }
    return expanded;
}

// Prints `text` page by page: a framed header naming `fileName` on the first page, a
// numbered footer under a rule on every page, one line per slot and nothing wrapped. All
// lengths are in the printer's device units.
bool PrintText(QPrinter& printer, const QFont& font, const QString& text, const QString& fileName) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The text is printed in black: the editor's yellow would hardly show on paper.
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int h = PrintPagination::LineHeight(font.pointSizeF(), printer.logicalDpiY());
    const int pageWidth = printer.width();
    const int pageHeight = printer.height();
    const PrintPagination pages(pageHeight, h);
    constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;

    const QRect header(QPoint(2 * h, h), QPoint(pageWidth - 1, 2 * h - 1));
    painter.drawText(header, flags, PageHeader.arg(fileName));
    painter.save();
    painter.setPen(QPen(Qt::blue, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(header.adjusted(0, 0, -1, -1));
    painter.restore();

    int page = 1;
    const auto footer = [&] {
        const QRect box(QPoint(2 * h, pageHeight - 2 * h),
                        QPoint(pageWidth - 1, pageHeight - h - 1));
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip,
                         PageFooter.arg(page));
        const int rule = pageHeight - 2 * h - 2;
        painter.drawLine(QPoint(2 * h, rule), QPoint(pageWidth, rule));
    };

    int slot = PrintPagination::FirstSlot;
    for (const QString& line : PrintedLines(text)) {
        if (pages.Advance(slot)) {
            footer();
            printer.newPage();
            ++page;
        }
        painter.drawText(QRect(2 * h, slot * h, pageWidth - 2 * h, h), flags, ExpandTabs(line));
    }
    footer();
    return painter.end();
}

} // namespace

TScratchPad::TScratchPad(Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), memo_(new QPlainTextEdit(this)),
      speedBar_(new QToolBar(QStringLiteral("SpeedBar"), this)), findDlg_(new TFindDlg(this)),
      printer_(QPrinter::HighResolution) {
    setObjectName(QStringLiteral("ScratchPad"));
    setWindowTitle(Caption);
    setGeometry(FormLeft, FormTop, FormWidth, FormHeight);

    memo_->setObjectName(QStringLiteral("Memo"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setTabChangesFocus(false);
    memo_->setFont(MemoFont());
    memo_->setTabStopDistance(TabColumns *
                              memo_->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    QPalette colours = memo_->palette();
    colours.setColor(QPalette::Base, MemoBackground);
    colours.setColor(QPalette::Text, MemoText);
    memo_->setPalette(colours);
    setCentralWidget(memo_);

    BuildMenu();
    BuildSpeedBar();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);

    connect(findDlg_, &TFindDlg::Find, this, &TScratchPad::FindDlgFind);
}

TScratchPad::~TScratchPad() = default;

QAction* TScratchPad::AddAction(QMenu* menu, const char* name, const QString& caption,
                                const QKeySequence& shortcut, void (TScratchPad::*handler)()) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

void TScratchPad::BuildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    AddAction(file, "FileNew", QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")),
              &TScratchPad::FileNewClick);
    AddAction(file, "FileOpen", QStringLiteral("&Open"), QKeySequence(QStringLiteral("Ctrl+O")),
              &TScratchPad::FileOpenClick);
    file->addSeparator();
    QAction* save = file->addAction(QStringLiteral("&Save"));
    save->setObjectName(QStringLiteral("FileSave"));
    save->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(save, &QAction::triggered, this, [this] { FileSaveClick(); });
    QAction* saveAs = file->addAction(QStringLiteral("Save &as..."));
    saveAs->setObjectName(QStringLiteral("FileSaveAs"));
    connect(saveAs, &QAction::triggered, this, [this] { FileSaveAsClick(); });
    file->addSeparator();
    AddAction(file, "FilePrint", QStringLiteral("&Print"), QKeySequence(QStringLiteral("Ctrl+I")),
              &TScratchPad::FilePrintClick);
    AddAction(file, "FilePrintSetup", QStringLiteral("P&rinter setup..."), QKeySequence(),
              &TScratchPad::FilePrintSetupClick);
    file->addSeparator();
    AddAction(file, "FileExit", QStringLiteral("E&xit"), QKeySequence(),
              &TScratchPad::FileExitClick);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    AddAction(edit, "EditUndo", QStringLiteral("&Undo"), QKeySequence(QStringLiteral("Ctrl+Z")),
              &TScratchPad::EditUndoClick);
    AddAction(edit, "EditSelectAll", QStringLiteral("&Select all"),
              QKeySequence(QStringLiteral("Ctrl+A")), &TScratchPad::EditSelectAllClick);
    edit->addSeparator();
    AddAction(edit, "EditCut", QStringLiteral("Cu&t"), QKeySequence(QStringLiteral("Ctrl+X")),
              &TScratchPad::EditCutClick);
    AddAction(edit, "EditCopy", QStringLiteral("&Copy"), QKeySequence(QStringLiteral("Ctrl+C")),
              &TScratchPad::EditCopyClick);
    AddAction(edit, "EditPaste", QStringLiteral("&Paste"), QKeySequence(QStringLiteral("Ctrl+V")),
              &TScratchPad::EditPasteClick);
    edit->addSeparator();
    AddAction(edit, "EditFind", QStringLiteral("&Search..."), QKeySequence(),
              &TScratchPad::SpeedSearchBtnClick);
}

void TScratchPad::BuildSpeedBar() {
    speedBar_->setObjectName(QStringLiteral("SpeedBar"));
    speedBar_->setMovable(false);
    speedBar_->setFloatable(false);
    speedBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    speedBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    speedBar_->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, speedBar_);
    struct Button {
        const char* Name;
        const char* Image;
        QString Hint;
        std::function<void()> Handler;
    };
    const Button buttons[] = {
        {"SpeedExitBtn", "exit", QStringLiteral("Exit editor"), [this] { FileExitClick(); }},
        {"SpeedNewBtn", "new", QStringLiteral("New file"), [this] { FileNewClick(); }},
        {"SpeedOpenBtn", "open", QStringLiteral("Open a file"), [this] { FileOpenClick(); }},
        {"SpeedSaveBtn", "save", QStringLiteral("Save to file"), [this] { FileSaveClick(); }},
        {"SpeedSearchBtn", "search", QStringLiteral("Search"), [this] { SpeedSearchBtnClick(); }},
        {"SpeedPrintBtn", "print", QStringLiteral("Print"), [this] { FilePrintClick(); }},
    };
    for (const Button& button : buttons) {
        QAction* action = speedBar_->addAction(
            QIcon(QStringLiteral(":/tools/%1.svg").arg(QLatin1String(button.Image))), button.Hint);
        action->setObjectName(QString::fromLatin1(button.Name));
        action->setToolTip(button.Hint);
        action->setStatusTip(button.Hint);
        connect(action, &QAction::triggered, this, button.Handler);
    }
}

void TScratchPad::ShowModal() {
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &TScratchPad::Closed, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    if (isVisible())
        loop.exec();
}

bool TScratchPad::IsModified() const {
    return memo_->document()->isModified();
}

bool TScratchPad::QueryModified() {
    if (!IsModified())
        return true;
    switch (prompts_.Message(Caption, Captions::SaveChangesQuestion, Prompts::Icon::Warning,
                             Prompts::Buttons::YesNoCancel)) {
    case Prompts::Answer::Yes:
        // Going on after a save that did not take place would throw the text away.
        return FileSaveClick();
    case Prompts::Answer::No:
        return true;
    default:
        return false;
    }
}

void TScratchPad::ClearText() {
    memo_->clear();
    memo_->document()->setModified(false);
}

void TScratchPad::ShowFileInCaption(const QString& fileName) {
    setWindowTitle(Caption + CaptionFileSeparator + fileName);
}

QString TScratchPad::Text() const {
    // Block by block, so that characters such as the no-break space are kept as typed.
    QStringList lines;
    for (QTextBlock block = memo_->document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    QString text = lines.join(QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void TScratchPad::FileNewClick() {
    if (!QueryModified())
        return;
    ClearText();
    currentFileName_.clear();
    layout_ = PlainTextFile::Layout();
}

void TScratchPad::FileOpenClick() {
    if (!QueryModified())
        return;
    openedFileName_.clear();
    const std::optional<QString> chosen =
        prompts_.OpenFileName({OpenTitle, OpenFilter, QString(), QString(), QString()});
    if (!chosen)
        return;
    // The file is read whole before the text is replaced, so a failed read leaves the
    // text and the name it is saved under as they were.
    const std::optional<PlainTextFile::Content> content = PlainTextFile::Read(*chosen);
    if (!content) {
        prompts_.Notify(Caption, ReadFailure, Prompts::Icon::Error);
        return;
    }
    memo_->setPlainText(content->Text);
    memo_->document()->setModified(false);
    layout_ = content->Form;
    openedFileName_ = *chosen;
    currentFileName_ = *chosen;
    ShowFileInCaption(*chosen);
}

bool TScratchPad::WriteTo(const QString& fileName) {
    QString error;
    if (!PlainTextFile::Write(fileName, Text(), layout_, error)) {
        prompts_.Notify(Caption, WriteFailure.arg(fileName, error), Prompts::Icon::Error);
        return false;
    }
    memo_->document()->setModified(false);
    return true;
}

bool TScratchPad::FileSaveClick() {
    if (currentFileName_.isEmpty())
        return FileSaveAsClick();
    return WriteTo(currentFileName_);
}

bool TScratchPad::FileSaveAsClick() {
    const std::optional<QString> chosen =
        prompts_.SaveFileName({SaveAsTitle, QString(), QString(), currentFileName_, QString()});
    if (!chosen)
        return false;
    if (!WriteTo(*chosen))
        return false;
    currentFileName_ = *chosen;
    ShowFileInCaption(*chosen);
    return true;
}

void TScratchPad::FilePrintClick() {
    if (!prompts_.PrintDialog(printer_))
        return;
    printer_.setDocName(JobTitle.arg(openedFileName_));
    if (!PrintText(printer_, memo_->font(), Text(), openedFileName_))
        prompts_.Notify(Caption, PrintFailure, Prompts::Icon::Error);
}

void TScratchPad::FilePrintSetupClick() {
    prompts_.PageSetupDialog(printer_);
}

void TScratchPad::FileExitClick() {
    if (!QueryModified())
        return;
    ClearText();
    openedFileName_.clear();
    currentFileName_.clear();
    layout_ = PlainTextFile::Layout();
    close();
}

void TScratchPad::EditUndoClick() {
    memo_->undo();
}

void TScratchPad::EditSelectAllClick() {
    memo_->selectAll();
}

void TScratchPad::EditCutClick() {
    memo_->cut();
}

void TScratchPad::EditCopyClick() {
    memo_->copy();
}

void TScratchPad::EditPasteClick() {
    memo_->paste();
}

void TScratchPad::SpeedSearchBtnClick() {
    findDlg_->show();
    findDlg_->raise();
    findDlg_->activateWindow();
    if (!findDlg_->isVisible())
        prompts_.Notify(Caption, FindFailure, Prompts::Icon::Error);
}

void TScratchPad::FindDlgFind() {
    QTextDocument::FindFlags options;
    if (findDlg_->WholeWord())
        options |= QTextDocument::FindWholeWords;
    if (findDlg_->MatchCase())
        options |= QTextDocument::FindCaseSensitively;

    // Going on from the end of the selection makes a repeated search find the next one.
    QTextCursor caret = memo_->textCursor();
    if (caret.hasSelection()) {
        caret.setPosition(caret.selectionEnd());
        memo_->setTextCursor(caret);
    }
    const QString wanted = findDlg_->FindText();
    if (wanted.isEmpty()) {
        prompts_.Notify(Caption, NotFound, Prompts::Icon::Error);
        return;
    }
    const QTextCursor found = memo_->document()->find(wanted, caret.position(), options);
    if (found.isNull()) {
        prompts_.Notify(Caption, NotFound, Prompts::Icon::Error);
        return;
    }
    memo_->setTextCursor(found);
    memo_->ensureCursorVisible();
    memo_->setFocus();
}

void TScratchPad::FormCloseQuery() {
    findDlg_->close();
}

void TScratchPad::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    event->accept();
    emit Closed();
}

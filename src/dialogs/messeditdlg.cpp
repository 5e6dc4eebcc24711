// The text messages editor: shows each message over its column index, stores the one the
// arrows leave, and lets only the messages the access level allows be changed.
#include "dialogs/messeditdlg.h"

#include "dialogs/dialogframe.h"
#include "dialogs/stepspinbox.h"
#include "files/codepage.h"
#include "profile/equipmentprofile.h"

#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor Silver(0xC0, 0xC0, 0xC0);
const QColor StoredTextColour(0x30, 0x30, 0x30); // readable on silver
constexpr int PictureButtonSize = 24;

// The unit's display face where it exists, the system's fixed-pitch font elsewhere; every
// character as wide as the next, so the columns line up with the index.
QFont DisplayFont() {
    const QString face = QStringLiteral("Fixedsys");
    if (QFontDatabase::hasFamily(face))
        return QFont(face);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QLineEdit* NewMessageLine(const char* name, const char* hint, const QFont& font, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(QString::fromLatin1(hint));
    edit->setFont(font);
    edit->setMaxLength(32767); // no limit of its own: the profile keeps 16 characters
    return edit;
}

QToolButton* NewPictureButton(const char* name, const char* hint, const QIcon& picture,
                              QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(picture);
    button->setFixedSize(PictureButtonSize, PictureButtonSize);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// A small key: the picture of the password button.
QIcon KeyPicture() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x80, 0x60, 0x00), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(1.5, 4.5, 6, 6));
    painter.drawLine(QPointF(7.5, 7.5), QPointF(15, 7.5));
    painter.drawLine(QPointF(12, 7.5), QPointF(12, 11));
    painter.drawLine(QPointF(14.5, 7.5), QPointF(14.5, 10));
    return QIcon(pixmap);
}

QString FromProfile(const std::string& text) {
    return FromCodePage(text);
}

// The unit's display takes single bytes; characters its code page lacks become '?'.
std::string ToProfile(const QString& text) {
    return ToCodePage(text);
}

} // namespace

TMessEditDlg::TMessEditDlg(EquipmentProfile& profile, std::function<void()> setModified,
                           Prompts& prompts, QWidget* parent)
    : ProfileEditor(profile, std::move(setModified), prompts, parent) {
    setObjectName(QStringLiteral("MessEditDlg"));
    setWindowTitle(QStringLiteral("Text messages editor"));
    const QFont font = DisplayFont();

    auto* select = new QLabel(QStringLiteral("Select the message to edit:"), this);
    QFont bold = select->font();
    bold.setBold(true);
    select->setFont(bold);
    UpDown1 = new StepSpinBox(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, ShownMessageCount - 1);
    UpDown1->setWrapping(true);
    UpDown1->setValue(0);
    Edit1 = UpDown1->findChild<QLineEdit*>();
    Edit1->setObjectName(QStringLiteral("Edit1"));
    select->setBuddy(UpDown1);

    MessageNoEdit = NewMessageLine("MessageNoEdit", "current message", font, this);
    MessageNoEdit->setEnabled(false);
    QPalette silver = MessageNoEdit->palette();
    silver.setColor(QPalette::Disabled, QPalette::Base, Silver);
    silver.setColor(QPalette::Disabled, QPalette::Text, StoredTextColour);
    MessageNoEdit->setPalette(silver);

    // The index is static text, but drawn by the same kind of control as the two
    // messages, so its digits sit exactly over their characters.
    StaticText1 = NewMessageLine("StaticText1", "hex index", font, this);
    StaticText1->setText(QStringLiteral("0123456789ABCDEF"));
    StaticText1->setReadOnly(true);
    StaticText1->setFocusPolicy(Qt::NoFocus);
    StaticText1->setContextMenuPolicy(Qt::NoContextMenu);
    StaticText1->setCursor(Qt::ArrowCursor);
    QPalette plain = StaticText1->palette();
    plain.setColor(QPalette::Base, plain.color(QPalette::Window));
    StaticText1->setPalette(plain);

    MessageEdit = NewMessageLine("MessageEdit", "editable window", font, this);

    const int lineWidth = MessageEdit->sizeHint().width();
    for (QLineEdit* line : {MessageNoEdit, StaticText1, MessageEdit})
        line->setFixedWidth(lineWidth);

    RestoreButton = NewPictureButton("RestoreButton", "restore text",
                                     style()->standardIcon(QStyle::SP_BrowserReload), this);
    SpeedButton1 = NewPictureButton("SpeedButton1", "enter password", KeyPicture(), this);
    QHBoxLayout* buttons = OkCancelRow(*this, OKBtn, CancelBtn);

    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(select);
    selectRow->addWidget(UpDown1);
    selectRow->addStretch(1);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QStringLiteral("current:"), this), 0, 0);
    grid->addWidget(MessageNoEdit, 0, 1);
    grid->addWidget(RestoreButton, 0, 2);
    grid->addWidget(StaticText1, 1, 1);
    auto* edited = new QLabel(QStringLiteral("edited:"), this);
    edited->setBuddy(MessageEdit);
    grid->addWidget(edited, 2, 0);
    grid->addWidget(MessageEdit, 2, 1);
    grid->addWidget(SpeedButton1, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(selectRow);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    setTabOrder(UpDown1, MessageEdit);
    setTabOrder(MessageEdit, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(UpDown1, &StepSpinBox::Stepped, this, &TMessEditDlg::UpDown1Click);
    connect(RestoreButton, &QToolButton::clicked, this, &TMessEditDlg::RestoreButtonClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TMessEditDlg::SpeedButton1Click);
    connect(OKBtn, &QPushButton::clicked, this, &TMessEditDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TMessEditDlg::CancelBtnClick);
    MakeFixedSizeFrame(*this);
}

void TMessEditDlg::FormShow() {
    accessLevel_ = 0;
    UpDown1->setValue(0);
    MessageNoEdit->clear();
    MessageEdit->clear();
    currentMessage_ = static_cast<std::uint16_t>(UpDown1->value());
    profile_.SnapshotMessages();
    ShowCurrentMessage();
    UpDown1->setFocus();
}

void TMessEditDlg::ShowCurrentMessage() {
    const QString text = FromProfile(profile_.GetMessageText(currentMessage_));
    MessageNoEdit->setText(text);
    const bool editable = profile_.CanEditMessage(currentMessage_, accessLevel_);
    MessageEdit->setReadOnly(!editable);
    MessageEdit->setEnabled(editable);
    MessageEdit->setText(text);
}

void TMessEditDlg::StoreCurrentMessage() {
    profile_.SetMessageText(currentMessage_, ToProfile(MessageEdit->text()));
}

void TMessEditDlg::SetAccessLevel(std::int32_t level) {
    accessLevel_ = level;
    ShowCurrentMessage();
}

void TMessEditDlg::UpDown1Click(int position) {
    StoreCurrentMessage();
    currentMessage_ = static_cast<std::uint16_t>(position);
    ShowCurrentMessage();
}

void TMessEditDlg::RestoreButtonClick() {
    ShowCurrentMessage();
}

void TMessEditDlg::SpeedButton1Click() {
    if (passwordDlg_ != nullptr)
        passwordDlg_->exec();
}

void TMessEditDlg::RestoreSnapshot() {
    profile_.RestoreMessages();
}

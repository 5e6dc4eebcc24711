// The about box.
#include "tools/about/aboutbox.h"

#include "profile/programidentity.h"
#include "tools/about/versioninfo.h"
#include "ui/windowplacement.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("About");
const QString VersionPrefix = QStringLiteral("Version ");
const QString CommentText = QStringLiteral(
    "Remote control and configuration for RIVAN. This program is intended for service use only.");
const QString PicturePath = QStringLiteral(":/tools/rivan.svg");

constexpr int ClientWidth = 298;
constexpr int ClientHeight = 218;
constexpr int PictureWidth = 110;
constexpr int PictureHeight = 97;
constexpr int FormFontPixels = 11; // the 8-point dialog face of the original design
constexpr int ProductNamePixels = 19;
constexpr int CopyrightPixels = 12;
const QColor ProductNameColour(0x00, 0x00, 0x80); // navy

// The program picture, stretched to the picture's box.
QPixmap ProgramPicture() {
    QPixmap picture(PictureWidth, PictureHeight);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(PicturePath);
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(0, 0, PictureWidth, PictureHeight));
    return picture;
}

QString FromVersionBlock(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TAboutBox::TAboutBox(VersionBlockSource& versions, QWidget* parent)
    : QDialog(parent), versions_(versions), programIcon_(new QLabel),
      productName_(new QLabel(QStringLiteral("Product Name"))),
      version_(new QLabel(QStringLiteral("Version"))),
      copyright_(new QLabel(QStringLiteral("Copyright"))), comments_(new QLabel(CommentText)),
      okButton_(new QPushButton(QStringLiteral("OK"))) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(Caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    QFont formFont = font();
    formFont.setFamilies({QStringLiteral("MS Sans Serif"), formFont.family()});
    formFont.setPixelSize(FormFontPixels);
    setFont(formFont);

    // A lowered outer bevel around a raised inner one.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* inner = new QFrame(panel);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(inner);

    programIcon_->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon_->setFixedSize(PictureWidth, PictureHeight);
    programIcon_->setPixmap(ProgramPicture());

    productName_->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = productName_->font();
    nameFont.setBold(true);
    nameFont.setPixelSize(ProductNamePixels);
    productName_->setFont(nameFont);
    QPalette nameColours = productName_->palette();
    nameColours.setColor(QPalette::WindowText, ProductNameColour);
    productName_->setPalette(nameColours);

    version_->setObjectName(QStringLiteral("Version"));

    copyright_->setObjectName(QStringLiteral("Copyright"));
    QFont copyrightFont = copyright_->font();
    copyrightFont.setBold(true);
    copyrightFont.setPixelSize(CopyrightPixels);
    copyright_->setFont(copyrightFont);
    copyright_->setWordWrap(true);

    comments_->setObjectName(QStringLiteral("Comments"));
    comments_->setWordWrap(true);
    comments_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* names = new QVBoxLayout;
    names->addSpacing(6);
    names->addWidget(productName_);
    names->addSpacing(6);
    names->addWidget(version_);
    names->addStretch();

    auto* grid = new QGridLayout(inner);
    grid->setContentsMargins(6, 6, 6, 4);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(3);
    grid->addWidget(programIcon_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addLayout(names, 0, 1);
    grid->addWidget(copyright_, 1, 0, 1, 2);
    grid->addWidget(comments_, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 7);
    layout->setSpacing(7);
    layout->addWidget(panel, 1);
    layout->addWidget(okButton_, 0, Qt::AlignHCenter);

    FormCreate();
}

void TAboutBox::FormCreate() {
    version_->setText(VersionPrefix + QString::fromLatin1(ProgramVersion));
    copyright_->setText(QString::fromLatin1(CopyrightLine));
    productName_->setText(QString::fromLatin1(ProgramName));
}

void TAboutBox::FormShow() {
    // The lookup takes the application's title as a module name; the system's source made
    // with that title (start-up does so) reads the running program's own file for it.
    VersionInfo info(versions_, QApplication::applicationDisplayName().toLocal8Bit().toStdString());
    if (const auto name = info.ProductName())
        productName_->setText(FromVersionBlock(*name));
    if (const auto version = info.ProductVersion())
        version_->setText(FromVersionBlock(*version));
    if (const auto copyright = info.LegalCopyright())
        copyright_->setText(FromVersionBlock(*copyright));
}

void TAboutBox::CentreOnScreen() {
    ::CentreOnScreen(*this);
}

void TAboutBox::showEvent(QShowEvent* event) {
    FormShow();
    // The box stands in the middle of the screen, wherever the main window is.
    CentreOnScreen();
    QDialog::showEvent(event);
}

#include "person/SplashForm.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

const QString TSplashform::kCaption = QStringLiteral("About Lineatum");

namespace {

constexpr int kClientWidth = 455;
constexpr int kClientHeight = 262;
constexpr int kBorder = 8;
constexpr int kProductTop = kBorder;
constexpr int kProductHeight = 118;
constexpr int kUrlTop = kProductTop + kProductHeight + kBorder;
constexpr int kUrlHeight = 72;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
const QColor kPanelBlue(0, 0, 255);

// Arial at `points`, falling back to the desktop's sans-serif face where Arial is missing.
QFont Arial(int points) {
    QFont font(QStringLiteral("Arial"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The "Ok" glyph: a green tick.
QIcon OkGlyph() {
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x00, 0x80, 0x00), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(2.5, 8.5);
    tick.lineTo(6.5, 12.5);
    tick.lineTo(13.5, 3.5);
    p.drawPath(tick);
    p.end();
    return QIcon(image);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(widget->foregroundRole(), colour);
    widget->setPalette(pal);
}

}  // namespace

TSplashform::TSplashform(const QUrl& webSite, const QString& version, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Splashform"));
    setWindowTitle(kCaption);
    // A title bar without border icons: Ok, Enter and Escape close the box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(Arial(8));

    ProductPanel = new QFrame(this);
    ProductPanel->setObjectName(QStringLiteral("ProductPanel"));
    ProductPanel->setGeometry(kBorder, kProductTop, kClientWidth - 2 * kBorder, kProductHeight);
    ProductPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ProductPanel->setAutoFillBackground(true);
    QPalette blue = ProductPanel->palette();
    blue.setColor(QPalette::Window, kPanelBlue);
    ProductPanel->setPalette(blue);

    ProductLabel = new QLabel(ProductPanel);
    ProductLabel->setObjectName(QStringLiteral("ProductLabel"));
    ProductLabel->setTextFormat(Qt::PlainText);
    ProductLabel->setText(QStringLiteral("Lineatum\n") +
                          (version.isEmpty() ? QStringLiteral("GEDCOM viewer")
                                             : QStringLiteral("Version ") + version));
    ProductLabel->setAlignment(Qt::AlignCenter);
    ProductLabel->setGeometry(ProductPanel->rect());
    QFont title = Arial(16);
    title.setBold(true);
    ProductLabel->setFont(title);
    SetTextColour(ProductLabel, Qt::white);

    URLPanel = new QFrame(this);
    URLPanel->setObjectName(QStringLiteral("URLPanel"));
    URLPanel->setGeometry(kBorder, kUrlTop, kClientWidth - 2 * kBorder, kUrlHeight);
    URLPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    URLPanel->hide();

    VisitLabel = new QLabel(QStringLiteral("Visit our online store:"), URLPanel);
    VisitLabel->setObjectName(QStringLiteral("VisitLabel"));
    VisitLabel->setFont(Arial(10));
    VisitLabel->setGeometry(12, 12, URLPanel->width() - 24, 20);

    UrlLabel = new TUrlLabel(webSite.toString(), URLPanel);
    UrlLabel->setObjectName(QStringLiteral("UrlLabel"));
    // Keeps the link's underline: only the face and the size change.
    QFont link = UrlLabel->font();
    link.setFamily(QStringLiteral("Arial"));
    link.setStyleHint(QFont::SansSerif);
    link.setPointSize(10);
    UrlLabel->setFont(link);
    UrlLabel->move(12, 40);
    UrlLabel->adjustSize();

    Okbutton = new QPushButton(OkGlyph(), QStringLiteral("Ok"), this);
    Okbutton->setObjectName(QStringLiteral("Okbutton"));
    Okbutton->setDefault(true);
    Okbutton->setGeometry(
        (kClientWidth - kButtonWidth) / 2,
        kUrlTop + kUrlHeight + (kClientHeight - kUrlTop - kUrlHeight - kButtonHeight) / 2,
        kButtonWidth, kButtonHeight);
    connect(Okbutton, &QPushButton::clicked, this, &TSplashform::OkbuttonClick);

    FormCreate();
}

TSplashform::~TSplashform() = default;

void TSplashform::FormCreate() { URLPanel->show(); }

void TSplashform::SetUrlOpener(TUrlLabel::UrlOpener opener) {
    UrlLabel->SetUrlOpener(std::move(opener));
}

void TSplashform::OkbuttonClick() { accept(); }

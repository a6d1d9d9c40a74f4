#include "app/WindowPlacement.h"

#include <cmath>
#include <cstdint>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/ProfileFile.h"
#include "widgets/DialogPlacement.h"

namespace {

constexpr int kPlainDpi = 96;
constexpr std::int64_t kMaxCoordinate = QWIDGETSIZE_MAX;

const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kRight = QStringLiteral("Right");
const QString kBottom = QStringLiteral("Bottom");
const QString kMaximized = QStringLiteral("Maximized");

// QRect keeps inclusive edges; the settings file and these rules use exclusive ones.
int ExclusiveRight(const QRect& rect) { return rect.x() + rect.width(); }
int ExclusiveBottom(const QRect& rect) { return rect.y() + rect.height(); }

int LogicalDpi(const QScreen* screen) {
    return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY()))
                             : kPlainDpi;
}

QString SectionFor(const QWidget& window) {
    return PlacementSection(QString::fromLatin1(window.metaObject()->className()),
                            LogicalDpi(window.screen()));
}

}  // namespace

QString PlacementSection(const QString& className, int logicalDpi) {
    QString section = className + QStringLiteral("_Placement");
    if (logicalDpi > kPlainDpi) section += QString::number(logicalDpi);
    return section;
}

QRect RectFromEdges(int left, int top, int right, int bottom) {
    const auto fits = [](std::int64_t value) {
        return value >= -kMaxCoordinate && value <= kMaxCoordinate;
    };
    const std::int64_t width = std::int64_t{right} - left;
    const std::int64_t height = std::int64_t{bottom} - top;
    if (!fits(left) || !fits(top) || !fits(right) || !fits(bottom) || !fits(width) ||
        !fits(height)) {
        return QRect();
    }
    return QRect(QPoint(left, top), QSize(static_cast<int>(width), static_cast<int>(height)));
}

TWindowPlacement ReadPlacement(const TProfileFile& settings, const QString& section,
                               bool maximizedFallback) {
    TWindowPlacement placement;
    placement.normal = RectFromEdges(
        settings.ReadInteger(section, kLeft, 0), settings.ReadInteger(section, kTop, 0),
        settings.ReadInteger(section, kRight, 0), settings.ReadInteger(section, kBottom, 0));
    placement.maximized = settings.ReadBool(section, kMaximized, maximizedFallback);
    return placement;
}

void WritePlacement(TProfileFile& settings, const QString& section,
                    const TWindowPlacement& placement) {
    const QRect& rect = placement.normal;
    const QString maximized = placement.maximized ? QStringLiteral("1") : QStringLiteral("0");
    settings.WriteSection(section, {{kLeft, QString::number(rect.x())},
                                    {kTop, QString::number(rect.y())},
                                    {kRight, QString::number(ExclusiveRight(rect))},
                                    {kBottom, QString::number(ExclusiveBottom(rect))},
                                    {kMaximized, maximized}});
}

QRect CentredRectangle(const QSize& designed, const QRect& area) {
    const QPoint topLeft = CentredPosition(true, designed, area, false, QRect());
    return KeptOnScreen(QRect(topLeft, designed), area);
}

QRect KeptOnScreen(const QRect& rect, const QRect& area) {
    QRect kept = rect;
    if (ExclusiveRight(kept) > ExclusiveRight(area)) {
        kept.moveLeft(ExclusiveRight(area) - kept.width());
    }
    // One pixel in, not on the edge itself.
    if (kept.left() < area.left()) kept.moveLeft(area.left() + 1);
    if (ExclusiveBottom(kept) > ExclusiveBottom(area)) {
        kept.moveTop(ExclusiveBottom(area) - kept.height());
    }
    if (kept.top() < area.top()) kept.moveTop(area.top() + 1);
    return kept;
}

QRect PlacedRectangle(const QRect& saved, const QList<QRect>& screens, const QRect& primary,
                      const QSize& designed) {
    const QRect first = CentredRectangle(designed, primary);
    if (ExclusiveBottom(saved) == 0 || saved.width() <= 0 || saved.height() <= 0) return first;

    bool touchesAScreen = false;
    for (const QRect& screen : screens) touchesAScreen = touchesAScreen || screen.intersects(saved);
    if (!touchesAScreen) return first;

    QRect area = primary;
    for (const QRect& screen : screens) {
        if (screen.contains(saved.center())) {
            area = screen;
            break;
        }
    }
    if (saved.width() > area.width() && saved.height() > area.height()) return first;
    return KeptOnScreen(saved, area);
}

void SavePlacement(const QWidget& window, TProfileFile& settings) {
    TWindowPlacement placement;
    placement.normal = window.normalGeometry();
    placement.maximized = window.isMaximized();
    WritePlacement(settings, SectionFor(window), placement);
}

void RestorePlacement(QWidget& window, const TProfileFile& settings, QSize designed) {
    const QScreen* primaryScreen = QGuiApplication::primaryScreen();
    if (primaryScreen == nullptr) return;
    if (!designed.isValid()) designed = window.size();

    const TWindowPlacement saved =
        ReadPlacement(settings, SectionFor(window), window.isMaximized());
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->availableGeometry());
    }
    const QRect placed =
        PlacedRectangle(saved.normal, screens, primaryScreen->availableGeometry(), designed);

    if (saved.maximized) {
        // The normal rectangle goes first, so that un-maximising brings the window back to it.
        if (window.isMaximized())
            window.setWindowState(window.windowState() & ~Qt::WindowMaximized);
        window.setGeometry(placed);
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        return;
    }
    if (window.isMaximized()) window.setWindowState(window.windowState() & ~Qt::WindowMaximized);
    window.setGeometry(placed);
}

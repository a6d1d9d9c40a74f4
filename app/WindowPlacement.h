// Where the main window goes at start and where it was when it closed: its placement kept in the
// settings file, and the rules that bring a saved rectangle back onto the screens of today.
//
// The section is the window's class name + "_Placement", followed by the screen's logical dots
// per inch when they are more than 96, so that different display densities keep separate
// placements. Its keys:
//   Left, Top      the top-left corner of the window's normal (not maximised) rectangle;
//   Right, Bottom  its right and bottom edges, exclusive: Right = Left + width;
//   Maximized      "1" when the window was maximised when it closed, else "0".
// The rectangle is the window's geometry() without the frame the window manager draws around
// it, on save and on restore alike, so that saving and restoring gives back the same geometry.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;
class TProfileFile;

// Every rectangle below is in Qt's device-independent screen coordinates.
struct TWindowPlacement {
    QRect normal;  // the normal (not maximised) rectangle; empty when none was saved
    bool maximized = false;
};

// The settings section for a window of class `className` on a screen of `logicalDpi` dots per
// inch: "<className>_Placement", with the dpi in decimal appended when it is more than 96.
QString PlacementSection(const QString& className, int logicalDpi);

// The rectangle with the edges Left, Top and the exclusive Right, Bottom. Edges whose rectangle
// would not fit Qt's coordinates (beyond +-QWIDGETSIZE_MAX) give an empty rectangle.
QRect RectFromEdges(int left, int top, int right, int bottom);

// Reads the placement of `section`. A missing file, section or key reads as 0 for the edges and
// as `maximizedFallback` for Maximized.
TWindowPlacement ReadPlacement(const TProfileFile& settings, const QString& section,
                               bool maximizedFallback);
// Writes the five keys of `placement` to `section` in one write, replacing what was there.
// Throws std::runtime_error("Unable to write to <path>") when the file cannot be written.
void WritePlacement(TProfileFile& settings, const QString& section,
                    const TWindowPlacement& placement);

// The first placement: `designed` centred on `area` (halves truncated toward zero), then kept on
// it by KeptOnScreen.
QRect CentredRectangle(const QSize& designed, const QRect& area);

// Moves `rect`, without resizing it, onto `area`: a right edge beyond the area's right moves
// the rectangle left until they meet; then a left edge left of the area's moves it right to
// one pixel inside the area. The same vertically, bottom before top. A rectangle wider or
// taller than the area thus keeps its size and starts one pixel inside the area's left or top.
QRect KeptOnScreen(const QRect& rect, const QRect& area);

// Where a window whose saved normal rectangle is `saved` goes. `screens` are the available
// areas of the attached screens, `primary` that of the primary screen, `designed` the size the
// window was designed with.
//  - A saved rectangle with a bottom edge of 0 (none saved), a side of 0 or less, or touching
//    no screen, gives the first placement: CentredRectangle(designed, primary).
//  - Otherwise the screen that holds its centre is used, else the primary one. A rectangle
//    larger than that screen's area both in width and in height also gives the first
//    placement; any other is KeptOnScreen on that screen.
// Needs no screen; RestorePlacement passes the real ones.
QRect PlacedRectangle(const QRect& saved, const QList<QRect>& screens, const QRect& primary,
                      const QSize& designed);

// Saves where `window` is: the placement section for its class and its screen's dpi, with its
// normal rectangle (normalGeometry(), which for a window that is not maximised is its geometry())
// and whether it is maximised. Throws std::runtime_error("Unable to write to <path>") when the
// settings file cannot be written.
// REQUIRES: `window` is a top-level window.
void SavePlacement(const QWidget& window, TProfileFile& settings);

// Gives `window` the placement saved for it (at the first activation of the main window). With
// Maximized saved, or when nothing is saved and the window is maximised already, the window is
// maximised over the placed rectangle, which becomes the rectangle un-maximising gives back.
// Otherwise the window's geometry becomes PlacedRectangle(saved rectangle, available areas of
// the screens, that of the primary screen, `designed`). An invalid `designed` stands for the
// window's present size, which is the designed size of a window not yet placed. Does nothing
// without a screen. Never throws: an unreadable settings file reads as nothing saved.
// REQUIRES: `window` is a top-level window.
void RestorePlacement(QWidget& window, const TProfileFile& settings, QSize designed = QSize());

// The program's pointing hand, drawn in code: the cursor of web links ("HAND") and, in other
// colours, of buttons and of the pedigree's links (app/Artwork.h).
#pragma once

#include <QColor>
#include <QCursor>
#include <QPixmap>

// A pointing hand filled with `fill`, outlined in black, with a grey cuff at the wrist, 32 x 32,
// the tip of its index finger on (kLinkHandHotX, kLinkHandHotY). Each call draws a new image.
// REQUIRES for both functions: a QGuiApplication exists.
QPixmap PointingHandImage(const QColor& fill);

// The white hand, its hot spot on the fingertip.
QCursor LinkHandCursor();

// The hot spot of the hand in its image.
constexpr int kLinkHandHotX = 11;
constexpr int kLinkHandHotY = 1;

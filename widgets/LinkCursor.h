// The hand cursor of web links ("HAND"), drawn in code.
#pragma once

#include <QCursor>

// A white pointing hand with a grey cuff at the wrist, 32 x 32, its hot spot on the tip of the
// index finger. Each call draws a new image.
// REQUIRES: a QGuiApplication exists.
QCursor LinkHandCursor();

// The hot spot of LinkHandCursor() in its image.
constexpr int kLinkHandHotX = 11;
constexpr int kLinkHandHotY = 1;

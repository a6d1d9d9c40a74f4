// The program's numbered cursor slots. The main window fills them at creation with the program's
// own cursors; every control that acts as a link takes its cursor from here, so it needs no
// knowledge of the artwork. User-interface thread only.
#pragma once

#include <QCursor>

// The pointing hand of buttons.
constexpr int kCrHandPoint = 5;
// The pointing hand of links: pedigree names, the spouses-and-children tree, the siblings list.
constexpr int kCrHandPoint2 = 6;
// The hand of web links (TUrlLabel), which fills it with LinkHandCursor() at its creation. A
// slot of its own, so that the buttons' hand in kCrHandPoint stays theirs.
constexpr int kCrHand = 7;

// Puts `cursor` into slot `slot`, replacing what was there.
void SetScreenCursor(int slot, const QCursor& cursor);

// Returns the cursor in slot `slot`, or the arrow cursor when the slot was never filled.
QCursor ScreenCursor(int slot);

// True when slot `slot` holds a cursor.
bool HasScreenCursor(int slot);

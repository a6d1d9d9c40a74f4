// The program's artwork, drawn in code: the application icon, the pointing-hand cursors of links
// and buttons, and the toolbar glyphs.
// REQUIRES for every function: a QGuiApplication exists.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QList>
#include <QPixmap>

// A small pedigree chart: one box joined to two boxes on its right.
QIcon AppIcon();

// The program's pointing hand (widgets/HandCursor.h) with its hot spot on the fingertip
// ("HANDPOINT": buttons).
QCursor HandPointCursor();
// The same hand tinted like the pedigree's background ("HANDPOINT2": links).
QCursor HandPoint2Cursor();

// The node images of the spouses-and-children tree, 16 x 16 each, in this order: a yellow
// smiling face, a walking figure, a blue serif capital "S" (spouse) and a dark red serif
// lower-case "c" (child).
QList<QPixmap> TreeNodeImages();

// Toolbar glyphs.
QIcon OpenGedcomGlyph();
QIcon SelectPersonGlyph();
QIcon FindSurnameGlyph();
QIcon WebSiteGlyph();
// Arrows pointing left (Back) and right (Forward).
QIcon BackGlyph();
QIcon ForwardGlyph();

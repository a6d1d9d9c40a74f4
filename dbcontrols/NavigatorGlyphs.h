// NavigatorGlyphs: the pictures of the navigator's buttons, drawn in code and looked up by their
// resource names ("HCN_TOP", "HCN_PREVIOUS", ... "HCN_REFRESH").
#pragma once

#include <QPixmap>
#include <QStringList>
#include <QStringView>

// Side of one glyph in pixels; a glyph pair is twice as wide.
constexpr int kNavigatorGlyphSize = 16;

// The twelve resource names, in the navigator's button order.
const QStringList& NavigatorGlyphNames();

// The glyph pair named `name` (compared case-insensitively, so "hcn_top" is "HCN_TOP"): a 32 x 16
// pixmap holding the picture for an enabled button on the left and its greyed form, the same
// shape in one mid grey, for a disabled button on the right. The colours are mid-toned so that
// both halves read on light and dark button faces. A null pixmap for an unknown name.
// REQUIRES: a QGuiApplication; user-interface thread.
QPixmap NavigatorGlyph(QStringView name);

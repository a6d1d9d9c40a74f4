// GridColumns: the column items of the data-aware grids ("NAME;2;Last Name;0;0%324"), the default
// column list made from a table's fields, and the text a data cell shows. No widgets: text
// widths come in as a measuring function.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringList>

// Where a cell's text sits: 2 pixels from the left edge, 2 pixels from the right edge, or centred.
enum class HColumnAlign : int { Left = 0, Right = 1, Center = 2 };

// One column as an item describes it.
struct HGridColumn {
    static constexpr int kMaxNameLength = 10;
    static constexpr int kMaxTitleLength = 30;
    static constexpr int kNoWidth = -1;

    QString fieldName;    // at most kMaxNameLength characters
    int fieldNumber = 0;  // 1-based; 0 shows nothing. Looked up by name once a table is open.
    QString title;        // at most kMaxTitleLength characters, shown in the title row
    int tag = 0;          // the item's fourth number: kept with the column, no effect
    HColumnAlign alignment = HColumnAlign::Left;
    int width = kNoWidth;  // pixels; kNoWidth when the item gives none
};

// Parses a column item: field name, field number, title, a kept number and the alignment,
// separated by ";", then "%" and the width in pixels. The alignment is read up to the "%", so a
// title may hold a "%". Missing parts are empty or 0 (the width kNoWidth); a number that does
// not parse is 0 (the width kNoWidth); an alignment other than 1 or 2 is left. Longer names and
// titles are cut.
HGridColumn ParseColumnItem(const QString& item);

// `item` with its width set to `width`: the "%" part replaced, or added after the fifth part
// (missing ";" separators are added).
QString WithColumnWidth(const QString& item, int width);

// A table field as the default column list needs it.
struct HGridFieldInfo {
    QString name;
    int width = 0;  // the field's length in characters
};

// The default column list: one item per field, "NAME;n;NAME;0;0%w" for field number n. With a
// measuring function (automatic sizing) w is the width of "O" times (field length + 1), or the
// width of the name followed by "O" when that is larger; without one, `defaultWidth`.
QStringList DefaultColumnItems(const std::vector<HGridFieldInfo>& fields,
                               const std::function<int(const QString&)>& textWidth,
                               int defaultWidth);

// The bytes a data cell shows for a field's display text: blanks trimmed at both ends and, when
// the table transliterates, converted from the OEM code page to the ANSI code page.
std::string CellBytes(std::string_view displayText, bool transliterate);

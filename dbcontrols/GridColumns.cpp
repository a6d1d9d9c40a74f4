#include "dbcontrols/GridColumns.h"

#include <algorithm>

#include "table/CharServices.h"

namespace {

int ToNumber(const QString& text, int fallback) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

HGridColumn ParseColumnItem(const QString& item) {
    HGridColumn column;
    // Four separators at most: the fifth part runs to the end and holds alignment and width.
    const QStringList parts = item.split(QLatin1Char(';'));
    auto part = [&parts](qsizetype i) { return i < parts.size() ? parts[i] : QString(); };
    column.fieldName = part(0).trimmed().left(HGridColumn::kMaxNameLength);
    column.fieldNumber = std::max(0, ToNumber(part(1), 0));
    column.title = part(2).left(HGridColumn::kMaxTitleLength);
    column.tag = ToNumber(part(3), 0);

    QString rest;
    for (qsizetype i = 4; i < parts.size(); ++i) rest += (i > 4 ? ";" : "") + parts[i];
    const qsizetype percent = rest.indexOf(QLatin1Char('%'));
    const QString align = percent < 0 ? rest : rest.left(percent);
    switch (ToNumber(align, 0)) {
        case 1:
            column.alignment = HColumnAlign::Right;
            break;
        case 2:
            column.alignment = HColumnAlign::Center;
            break;
        default:
            column.alignment = HColumnAlign::Left;
    }
    if (percent >= 0) {
        const int width = ToNumber(rest.mid(percent + 1), HGridColumn::kNoWidth);
        column.width = width >= 0 ? width : HGridColumn::kNoWidth;
    }
    return column;
}

QString WithColumnWidth(const QString& item, int width) {
    // The width follows the first "%" after the fourth ";" (a title may hold a "%" too).
    QString head = item;
    qsizetype from = 0;
    for (int i = 0; i < 4; ++i) {
        const qsizetype separator = head.indexOf(QLatin1Char(';'), from);
        if (separator < 0) {
            head += QLatin1Char(';');
            from = head.size();
        } else {
            from = separator + 1;
        }
    }
    const qsizetype percent = head.indexOf(QLatin1Char('%'), from);
    if (percent >= 0) head.truncate(percent);
    return head + QLatin1Char('%') + QString::number(width);
}

QStringList DefaultColumnItems(const std::vector<HGridFieldInfo>& fields,
                               const std::function<int(const QString&)>& textWidth,
                               int defaultWidth) {
    QStringList items;
    int number = 0;
    for (const HGridFieldInfo& field : fields) {
        ++number;
        int width = defaultWidth;
        if (textWidth) {
            width = std::max(textWidth(QStringLiteral("O")) * (field.width + 1),
                             textWidth(field.name + QLatin1Char('O')));
        }
        items << field.name + QLatin1Char(';') + QString::number(number) + QLatin1Char(';') +
                     field.name + QStringLiteral(";0;0%") + QString::number(width);
    }
    return items;
}

std::string CellBytes(std::string_view displayText, bool transliterate) {
    const size_t begin = displayText.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    const size_t end = displayText.find_last_not_of(' ');
    std::string bytes(displayText.substr(begin, end - begin + 1));
    if (transliterate) OemToAnsi(bytes.data(), bytes.size());
    return bytes;
}

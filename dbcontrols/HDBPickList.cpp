#include "dbcontrols/HDBPickList.h"

#include <functional>
#include <vector>

#include <QFontMetrics>

#include "dbcontrols/GridColumns.h"
#include "table/HTable.h"
#include "widgets/AnsiText.h"

HDBPickList::HDBPickList(QWidget* parent) : HDBCustomGrid(parent) {
    SetPermissions(kAllLookupPermissions);
}

QStringList HDBPickList::DefaultFieldList(HTable& table) {
    std::vector<HGridFieldInfo> fields;
    for (int f = 1; f <= table.FieldCount(); ++f) {
        fields.push_back({FromAnsi(table.FieldName(f)), table.FieldWidth(f)});
    }
    std::function<int(const QString&)> measure;
    if (autoSizeColumns_) {
        const QFontMetrics metrics(font());
        measure = [metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    }
    return DefaultColumnItems(fields, measure, DefaultColWidth());
}

// HDBPickList: the pick-list grid as windows place it: the data-aware grid (HDBCustomGrid) with
// its properties under their published names and a default column list built from the bound
// table's fields.
#pragma once

#include <QString>
#include <QStringList>

#include "dbcontrols/HDBCustomGrid.h"

class HTable;

// All behaviour is the base's. Created with every permission; while PickFieldList() is empty the
// grid shows one column per field of its active table (see DefaultColumnItems), rebuilt when
// another table file becomes active. User-interface thread only.
class HDBPickList : public HDBCustomGrid {
    Q_OBJECT
    Q_PROPERTY(QString PickDBFField READ PickDBFField WRITE SetPickDBFField)
    Q_PROPERTY(QStringList PickFieldList READ PickFieldList WRITE SetPickFieldList)
    Q_PROPERTY(bool AutoSizeColumns READ AutoSizeColumns WRITE SetAutoSizeColumns)

public:
    explicit HDBPickList(QWidget* parent = nullptr);

    // The bound table (see SetDBFTable). Not owned.
    HTable* PickDBFTable() const { return DBFTable(); }
    void SetPickDBFTable(HTable* table) { SetDBFTable(table); }
    // The name of a field of the table, kept for the caller; the grid does not use it.
    const QString& PickDBFField() const { return pickDBFField_; }
    void SetPickDBFField(const QString& field) { pickDBFField_ = field; }
    // The column items (see SetFieldList); empty: built from the table.
    const QStringList& PickFieldList() const { return FieldList(); }
    void SetPickFieldList(const QStringList& items) { SetFieldList(items); }
    // Whether the default columns are as wide as their fields in the grid's font (true), or all
    // DefaultColWidth() wide. Takes effect when the default list is next built.
    bool AutoSizeColumns() const { return autoSizeColumns_; }
    void SetAutoSizeColumns(bool on) { autoSizeColumns_ = on; }

protected:
    QStringList DefaultFieldList(HTable& table) override;

private:
    QString pickDBFField_;
    bool autoSizeColumns_ = true;
};

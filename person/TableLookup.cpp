#include "person/TableLookup.h"

#include <cmath>

#include "table/CharServices.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"

int32_t TTableLookup::RecNo() const { return table_.RecNo(); }

void TTableLookup::GoTo(int32_t recNo) { table_.Go(recNo); }

bool TTableLookup::SelectTag(std::string_view tag) {
    table_.SetTagTo(std::string(tag));
    HDBFTable* table = table_.Table();
    return table != nullptr && AnsiUpper(table->OrderName()) == AnsiUpper(tag);
}

bool TTableLookup::FindKey(std::string_view key) {
    bool exact = table_.ExactFind();
    table_.SetExactFind(true);
    bool found = false;
    try {
        found = table_.Find(std::string(key));
    } catch (...) {
        table_.SetExactFind(exact);
        throw;
    }
    table_.SetExactFind(exact);
    return found;
}

std::string TTableLookup::FieldText(std::string_view field) const {
    return table_.StringGet(field);
}

bool TTableLookup::Next() {
    table_.Skip(1);
    return !table_.Eof();
}

int64_t TTableLookup::FieldInteger(std::string_view field) const {
    HDBFTable* table = table_.Table();
    if (table == nullptr) return table_.IntegerGet(field);  // reports "Table not active"
    return static_cast<int64_t>(std::llround(table->NumberGet(field)));
}

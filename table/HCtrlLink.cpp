#include "table/HCtrlLink.h"

#include "table/EZadarirError.h"
#include "table/HTable.h"

HCtrlLink::~HCtrlLink() {
    if (table_) table_->DetachLink(this);
}

void HCtrlLink::SetTable(HTable* table) {
    if (table == table_) return;
    if (table_) table_->DetachLink(this);
    if (table) table->AttachLink(this);
}

void HCtrlLink::SetFieldName(const std::string& name) {
    fieldName_ = name.substr(0, 10);
    resolved_ = false;
}

void HCtrlLink::Resolve() {
    resolved_ = true;
    fieldNumber_ = fieldType_ = fieldWidth_ = fieldDecimals_ = 0;
    if (!table_ || fieldName_.empty()) return;
    const int number = table_->FieldNumber(fieldName_);
    if (number == 0) {
        const std::string name = fieldName_;
        fieldName_.clear();
        throw EZadarirError("Field " + name + " not found");
    }
    fieldNumber_ = number;
    fieldType_ = table_->FieldTypeCode(number);
    fieldWidth_ = table_->FieldWidth(number);
    fieldDecimals_ = table_->FieldDecimals(number);
}

int HCtrlLink::FieldNumber() {
    if (!resolved_ && table_ && table_->Active()) Resolve();
    return fieldNumber_;
}

bool HCtrlLink::CanModify() {
    if (readOnly_ || !table_) return false;
    auto editing = [this] {
        return table_->State() == HTableState::Edit || table_->State() == HTableState::Insert;
    };
    if (editing()) return true;
    if (table_->Active() && !table_->ReadOnly() && table_->AutoEdit()) table_->Edit();
    return editing();
}

void HCtrlLink::Receive(HDBEvent event, int32_t info) {
    if (event == HDBEvent::TableGone) {
        if (table_) table_->DetachLink(this);
        table_ = nullptr;
        resolved_ = false;
    } else if (event == HDBEvent::Layout) {
        try {
            Resolve();
        } catch (...) {
            Notify(event, info);
            throw;
        }
    }
    Notify(event, info);
}

#include "db/FieldDataLink.h"

#include "db/Field.h"

namespace db {

void FieldDataLink::setFieldName(const QString& name) {
    if (fieldName_ == name)
        return;
    fieldName_ = name;
    bindField();
    updateEditing();
    fieldDataChange();
}

bool FieldDataLink::canModify() const {
    return !readOnly() && field_ && field_->kind() == FieldKind::Data && !field_->readOnly() &&
           field_->dataSet().canModify();
}

bool FieldDataLink::edit() {
    if (canModify())
        DataLink::edit();
    updateEditing();
    return editing_;
}

void FieldDataLink::reset() {
    recordChanged(nullptr);
}

void FieldDataLink::activeChanged() {
    bindField();
    updateEditing();
    fieldDataChange();
}

void FieldDataLink::recordChanged(Field* changed) {
    if (changed == nullptr || changed == field_)
        fieldDataChange();
}

void FieldDataLink::editingChanged() {
    updateEditing();
}

void FieldDataLink::updateData() {
    if (isModified() && field_)
        writeFieldData();
}

void FieldDataLink::bindField() {
    DataSet* set = dataSet();
    field_ = set && set->active() && !fieldName_.isEmpty() ? set->findField(fieldName_) : nullptr;
}

void FieldDataLink::updateEditing() {
    const bool now = DataLink::editing() && canModify();
    if (now == editing_)
        return;
    editing_ = now;
    fieldEditingChange();
}

} // namespace db

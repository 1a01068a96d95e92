#include "db/FieldDataLink.h"

#include "db/Field.h"

namespace db {

void FieldDataLink::setFieldName(const QString& name) {
    if (fieldName_ == name)
        return;
    fieldName_ = name;
    bindField();
    updateEditing();
    tellDataChange();
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
    tellDataChange();
}

void FieldDataLink::recordChanged(Field* changed) {
    if (changed == nullptr || changed == field_)
        tellDataChange();
}

void FieldDataLink::editingChanged() {
    updateEditing();
}

void FieldDataLink::updateData() {
    if (isModified() && field_ && onUpdateData)
        onUpdateData();
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
    if (onEditingChange)
        onEditingChange();
}

void FieldDataLink::tellDataChange() {
    if (onDataChange)
        onDataChange();
}

} // namespace db

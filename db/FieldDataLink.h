#pragma once

#include "db/DataSource.h"

#include <QString>

namespace db {

// A data-aware control's link to one field of a data source. A control derives its own
// link and hears of the link's events through three virtual functions, as every link
// does:
// - fieldDataChange: the field's value (or the field itself) changed, or the record
//   moved; the control shows the field's value again.
// - fieldEditingChange: the link started or stopped editing (the data set edits and the
//   field may be changed).
// - writeFieldData: a post is about to store the record and the control's text was
//   changed since it was last shown; the control writes its text into the field.
class FieldDataLink : public DataLink {
public:
    FieldDataLink() = default;

    const QString& fieldName() const { return fieldName_; }
    void setFieldName(const QString& name);
    // The field named, while the data set is open and has it; null otherwise.
    Field* field() const { return field_; }

    // True when the field may be changed through this link: the link is not read-only
    // and the data set can modify the data field, which is not read-only itself.
    bool canModify() const;
    // Puts the data set into edit state when the field may be changed; answers whether
    // the link is editing afterwards.
    bool edit();
    // True while the data set edits and the field may be changed.
    bool editing() const { return editing_; }
    // Shows the field's value again in the control, discarding what was typed.
    void reset();

protected:
    virtual void fieldDataChange() {}
    virtual void fieldEditingChange() {}
    virtual void writeFieldData() {}

    void activeChanged() override;
    void recordChanged(Field* changed) override;
    void editingChanged() override;
    void updateData() override;

private:
    void bindField();
    void updateEditing();

    QString fieldName_;
    Field* field_ = nullptr;
    bool editing_ = false;
};

} // namespace db

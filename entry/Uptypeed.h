#pragma once

#include "db/DataSet.h"
#include "entry/UTypedEd.h"

#include <QPointer>

namespace entry {

// A typed edit that is the filter input of a data set. Its value goes into the
// parameter paramName of a filter query; the query is closed as soon as the user starts
// typing and again when a new value has been confirmed (the form's owner opens it
// again). For a table as filter, a confirmed typed value sets the table's index field
// names to filterIndex. Up and Down step the filter's rows while the field has the
// focus. Edits on one parent with the same positive GroupIndex exclude each other:
// typing into one clears the others.
//
// Without a filter and with GroupIndex 0 it behaves as a plain typed edit.
class TPTypedEdit : public TTypedEdit {
    Q_OBJECT
public:
    using TTypedEdit::TTypedEdit;

    db::DataSet* filter() const { return filter_; }
    void setFilter(db::DataSet* filter) { filter_ = filter; } // not owned
    QString filterIndex;
    QString paramName;
    int GroupIndex = 0;

    void Touch() override;
    void ValueChanged() override;

    // Puts the edit's value into the query's parameter paramName; answers whether the
    // filter has to be refreshed: the parameter changed, or the edit was touched (and
    // the data set is assigned). Raises when the query has no such parameter.
    static bool ApplyToParam(TPTypedEdit& edit, db::DataSet* filter);
    // After ApplyToParam asked for it: an open query is closed, an open table takes
    // filterIndex as its index field names.
    void RefreshFilter(db::DataSet* filter);
    // Empties the other edits of the group and their parameters.
    void ClearGroup();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool stepFilter(int key);

    QPointer<db::DataSet> filter_;
};

} // namespace entry

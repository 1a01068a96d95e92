#include "entry/Uptypeed.h"

#include "controls/HelperRoutines.h"
#include "db/Query.h"
#include "db/Table.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopeGuard>

namespace entry {

void TPTypedEdit::Touch() {
    TTypedEdit::Touch();
    if (auto* query = qobject_cast<db::Query*>(filter_.data()))
        query->close();
    if (GroupIndex > 0)
        ClearGroup();
}

void TPTypedEdit::ValueChanged() {
    RefreshFilter(filter_);
    TTypedEdit::ValueChanged();
}

bool TPTypedEdit::ApplyToParam(TPTypedEdit& edit, db::DataSet* filter) {
    const bool result = edit.Touched() && filter;
    if (!filter || edit.paramName.isEmpty())
        return result;
    auto* query = qobject_cast<db::Query*>(filter);
    if (!query)
        return result;
    db::Param& param = query->paramByName(edit.paramName);
    if (edit.ValueParam().isNull()) {
        if (param.isNull())
            return result;
        param.clear();
        return true;
    }
    return controls::AssignParamIfChanged(param, edit.ValueParam().value()) || result;
}

void TPTypedEdit::RefreshFilter(db::DataSet* filter) {
    if (!ApplyToParam(*this, filter) || !filter->active())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    db::withControlsDisabled(*filter, [&] {
        if (auto* table = qobject_cast<db::Table*>(filter)) {
            if (!filterIndex.isEmpty())
                table->setIndexFieldNames(filterIndex);
        } else if (auto* query = qobject_cast<db::Query*>(filter)) {
            query->close();
        }
    });
}

void TPTypedEdit::ClearGroup() {
    if (!parentWidget())
        return;
    for (QObject* child : parentWidget()->children()) {
        auto* other = qobject_cast<TPTypedEdit*>(child);
        if (!other || other == this || other->GroupIndex != GroupIndex)
            continue;
        other->ValueParam().clear();
        other->ShowText();
        ApplyToParam(*other, other->filter());
    }
}

// Up and Down step the filter's rows; with a filter they never reach the edit.
bool TPTypedEdit::stepFilter(int key) {
    if (!filter_)
        return false;
    if (filter_->active()) {
        if (key == Qt::Key_Up && !filter_->bof())
            filter_->prior();
        else if (key == Qt::Key_Down && !filter_->eof())
            filter_->next();
    }
    return true;
}

void TPTypedEdit::keyPressEvent(QKeyEvent* event) {
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && stepFilter(event->key())) {
        event->accept();
        return;
    }
    TTypedEdit::keyPressEvent(event);
}

} // namespace entry

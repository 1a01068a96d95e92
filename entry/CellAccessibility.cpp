#include "entry/CellAccessibility.h"

#include "platform/Application.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <vector>

namespace entry {

namespace {

class GridAccessible;

// One cell of a grid: a child without a widget of its own.
class CellAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CellAccessible(GridAccessible* grid, int index) : grid_(grid), index_(index) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override;
    void doAction(const QString& action) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TAccessibleCells* cells() const;
    GridAccessible* grid_;
    int index_;
};

// The grid: a table whose children are its cells, made once and kept while the grid
// interface lives.
class GridAccessible : public QAccessibleWidget {
public:
    GridAccessible(QWidget* widget, TAccessibleCells* cells)
        : QAccessibleWidget(widget, QAccessible::Table), cells_(cells) {}
    ~GridAccessible() override {
        for (QAccessible::Id id : cellIds_)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }
    TAccessibleCells* cells() const { return cells_; }
    QWidget* gridWidget() const { return widget(); }

    int childCount() const override { return cells_->AccessibleCellCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (cellIds_.size() <= static_cast<size_t>(index))
            cellIds_.resize(index + 1, 0);
        if (!cellIds_[index])
            cellIds_[index] = QAccessible::registerAccessibleInterface(
                new CellAccessible(const_cast<GridAccessible*>(this), index));
        return QAccessible::accessibleInterface(cellIds_[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int index = 0; index < childCount(); ++index)
            if (this->child(index) == child)
                return index;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        for (int index = 0; index < childCount(); ++index)
            if (cells_->AccessibleCellRect(index).contains(local))
                return child(index);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (!widget()->hasFocus())
            return nullptr;
        for (int index = 0; index < childCount(); ++index)
            if (cells_->AccessibleCellChosen(index))
                return child(index);
        return nullptr;
    }

private:
    TAccessibleCells* cells_;
    mutable std::vector<QAccessible::Id> cellIds_;
};

bool CellAccessible::isValid() const {
    return grid_->isValid() && index_ < cells()->AccessibleCellCount();
}

QWindow* CellAccessible::window() const {
    return grid_->window();
}

QAccessibleInterface* CellAccessible::parent() const {
    return grid_;
}

TAccessibleCells* CellAccessible::cells() const {
    return grid_->cells();
}

QString CellAccessible::text(QAccessible::Text kind) const {
    return kind == QAccessible::Name ? cells()->AccessibleCellText(index_) : QString();
}

QRect CellAccessible::rect() const {
    const QRect local = cells()->AccessibleCellRect(index_);
    return QRect(grid_->gridWidget()->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role CellAccessible::role() const {
    return cells()->AccessibleCellRole(index_);
}

QAccessible::State CellAccessible::state() const {
    QAccessible::State state;
    state.selectable = role() == QAccessible::Cell || role() == QAccessible::Button;
    state.selected = cells()->AccessibleCellChosen(index_);
    state.focused = state.selected && grid_->gridWidget()->hasFocus();
    state.focusable = state.selectable;
    return state;
}

QStringList CellAccessible::actionNames() const {
    if (role() == QAccessible::ColumnHeader)
        return {};
    return {pressAction()};
}

void CellAccessible::doAction(const QString& action) {
    // Choosing a cell runs the grid's handlers, which may raise: behind the guard, like
    // a click on the cell.
    if (action == pressAction())
        platform::runGuarded([this] { cells()->ChooseAccessibleCell(index_); });
}

QAccessibleInterface* cellGridFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (auto* cells = dynamic_cast<TAccessibleCells*>(widget))
        return new GridAccessible(widget, cells);
    return nullptr;
}

} // namespace

void InstallCellAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&cellGridFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace entry

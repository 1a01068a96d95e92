#pragma once

#include "db/DataSource.h"

#include <QPointer>
#include <QWidget>
#include <array>

class QToolButton;

namespace controls {

// A row of buttons that move through and edit the data set of a data source. A button
// is enabled only when its action makes sense in the data set's state. Deleting asks
// the operator first. btnClick raises what the data set's action raises (a failing
// post, delete, insert or refresh); a click runs it behind the handler guard, so the
// error goes to the application's error display and the data set keeps its state.
class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int ButtonCount = Refresh + 1;

    explicit DbNavigator(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return source_; }
    QToolButton* button(Button which) const { return buttons_[which]; }
    // Runs the button's action, as a click does.
    void btnClick(Button which);

private:
    void updateButtons();
    void deleteAfterConfirmation();

    QPointer<db::DataSource> source_;
    std::array<QToolButton*, ButtonCount> buttons_{};
};

} // namespace controls

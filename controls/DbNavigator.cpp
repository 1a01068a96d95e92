#include "controls/DbNavigator.h"

#include "db/DataSet.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace controls {

namespace {

struct ButtonLook {
    const char* name;
    const char* glyph;
    const char* hint;
};

constexpr std::array<ButtonLook, DbNavigator::ButtonCount> looks{{
    {"nbFirst", "|<", "First record"},
    {"nbPrior", "<", "Prior record"},
    {"nbNext", ">", "Next record"},
    {"nbLast", ">|", "Last record"},
    {"nbInsert", "+", "Insert record"},
    {"nbDelete", "-", "Delete record"},
    {"nbEdit", "^", "Edit record"},
    {"nbPost", "\u2713", "Post edit"},
    {"nbCancel", "\u2715", "Cancel edit"},
    {"nbRefresh", "\u21bb", "Refresh data"},
}};

} // namespace

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int which = 0; which < ButtonCount; ++which) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(looks[which].name));
        button->setText(QString::fromUtf8(looks[which].glyph));
        button->setToolTip(QString::fromLatin1(looks[which].hint));
        button->setAccessibleName(button->toolTip());
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(button, &QToolButton::clicked, this,
                platform::guarded([this, which] { btnClick(static_cast<Button>(which)); }));
        layout->addWidget(button);
        buttons_[which] = button;
    }
    updateButtons();
}

void DbNavigator::setDataSource(db::DataSource* source) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_) {
        connect(source_, &db::DataSource::stateChanged, this, &DbNavigator::updateButtons);
        connect(source_, &db::DataSource::dataChanged, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::updateButtons() {
    db::DataSet* set = source_ ? source_->dataSet() : nullptr;
    const bool active = set && set->active();
    const bool editing = active && (set->state() == db::DataSetState::Edit ||
                                    set->state() == db::DataSetState::Insert);
    const bool canModify = active && set->canModify();
    const bool empty = !active || (set->bof() && set->eof());
    const bool enabled[ButtonCount] = {
        active && !set->bof(), // First
        active && !set->bof(), // Prior
        active && !set->eof(), // Next
        active && !set->eof(), // Last
        canModify,             // Insert
        canModify && !empty,   // Delete
        canModify && !editing, // Edit
        canModify && editing,  // Post
        canModify && editing,  // Cancel
        active && !editing,    // Refresh
    };
    for (int which = 0; which < ButtonCount; ++which)
        buttons_[which]->setEnabled(enabled[which]);
}

void DbNavigator::btnClick(Button which) {
    db::DataSet* set = source_ ? source_->dataSet() : nullptr;
    if (!set)
        return;
    switch (which) {
    case First:
        set->first();
        break;
    case Prior:
        set->prior();
        break;
    case Next:
        set->next();
        break;
    case Last:
        set->last();
        break;
    case Insert:
        set->insert();
        break;
    case Delete:
        deleteAfterConfirmation();
        break;
    case Edit:
        set->edit();
        break;
    case Post:
        set->post();
        break;
    case Cancel:
        set->cancel();
        break;
    case Refresh:
        set->refresh();
        break;
    }
    updateButtons();
}

void DbNavigator::deleteAfterConfirmation() {
    const platform::MessageResult answer = platform::showMessage(
        platform::MessageKind::Confirmation, QStringLiteral("Delete record?"));
    const bool confirmed =
        answer == platform::MessageResult::Yes || answer == platform::MessageResult::Ok;
    if (confirmed && source_ && source_->dataSet())
        source_->dataSet()->deleteRecord();
}

} // namespace controls

// The page "Lookups": a lookup combo box and a lookup list box over the demo clients
// (table KMT), each writing the chosen key into a field beside it, and a check box that
// confines both to one client group. Clients in Koper are painted struck out (still
// choosable), to show disabled rows.
#include "controls/KVDbCtrl.h"
#include "db/DataSource.h"
#include "db/Table.h"
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/Variant.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace {

const QString kPageTitle = QStringLiteral("Lookups");
const QString kDisabledTown = QStringLiteral("Koper");
const QString kRangeGroup = QStringLiteral("2");

bool rowEnabled(const controls::TKVDBLookupListBox& list) {
    return list.ActiveRowValue(QStringLiteral("KRAJ")).toString() != kDisabledTown;
}

// The list box of the page: rows of clients in Koper are disabled.
class DemoLookupList : public controls::TKVDBLookupListBox {
public:
    using TKVDBLookupListBox::TKVDBLookupListBox;
    bool IsRowEnabled() override { return rowEnabled(*this); }
};

// The keys of a control as text: the key value, and the selected keys when several.
QString keyText(const controls::TKVDBLookupControl& control) {
    const QVariant keys = control.SelectedKeys();
    if (keys.metaType().id() == QMetaType::QVariantList && keys.toList().size() > 1) {
        QStringList texts;
        for (const QVariant& key : keys.toList())
            texts << platform::variantToText(key);
        return texts.join(QStringLiteral(", "));
    }
    return platform::variantToText(control.KeyValue());
}

db::DataSource* clientSource(QWidget* page, const QString& name) {
    auto* table = new db::Table(page);
    table->setObjectName(QStringLiteral("t") + name);
    table->setDatabaseName(QStringLiteral("LB"));
    table->setTableName(QStringLiteral("KMT"));
    table->open();
    table->fieldByName(QStringLiteral("NAZIV")).setDisplayWidth(24);
    auto* source = new db::DataSource(page);
    source->setObjectName(QStringLiteral("ds") + name);
    source->setDataSet(table);
    return source;
}

QLineEdit* keyField(QWidget* page, const QString& name) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setMaximumWidth(140);
    edit->setPlaceholderText(QStringLiteral("key"));
    return edit;
}

// Places the control's key field beside it (the grid's third column) with a label.
void addKeyField(QGridLayout* grid, const QString& caption, QLineEdit* edit) {
    const int row = grid->rowCount() - 1;
    auto* label = new QLabel(caption, edit->parentWidget());
    platform::setBuddy(label, edit);
    grid->addWidget(label, row, 2, Qt::AlignTop);
    grid->addWidget(edit, row, 3, Qt::AlignTop);
}

template <typename Control>
void setUpControl(Control* control, db::DataSource* source, const QString& listField) {
    control->setKeyField(QStringLiteral("SFKMT"));
    control->setListField(listField);
    control->setListSource(source);
}

QWidget* buildLookupsPage(gallery::GalleryContext&) {
    auto* page = new QWidget;
    QGridLayout* grid = gallery::formGrid(page);

    auto* combo = new controls::TKVDBLookupComboBox(page);
    combo->setObjectName(QStringLiteral("cbLookup"));
    combo->setMinimumWidth(260);
    setUpControl(combo, clientSource(page, QStringLiteral("KmtCombo")), QStringLiteral("NAZIV"));
    combo->setDropDownRows(10);
    combo->setOnListRowEnabled(
        [combo](QObject*, bool& enabled) { enabled = rowEnabled(*combo->DataList()); });
    gallery::addRow(grid, QStringLiteral("Lookup combo"), combo);
    auto* comboKey = keyField(page, QStringLiteral("eComboKey"));
    addKeyField(grid, QStringLiteral("Combo key"), comboKey);

    auto* list = new DemoLookupList(page);
    list->setObjectName(QStringLiteral("lbLookup"));
    list->setMinimumWidth(360);
    setUpControl(list, clientSource(page, QStringLiteral("KmtList")), QStringLiteral("NAZIV;KRAJ"));
    list->setRowCount(12);
    list->ApplySearchText({}); // in the order of the names from the start
    gallery::addRow(grid, QStringLiteral("Lookup list"), list);
    auto* listKey = keyField(page, QStringLiteral("eListKey"));
    addKeyField(grid, QStringLiteral("List keys"), listKey);

    auto* range = new QCheckBox(QStringLiteral("Range"), page);
    range->setObjectName(QStringLiteral("cbRange"));
    range->setToolTip(QStringLiteral("Only clients of group %1").arg(kRangeGroup));
    grid->addWidget(range, grid->rowCount(), 1);
    auto* note = new QLabel(QStringLiteral("Type a name to narrow the lists; Ctrl+click selects "
                                           "several rows. Clients in %1 are struck out.")
                                .arg(kDisabledTown),
                            page);
    note->setWordWrap(true);
    grid->addWidget(note, grid->rowCount(), 1, 1, 3);

    QObject::connect(combo, &controls::TKVDBLookupControl::keyChanged, comboKey,
                     [combo, comboKey] { comboKey->setText(keyText(*combo)); });
    QObject::connect(list, &controls::TKVDBLookupControl::keyChanged, listKey,
                     [list, listKey] { listKey->setText(keyText(*list)); });
    QObject::connect(range, &QCheckBox::toggled, page, platform::guarded([combo, list](bool on) {
                         for (controls::TKVDBLookupControl* control :
                              {static_cast<controls::TKVDBLookupControl*>(combo),
                               static_cast<controls::TKVDBLookupControl*>(list)}) {
                             control->setRangeField(on ? QStringLiteral("SKUPINA") : QString());
                             control->setRangeValue(on ? kRangeGroup : QString());
                             control->ApplySearchText({});
                         }
                         list->SetKeyValue(QVariant());
                         combo->SetKeyValue(QVariant());
                     }));
    grid->setColumnStretch(4, 1);
    return page;
}

template <typename Control>
Control* pageControl(gallery::GalleryContext& context, const QString& name) {
    context.window.showPage(kPageTitle);
    return context.window.pages()->currentWidget()->findChild<Control*>(name);
}

// For the pictures: the combo box with its list dropped down.
void dropDownCombo(gallery::GalleryContext& context) {
    auto* combo = pageControl<controls::TKVDBLookupComboBox>(context, QStringLiteral("cbLookup"));
    if (!combo)
        return;
    combo->setFocus();
    combo->SetKeyValue(3);
    combo->DropDown();
}

// For the pictures: the list with two selected keys, a disabled row among the rows.
void selectTwoKeys(gallery::GalleryContext& context) {
    auto* list = pageControl<controls::TKVDBLookupListBox>(context, QStringLiteral("lbLookup"));
    if (!list)
        return;
    list->setFocus();
    list->ApplySearchText(QStringLiteral("KO"));
    list->ListDataSet()->moveBy(1);
    list->SelectCurrent();
    list->ListDataSet()->moveBy(2);
    list->ToggleCurrent();
}

const bool registered =
    gallery::registerPage({kPageTitle, 40, &buildLookupsPage}) &&
    gallery::registerAction({QStringLiteral("lookup-combo-dropped"), &dropDownCombo}) &&
    gallery::registerAction({QStringLiteral("lookup-list-selection"), &selectTwoKeys});

} // namespace

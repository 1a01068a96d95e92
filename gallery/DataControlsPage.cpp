// The page "Data controls": the prices of the demo instruments in a grid, the price of
// the current row in a data-bound edit with a navigator, and an auto-complete combo box.
// What is edited on the page stays in the page's rows and is never posted to the
// database: the page holds no transaction, so that the main connection, which the
// translation engine shares, keeps everything else done in the gallery.
#include "controls/ACComboBox.h"
#include "controls/DbNavigator.h"
#include "controls/Updbedt.h"
#include "controls/cDbGrid.h"
#include "db/DataSource.h"
#include "db/Field.h"
#include "db/Table.h"
#include "db/uDMLB.h"
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/Components.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace {

using GalleryGrid = controls::TKVDbGrid;

// A table whose inserts, edits and deletes stay in its own rows: the database is only
// read, and a post keeps the typed row without reading it back.
class UnpostedTable : public db::Table {
protected:
    void applyInsert(const db::Field* const* /*fields*/, const Row& /*row*/) override {}
    void applyUpdate(const Row& /*oldRow*/, const Row& /*newRow*/) override {}
    void applyDelete(const Row& /*row*/) override {}
    void resyncAfterPost(const Row& /*posted*/) override {}
};

class DataControlsPage : public QWidget {
public:
    explicit DataControlsPage(TDMLB& dmlb);
    ~DataControlsPage() override;

private:
    void openPrices();
    QWidget* amountRow();
    QCheckBox* wordwrapSwitch();
    controls::TACComboBox* autoCompleteCombo();

    TDMLB& dmlb_;
    UnpostedTable tPrices_;
    db::DataSource dsPrices_;
    GalleryGrid* grid_ = nullptr;
    controls::TPDBEdit* amount_ = nullptr;
    controls::DbNavigator* navigator_ = nullptr;
};

DataControlsPage::DataControlsPage(TDMLB& dmlb) : dmlb_(dmlb) {
    platform::setComponentName(&tPrices_, QStringLiteral("tPrices"));
    platform::setComponentName(&dsPrices_, QStringLiteral("dsPrices"));
    QGridLayout* grid = gallery::formGrid(this);
    grid_ = new GalleryGrid(this);
    platform::setComponentName(grid_, QStringLiteral("dbgPrices"));
    grid_->setMinimumSize(460, 220);
    grid_->setDataSource(&dsPrices_);
    gallery::addRow(grid, QStringLiteral("Grid"), grid_);
    grid->addWidget(wordwrapSwitch(), grid->rowCount(), 1);
    QWidget* amount = amountRow(); // makes amount_, before the label names it
    platform::setBuddy(gallery::addRow(grid, QStringLiteral("Amount"), amount), amount_);
    gallery::addRow(grid, QStringLiteral("Auto-complete"), autoCompleteCombo());
    auto* note = new QLabel(QStringLiteral("Changes made here are not kept."), this);
    grid->addWidget(note, grid->rowCount(), 1);
    openPrices();
}

// The controls let go of the data source before the table closes.
DataControlsPage::~DataControlsPage() {
    grid_->setDataSource(nullptr);
    amount_->setDataSource(nullptr);
    navigator_->setDataSource(nullptr);
    platform::runGuarded([this] { tPrices_.close(); });
}

void DataControlsPage::openPrices() {
    tPrices_.setDatabaseName(dmlb_.dbMain.databaseName());
    tPrices_.setTableName(QStringLiteral("TECAJNICA"));
    tPrices_.afterOpen = [](db::DataSet& set) {
        set.fieldByName(QStringLiteral("SFVP")).setDisplayLabel(QStringLiteral("Instrument"));
        set.fieldByName(QStringLiteral("DAN")).setDisplayLabel(QStringLiteral("Date"));
        db::Field& price = set.fieldByName(QStringLiteral("TCN"));
        price.setDisplayLabel(QStringLiteral("Price of one unit on the day"));
        price.setDisplayFormat(QStringLiteral("#,##0.00##"));
    };
    dsPrices_.setDataSet(&tPrices_);
    platform::runGuarded([this] {
        dmlb_.dbMain.open();
        tPrices_.open();
    });
}

// The grid's titles wrap into a 45-pixel title row while the box is checked.
QCheckBox* DataControlsPage::wordwrapSwitch() {
    auto* box = new QCheckBox(QStringLiteral("Word-wrapped titles"), this);
    platform::setComponentName(box, QStringLiteral("cbTitleWordwrap"));
    connect(box, &QCheckBox::toggled, grid_,
            platform::guarded([this](bool on) { grid_->setTitleWordwrap(on); }));
    return box;
}

QWidget* DataControlsPage::amountRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    amount_ = new controls::TPDBEdit(row);
    platform::setComponentName(amount_, QStringLiteral("deAmount"));
    amount_->setMinimumWidth(140);
    amount_->setDataSource(&dsPrices_);
    amount_->setDataField(QStringLiteral("TCN"));
    navigator_ = new controls::DbNavigator(row);
    platform::setComponentName(navigator_, QStringLiteral("dbnPrices"));
    navigator_->setDataSource(&dsPrices_);
    layout->addWidget(amount_);
    layout->addWidget(navigator_);
    layout->addStretch();
    return row;
}

controls::TACComboBox* DataControlsPage::autoCompleteCombo() {
    auto* combo = new controls::TACComboBox(this);
    platform::setComponentName(combo, QStringLiteral("cbAutoComplete"));
    combo->setEditable(true);
    combo->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"),
                     QStringLiteral("Delta"), QStringLiteral("Epsilon")});
    combo->setCurrentIndex(-1);
    combo->setMinimumWidth(160);
    return combo;
}

QWidget* buildDataControlsPage(gallery::GalleryContext& context) {
    return new DataControlsPage(context.dmlb);
}

const bool registered =
    gallery::registerPage({QStringLiteral("Data controls"), 15, &buildDataControlsPage});

} // namespace

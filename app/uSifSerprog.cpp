#include "app/uSifSerprog.h"

#include "controls/DbGrid.h"
#include "controls/DbNavigator.h"
#include "db/Query.h"
#include "db/uDMLB.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolders.h"
#include "platform/StdControls.h"
#include "platform/WindowPlacement.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString MainConnection = QStringLiteral("LB");
const QString SettingsTable = QStringLiteral("SERPROG");
const QString ValueField = QStringLiteral("VREDNOST");
const int ValueShownInGrid = 200;

// Module, category and parameter compared in upper case; the values are bound.
const QString SettingCondition = QStringLiteral(
    "UPPER(MODUL)=:MODUL AND UPPER(KATEGORIJA)=:KATEGORIJA AND UPPER(PARAMETER)=:PARAMETER");

QVariantMap settingKey(const QString& module, const QString& category, const QString& parameter) {
    return {{QStringLiteral("MODUL"), module.toUpper()},
            {QStringLiteral("KATEGORIJA"), category.toUpper()},
            {QStringLiteral("PARAMETER"), parameter.toUpper()}};
}

// The text of a filter literal: an apostrophe is doubled so that it stays in the text.
QString filterLiteral(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

QString parentFolder(const QString& folder) {
    return platform::includeTrailingSeparator(QFileInfo(QDir::cleanPath(folder)).path());
}

} // namespace

// The whole value of the current row in an editable text box. Typed text goes into the
// field when the record is posted; the box is read-only while the row is not edited.
class TSerprogValueMemo : public QPlainTextEdit, public db::DataLink {
public:
    TSerprogValueMemo(QString fieldName, QWidget* parent)
        : QPlainTextEdit(parent), fieldName_(std::move(fieldName)) {
        QPlainTextEdit::setReadOnly(true);
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            if (!loading_)
                typed_ = true;
        });
    }

protected:
    void activeChanged() override { load(); }
    void recordChanged(db::Field* changed) override {
        if (!changed || changed == field())
            load();
    }
    void editingChanged() override { load(); }
    void updateData() override {
        db::Field* target = field();
        if (typed_ && target && editing())
            target->setAsString(toPlainText());
        typed_ = false;
    }

private:
    db::Field* field() const {
        db::DataSet* set = dataSet();
        return set && set->active() ? set->findField(fieldName_) : nullptr;
    }
    void load() {
        const db::Field* source = field();
        const QString text = source ? source->asString() : QString();
        loading_ = true;
        if (toPlainText() != text)
            setPlainText(text);
        loading_ = false;
        typed_ = false;
        QPlainTextEdit::setReadOnly(!editing());
    }

    QString fieldName_;
    bool loading_ = false;
    bool typed_ = false;
};

TfSifSerprog::TfSifSerprog(QWidget* parent, const QString& programFolder)
    : QDialog(parent),
      programFolder_(platform::programFolder(platform::ProgramFileKind::Setting, programFolder)) {
    platform::setComponentName(this, QStringLiteral("fSifSerprog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Servisni program nastavitve"));
    resize(645, 487);
    IniBesideProgram = true;
    defineFields();
    createComponents();
    tSerprog.afterOpen = [this](db::DataSet&) { tSerprogAfterOpen(); };
    tSerprog.afterInsert = [this](db::DataSet&) { tSerprogAfterInsert(); };
    tSerprog.afterEdit = [this](db::DataSet&) { tSerprogAfterEdit(); };
    tSerprog.afterPost = [this](db::DataSet&) { tSerprogAfterPostOrCancel(); };
    tSerprog.afterCancel = [this](db::DataSet&) { tSerprogAfterPostOrCancel(); };
    fillModuleList();
    CurrentModule.clear();
    tSerprog.setFilter(QStringLiteral("ID_SERPROG = 0"));
    tSerprog.open();
}

TfSifSerprog::~TfSifSerprog() {
    tSerprog.close();
}

void TfSifSerprog::defineFields() {
    platform::addComponent(this, &tSerprog, QStringLiteral("tSerprog"));
    tSerprog.setDatabaseName(MainConnection);
    tSerprog.setTableName(SettingsTable);
    tSerprog.setIndexFieldNames(QStringLiteral("MODUL;KATEGORIJA;PARAMETER;USR"));
    struct Column {
        const char* name;
        db::FieldType type;
        int size;
        const char* title;
        int width;
        bool shown;
    };
    const Column columns[] = {
        {"ID_SERPROG", db::FieldType::Integer, 0, "Id", 0, false},
        {"MODUL", db::FieldType::String, 200, "Modul", 15, false},
        {"KATEGORIJA", db::FieldType::String, 200, "Kategorija", 20, true},
        {"PARAMETER", db::FieldType::String, 200, "Parameter", 20, true},
        {"USR", db::FieldType::String, 20, "User", 10, true},
        {"VREDNOST", db::FieldType::Memo, 2000, "Vrednost", 100, true},
    };
    for (const Column& column : columns) {
        db::Field& field = tSerprog.addField(QString::fromLatin1(column.name), column.type,
                                             db::FieldKind::Data, column.size);
        field.setDisplayLabel(QString::fromLatin1(column.title));
        if (column.width > 0)
            field.setDisplayWidth(column.width);
        field.setVisible(column.shown);
    }
    tSerprog.fieldByName(QStringLiteral("ID_SERPROG")).setDisplayFormat(QStringLiteral("0"));
    platform::addComponent(this, &dsSerprog, QStringLiteral("dsSerprog"));
    dsSerprog.setDataSet(&tSerprog);
}

void TfSifSerprog::createComponents() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* panel =
        platform::addComponent(this, new platform::TPanel(this), QStringLiteral("pnlTop"));
    panel->setFrameShape(QFrame::NoFrame);
    pnlTop = panel;
    pnlTop->setAutoFillBackground(true);
    QPalette strip = pnlTop->palette();
    strip.setColor(QPalette::Window, QColor(0x1f, 0x2f, 0x4f));
    strip.setColor(QPalette::WindowText, Qt::white);
    pnlTop->setPalette(strip);
    auto* top = new QHBoxLayout(pnlTop);
    top->setContentsMargins(8, 4, 4, 4);

    lCaption = platform::addComponent(this, new QLabel(pnlTop), QStringLiteral("lCaption"));
    QFont bold = lCaption->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lCaption->setFont(bold);
    top->addWidget(lCaption, 1);

    cbModul = platform::addComponent(this, new QComboBox(pnlTop), QStringLiteral("cbModul"));
    cbModul->setEditable(true);
    cbModul->setInsertPolicy(QComboBox::NoInsert);
    cbModul->setMinimumWidth(150);
    cbModul->installEventFilter(this);
    cbModul->lineEdit()->installEventFilter(this);
    connect(cbModul, &QComboBox::activated, this,
            platform::guarded(this, &TfSifSerprog::cbModulClick));
    top->addWidget(cbModul);

    sbPreberi = platform::addComponent(this, new QToolButton(pnlTop), QStringLiteral("sbPreberi"));
    sbPreberi->setText(QStringLiteral("?"));
    sbPreberi->setToolTip(QStringLiteral("Read ini file"));
    connect(sbPreberi, &QToolButton::clicked, this,
            platform::guarded(this, &TfSifSerprog::sbPreberiClick));
    top->addWidget(sbPreberi);
    layout->addWidget(pnlTop);

    splVrednost = platform::addComponent(this, new QSplitter(Qt::Vertical, this),
                                         QStringLiteral("splVrednost"));
    splVrednost->setChildrenCollapsible(false);
    dbgSerprog = platform::addComponent(this, new controls::DbGrid(splVrednost),
                                        QStringLiteral("dbgSerprog"));
    dbgSerprog->setDataSource(&dsSerprog);
    dbmVrednost = platform::addComponent(this, new TSerprogValueMemo(ValueField, splVrednost),
                                         QStringLiteral("dbmVrednost"));
    dbmVrednost->setDataSource(&dsSerprog);
    dbmVrednost->hide();
    splVrednost->addWidget(dbgSerprog);
    splVrednost->addWidget(dbmVrednost);
    splVrednost->setStretchFactor(0, 3);
    splVrednost->setStretchFactor(1, 1);
    layout->addWidget(splVrednost, 1);

    DBNavigator1 = platform::addComponent(this, new controls::DbNavigator(this),
                                          QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(&dsSerprog);
    layout->addWidget(DBNavigator1);
}

void TfSifSerprog::fillModuleList() {
    db::Query modules;
    modules.setDatabaseName(MainConnection);
    modules.setSqlText(QStringLiteral("SELECT DISTINCT MODUL FROM SERPROG ORDER BY MODUL"));
    modules.open();
    for (; !modules.eof(); modules.next())
        cbModul->addItem(modules.field(0).asString());
    modules.close();
}

// ---- Showing a module ------------------------------------------------------------

void TfSifSerprog::ShowForModule(const QString& module, bool iniBesideProgram) {
    try {
        PrepareForModule(module, iniBesideProgram);
    } catch (...) {
        if (testAttribute(Qt::WA_DeleteOnClose))
            deleteLater();
        throw;
    }
    exec();
}

void TfSifSerprog::PrepareForModule(const QString& module, bool iniBesideProgram) {
    CurrentModule = module;
    IniBesideProgram = iniBesideProgram;
    selectModule(module);
    ApplyModule();
    ImportIniSettings();
}

void TfSifSerprog::selectModule(const QString& module) {
    const int index = cbModul->findText(module, Qt::MatchFixedString);
    cbModul->setCurrentIndex(index);
    if (index < 0)
        cbModul->setEditText(module);
}

void TfSifSerprog::ApplyModule() {
    const QString name = db::lookupValue(
        MainConnection, {}, SettingsTable, ValueField, SettingCondition,
        settingKey(CurrentModule, QStringLiteral("PODATKI"), QStringLiteral("NAZIV")));
    lCaption->setText(name.isEmpty() ? CurrentModule : name);
    const QString filter = QStringLiteral("MODUL = ") + filterLiteral(CurrentModule);
    if (tSerprog.filter() == filter && tSerprog.active())
        tSerprog.refresh(); // the same module again: show its rows as they are now
    else
        tSerprog.setFilter(filter);
}

// ---- Seeding from the INI file ---------------------------------------------------

QString TfSifSerprog::IniFolder() const {
    if (IniBesideProgram)
        return programFolder_;
    return parentFolder(programFolder_) + QStringLiteral("Serprog/") + CurrentModule +
           QLatin1Char('/');
}

bool TfSifSerprog::settingExists(const QString& category, const QString& parameter) const {
    return db::lookupValue(MainConnection, {}, SettingsTable, QStringLiteral("COUNT(*)"),
                           SettingCondition,
                           settingKey(CurrentModule, category, parameter)) != QStringLiteral("0");
}

void TfSifSerprog::ImportIniSettings() {
    // The table shows the module's rows in the exact letter case; rows of the module
    // in another case are found by settingExists and are not added again.
    if (CurrentModule.isEmpty() || !tSerprog.isEmpty())
        return;
    const platform::ProfileFile ini(IniFolder() + CurrentModule + QStringLiteral(".ini"));
    if (!platform::fileExists(ini.path()))
        return;
    for (const QString& section : ini.sections()) {
        for (const QString& key : ini.keys(section)) {
            if (!key.isEmpty() && !settingExists(section, key))
                addSetting(section, key, ini.readString(section, key));
        }
    }
}

// Inserted and posted through the table, so that the row hooks give it its key.
void TfSifSerprog::addSetting(const QString& category, const QString& parameter,
                              const QString& value) {
    tSerprog.insert();
    try {
        tSerprog.fieldByName(QStringLiteral("KATEGORIJA")).setAsString(category);
        tSerprog.fieldByName(QStringLiteral("PARAMETER")).setAsString(parameter);
        tSerprog.fieldByName(ValueField).setAsString(value);
        tSerprog.post();
    } catch (...) {
        tSerprog.cancel();
        throw;
    }
}

// ---- Row hooks -------------------------------------------------------------------

void TfSifSerprog::tSerprogAfterOpen() {
    tSerprog.fieldByName(ValueField).setTextRule([](const QVariant& value) {
        return value.toString().trimmed().left(ValueShownInGrid);
    });
    ApplyModule();
    tSerprog.setFiltered(true);
}

void TfSifSerprog::tSerprogAfterInsert() {
    dbmVrednost->show();
    try {
        if (!DMLB)
            throw platform::Exception(QStringLiteral("The database session module is missing."));
        tSerprog.fieldByName(QStringLiteral("ID_SERPROG"))
            .setAsInteger(DMLB->NextSequenceValue(QStringLiteral("SERPROG_PK_SEQ")));
        tSerprog.fieldByName(QStringLiteral("MODUL")).setAsString(CurrentModule);
    } catch (...) {
        dbmVrednost->hide(); // the insert is abandoned
        throw;
    }
}

void TfSifSerprog::tSerprogAfterEdit() {
    dbmVrednost->show();
}

void TfSifSerprog::tSerprogAfterPostOrCancel() {
    dbmVrednost->hide();
}

// ---- The module box --------------------------------------------------------------

void TfSifSerprog::cbModulClick() {
    if (cbModul->currentText().isEmpty())
        return;
    CurrentModule = cbModul->currentText().trimmed();
    ApplyModule();
}

void TfSifSerprog::sbPreberiClick() {
    if (cbModul->currentText().isEmpty())
        return;
    CurrentModule = cbModul->currentText().trimmed();
    ApplyModule();
    ImportIniSettings();
}

bool TfSifSerprog::eventFilter(QObject* watched, QEvent* event) {
    const bool inModuleBox = watched == cbModul || watched == cbModul->lineEdit();
    if (inModuleBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            platform::runGuarded([this] { sbPreberiClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfSifSerprog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    platform::centreOnScreen(*this);
}

#include "translation/uFQorPrevodi.h"

#include "controls/ACComboBox.h"
#include "controls/cDbGrid.h"
#include "db/DataSet.h"
#include "db/DataSetModel.h"
#include "db/Field.h"
#include "db/Session.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "platform/ProfileFile.h"
#include "platform/StdControls.h"
#include "translation/QorPrevod.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <initializer_list>

namespace translation {

namespace {

constexpr int MemoLength = 250;
const QString DefaultScript = QStringLiteral("Translations.sql");
const QString AllForms = QStringLiteral("ALL FORMS");
const QString CurrentFormChoice = QStringLiteral("CURRENT FORM");
const QString TransferCommand = QStringLiteral("TRANSFER TRANSLATIONS");
const QString DeleteCommand = QStringLiteral("DELETE TRANSLATIONS");

TFQorPrevod::ModalRunner& modalRunner() {
    static TFQorPrevod::ModalRunner runner;
    return runner;
}

TFQorPrevod::FileChooser& fileChooser() {
    static TFQorPrevod::FileChooser chooser;
    return chooser;
}

QFont arialBold(int pixelSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

QString firstLine(const QString& text) {
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return end < 0 ? text : text.left(end);
}

// The text without its first "&" (an accelerator mark).
QString withoutFirstAmpersand(const QString& text) {
    QString result = text;
    const qsizetype at = result.indexOf(QLatin1Char('&'));
    if (at >= 0)
        result.remove(at, 1);
    return result;
}

// The code and the description of a language item "CODE description".
QString codeOf(const QString& item) {
    const qsizetype blank = item.indexOf(QLatin1Char(' '));
    return blank < 0 ? item : item.left(blank);
}

QString descriptionOf(const QString& item) {
    const qsizetype blank = item.indexOf(QLatin1Char(' '));
    return blank < 0 ? QString() : item.mid(blank + 1);
}

// How a grid shows a column of a query: its caption and its width in characters.
struct ColumnLook {
    const char* field;
    const char* label;
    int width;
};

// Opens the query with the controls that show it quiet until its columns have their
// captions and widths, so that a grid lays itself out once; they hear again also when
// opening raises.
void openWithColumns(db::Query& query, std::initializer_list<ColumnLook> columns) {
    db::withControlsDisabled(query, [&] {
        query.open();
        for (const ColumnLook& column : columns) {
            if (db::Field* field = query.findField(QString::fromLatin1(column.field))) {
                field->setDisplayLabel(QString::fromLatin1(column.label));
                field->setDisplayWidth(column.width);
            }
        }
    });
}

// A memo that keeps at most length characters.
void limitLength(QPlainTextEdit* memo, int length) {
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [memo, length] {
        const QString text = memo->toPlainText();
        if (text.size() <= length)
            return;
        QTextCursor cursor = memo->textCursor();
        const int position = std::min(cursor.position(), length);
        memo->setPlainText(text.left(length));
        cursor = memo->textCursor();
        cursor.setPosition(position);
        memo->setTextCursor(cursor);
    });
}

platform::TPanel* captionPanel(QObject* form, QWidget* parent, const QString& name,
                               const QString& caption, int pixelSize) {
    auto* panel = platform::addComponent(form, new platform::TPanel(parent), name);
    panel->setCaption(caption);
    panel->setFont(arialBold(pixelSize));
    panel->setFixedHeight(pixelSize + 12);
    return panel;
}

QLabel* label(QObject* form, QWidget* parent, const QString& name, const QString& caption,
              QWidget* buddy = nullptr) {
    auto* text = platform::addComponent(form, new QLabel(caption, parent), name);
    if (buddy)
        platform::setBuddy(text, buddy);
    return text;
}

} // namespace

// --- Status panels -------------------------------------------------------------------------

TStatusPanels::TStatusPanels(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch();
    setFixedHeight(20);
}

// A panel is as wide as given, or as its text needs; the last one takes the rest of the
// bar.
void TStatusPanels::addPanel(const QString& text, int width) {
    auto* row = static_cast<QHBoxLayout*>(layout());
    if (!panels_.empty()) {
        QLabel* previous = panels_.back();
        previous->setFixedWidth(previous->minimumWidth());
        row->setStretchFactor(previous, 0);
    } else {
        row->takeAt(0); // the stretch that kept an empty bar
    }
    auto* panel = new QLabel(text, this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(std::max(width, panel->fontMetrics().horizontalAdvance(text) + 8));
    row->addWidget(panel, 1);
    panels_.push_back(panel);
}

QString TStatusPanels::panelText(int index) const {
    return index >= 0 && index < panelCount() ? panels_[index]->text() : QString();
}

void TStatusPanels::setPanelText(int index, const QString& text) {
    if (index >= 0 && index < panelCount())
        panels_[index]->setText(text);
}

// --- Creation ------------------------------------------------------------------------------

TFQorPrevod::TFQorPrevod(const TManagerContext& context, QWidget* parent)
    : QDialog(parent), DatabaseName(context.databaseName), Language(context.language),
      LanguageText(context.languageText), FormId(context.formId), OrgId(context.orgId),
      ProgramName(context.programName), CurrentForm(context.currentForm) {
    setObjectName(QStringLiteral("FQorPrevod"));
    setWindowTitle(QStringLiteral("Form translation..."));
    for (db::Query* query : {&Q, &oQ, &LQ, &Sg, &TLanguage, &ILanguage, &ULanguage})
        query->setDatabaseName(DatabaseName);
    platform::setComponentName(&Q, QStringLiteral("Q"));
    platform::setComponentName(&oQ, QStringLiteral("oQ"));
    platform::setComponentName(&LQ, QStringLiteral("LQ"));
    platform::setComponentName(&Sg, QStringLiteral("Sg"));
    platform::setComponentName(&TLanguage, QStringLiteral("TLanguage"));
    platform::setComponentName(&ILanguage, QStringLiteral("ILanguage"));
    platform::setComponentName(&ULanguage, QStringLiteral("ULanguage"));
    LQ.setSql({QStringLiteral("select a.Name, b.OrgText, a.TranslText, b.id_prevod_org from "
                              "prevod_data a, prevod_org b"),
               QStringLiteral("where "), QStringLiteral("a.id_prevod_org=b.id_prevod_org and"),
               QStringLiteral("a.id_prevoda=:FORMA and "),
               QStringLiteral("a.koda_jezika=:JEZIK and"), QStringLiteral("a.Translated=:TRANS")});
    TLanguage.setSqlText(QStringLiteral("select * from Prevod_Jeziki"));
    ILanguage.setSqlText(
        QStringLiteral("insert into Prevod_jeziki (koda_jezika, opis) values (:KODA, :OPIS)"));
    ULanguage.setSql({QStringLiteral("update Prevod_jeziki "), QStringLiteral("set opis=:OPIS"),
                      QStringLiteral("where Koda_jezika=:KODA")});
    DSList.setDataSet(&LQ);
    DSSug.setDataSet(&Sg);
    DSLanguage.setDataSet(&TLanguage);
    DSList.setAutoEdit(false);
    DSSug.setAutoEdit(false);
    DSLanguage.setAutoEdit(false);

    PageControl =
        platform::addComponent(this, new QTabWidget(this), QStringLiteral("PageControl1"));
    PageControl->tabBar()->hide();
    PageControl->setDocumentMode(true);
    PageControl->addTab(buildTranslationPage(), QStringLiteral("Translation"));
    PageControl->addTab(buildListPage(), QStringLiteral("List"));
    PageControl->addTab(buildLanguagePage(), QStringLiteral("Language"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl);
    buildActions();
    resize(620, 420);

    // FormCreate
    ListMode = false;
    OnlyCreate = false;
    FreeOnClose = true;
    BaseListSql = LQ.sql();
    ListOrder.clear();
    showPage(TSTranslation);
}

TFQorPrevod::~TFQorPrevod() {
    DBGrid1->setDataSource(nullptr);
    DBGrid2->setDataSource(nullptr);
    DBGrid3->setDataSource(nullptr);
}

QWidget* TFQorPrevod::buildTranslationPage() {
    TSTranslation = platform::addComponent(this, new platform::TTabSheet(this),
                                           QStringLiteral("TSTranslation"));
    auto* page = new QVBoxLayout(TSTranslation);
    page->setContentsMargins(4, 4, 4, 0);
    page->setSpacing(3);

    auto* top = new QHBoxLayout;
    PForm = captionPanel(this, TSTranslation, QStringLiteral("PForm"), {}, 15);
    PControl = captionPanel(this, TSTranslation, QStringLiteral("PControl"), {}, 15);
    top->addWidget(PForm, 1);
    top->addWidget(PControl, 1);
    page->addLayout(top);

    auto* source = captionPanel(this, TSTranslation, QStringLiteral("Panel2"),
                                QStringLiteral("Original text"), 13);
    auto* sourceRow = new QHBoxLayout(source);
    sourceRow->setContentsMargins(2, 1, 2, 1);
    sourceRow->addStretch();
    SBCancelAndEnd = platform::addComponent(this, new QToolButton(source), QStringLiteral("SBX"));
    SBCancelAndEnd->setText(QStringLiteral("X"));
    SBCancelAndEnd->setToolTip(QStringLiteral("Cancel and end"));
    SBCancelAndEnd->setAutoRaise(true);
    sourceRow->addWidget(SBCancelAndEnd);
    page->addWidget(source);
    MOriginal = platform::addComponent(this, new QPlainTextEdit(TSTranslation),
                                       QStringLiteral("MOriginal"));
    MOriginal->setAccessibleName(QStringLiteral("Original text"));
    limitLength(MOriginal, MemoLength);
    page->addWidget(MOriginal, 1);

    page->addWidget(captionPanel(this, TSTranslation, QStringLiteral("Panel3"),
                                 QStringLiteral("Translation text"), 13));
    auto* translationRow = new QHBoxLayout;
    MTranslation = platform::addComponent(this, new QPlainTextEdit(TSTranslation),
                                          QStringLiteral("MTranslation"));
    MTranslation->setAccessibleName(QStringLiteral("Translation text"));
    limitLength(MTranslation, MemoLength);
    translationRow->addWidget(MTranslation, 2);
    PSug = platform::addComponent(this, new QWidget(TSTranslation), QStringLiteral("PSug"));
    auto* suggestions = new QVBoxLayout(PSug);
    suggestions->setContentsMargins(0, 0, 0, 0);
    DBGrid3 =
        platform::addComponent(this, new controls::TKVDbGrid(PSug), QStringLiteral("DBGrid3"));
    suggestions->addWidget(
        label(this, PSug, QStringLiteral("Label3"), QStringLiteral("Suggestions F10"), DBGrid3));
    DBGrid3->setDataSource(&DSSug);
    DBGrid3->setReadOnly(true);
    DBGrid3->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* select = platform::addComponent(this, new QAction(QStringLiteral("Select"), DBGrid3),
                                          QStringLiteral("Select1"));
    DBGrid3->addAction(select);
    connect(select, &QAction::triggered, this,
            platform::guarded(this, &TFQorPrevod::UseSuggestion));
    connect(DBGrid3, &controls::TKVDbGrid::OnDblClick, this,
            platform::guarded(this, &TFQorPrevod::UseSuggestion));
    suggestions->addWidget(DBGrid3);
    PSug->hide();
    translationRow->addWidget(PSug, 1);
    page->addLayout(translationRow, 1);

    auto* bar = platform::addComponent(this, new QWidget(TSTranslation), QStringLiteral("Panel4"));
    bar->setAutoFillBackground(true);
    QPalette navy = bar->palette();
    navy.setColor(QPalette::Window, QColor(0, 0, 128));
    navy.setColor(QPalette::ButtonText, QColor(255, 255, 0));
    bar->setPalette(navy);
    auto* buttons = new QHBoxLayout(bar);
    buttons->setContentsMargins(4, 2, 4, 2);
    SBSave = platform::addComponent(this, new QToolButton(bar), QStringLiteral("SpeedButton2"));
    SBCancel = platform::addComponent(this, new QToolButton(bar), QStringLiteral("SpeedButton3"));
    for (QToolButton* button : {SBSave, SBCancel}) {
        button->setAutoRaise(true);
        button->setFont(arialBold(13));
        button->setPalette(navy);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    page->addWidget(bar);

    SB = platform::addComponent(this, new TStatusPanels(TSTranslation), QStringLiteral("SB"));
    SB->addPanel(QStringLiteral("Language:"), 60);
    SB->addPanel(QString(), 320);
    SB->addPanel(QStringLiteral("F9 Save"), 90);
    SB->addPanel(QStringLiteral("Esc Cancel"), 50);
    page->addWidget(SB);
    return TSTranslation;
}

QWidget* TFQorPrevod::buildListPage() {
    TSTransList =
        platform::addComponent(this, new platform::TTabSheet(this), QStringLiteral("TSTransList"));
    auto* page = new QVBoxLayout(TSTransList);
    page->setContentsMargins(4, 4, 4, 0);
    page->setSpacing(3);
    PFormList = captionPanel(this, TSTransList, QStringLiteral("PFormList"), {}, 15);
    page->addWidget(PFormList);

    auto* tools = new QHBoxLayout;
    BTranslate =
        platform::addComponent(this, new QPushButton(QStringLiteral("Translate"), TSTransList),
                               QStringLiteral("BTranslate"));
    BClearForm = platform::addComponent(
        this, new QPushButton(QStringLiteral("Clear translat."), TSTransList),
        QStringLiteral("BClearForm"));
    BClearForm->hide();
    CBInstall = platform::addComponent(
        this, new QCheckBox(QStringLiteral("Transfer translations manager"), TSTransList),
        QStringLiteral("CBInstall"));
    SBUt = platform::addComponent(this, new QToolButton(TSTransList), QStringLiteral("SBUt"));
    SBUt->setText(QStringLiteral("Untranslated"));
    SBT = platform::addComponent(this, new QToolButton(TSTransList), QStringLiteral("SBT"));
    SBT->setText(QStringLiteral("Translated"));
    auto* group = new QButtonGroup(this);
    for (QToolButton* button : {SBUt, SBT}) {
        button->setCheckable(true);
        group->addButton(button);
        connect(button, &QToolButton::clicked, this,
                platform::guarded([this] { SBUtClick(true); }));
    }
    SBUt->setChecked(true);
    tools->addWidget(BTranslate);
    tools->addWidget(BClearForm);
    tools->addWidget(CBInstall);
    tools->addStretch();
    tools->addWidget(SBUt);
    tools->addWidget(SBT);
    page->addLayout(tools);
    connect(BTranslate, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::BTranslateClick));
    connect(BClearForm, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::BClearFormClick));
    connect(CBInstall, &QCheckBox::clicked, this,
            platform::guarded(this, &TFQorPrevod::CBInstallClick));

    PTransfer = buildTransferPanel(TSTransList);
    page->addWidget(PTransfer);

    DBGrid1 = platform::addComponent(this, new controls::TKVDbGrid(TSTransList),
                                     QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Texts of the form"));
    DBGrid1->setDataSource(&DSList);
    DBGrid1->setReadOnly(true);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(DBGrid1, &controls::TKVDbGrid::OnTitleClick, this,
            platform::guarded([this](int column) {
                if (const db::Field* field = DBGrid1->dataSetModel()->fieldAt(column))
                    DBGrid1TitleBtnClick(field->fieldName());
            }));
    connect(DBGrid1, &controls::TKVDbGrid::OnDblClick, this,
            platform::guarded(this, &TFQorPrevod::BTranslateClick));
    DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* remove =
        platform::addComponent(this, new QAction(QStringLiteral("Delete translation"), DBGrid1),
                               QStringLiteral("Deletetranslation1"));
    DBGrid1->addAction(remove);
    connect(remove, &QAction::triggered, this,
            platform::guarded(this, &TFQorPrevod::Deletetranslation1Click));
    page->addWidget(DBGrid1, 1);

    SB1 = platform::addComponent(this, new TStatusPanels(TSTransList), QStringLiteral("SB1"));
    SB1->addPanel(QStringLiteral("Language:"), 60);
    SB1->addPanel(QString(), 50);
    page->addWidget(SB1);
    return TSTransList;
}

QWidget* TFQorPrevod::buildTransferPanel(QWidget* parent) {
    auto* panel =
        platform::addComponent(this, new platform::TPanel(parent), QStringLiteral("PTransfer"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 6, 6, 6);
    CBForm = platform::addComponent(this, new QComboBox(panel), QStringLiteral("CBForm"));
    CBForm->addItems({AllForms, CurrentFormChoice});
    CBForm->setCurrentIndex(-1);
    CBCommand = platform::addComponent(this, new QComboBox(panel), QStringLiteral("CBCommand"));
    CBCommand->addItems({TransferCommand, DeleteCommand});
    CBCommand->setCurrentIndex(-1);
    EFile =
        platform::addComponent(this, new QLineEdit(DefaultScript, panel), QStringLiteral("EFile"));
    SpeedButton1 =
        platform::addComponent(this, new QToolButton(panel), QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setAccessibleName(QStringLiteral("Choose the file"));
    Button1 = platform::addComponent(this, new QPushButton(QStringLiteral("Apply command"), panel),
                                     QStringLiteral("Button1"));
    Button2 = platform::addComponent(this, new QPushButton(QStringLiteral("Cancel command"), panel),
                                     QStringLiteral("Button2"));
    BGenerate = platform::addComponent(
        this, new QPushButton(QStringLiteral("Generate file"), panel), QStringLiteral("BGenerate"));
    grid->addWidget(
        label(this, panel, QStringLiteral("Label4"), QStringLiteral("Generate command:")), 0, 0, 1,
        3);
    grid->addWidget(
        label(this, panel, QStringLiteral("Label5"), QStringLiteral("Applys to:"), CBForm), 1, 0);
    grid->addWidget(CBForm, 1, 1, 1, 2);
    grid->addWidget(
        label(this, panel, QStringLiteral("Label6"), QStringLiteral("Command:"), CBCommand), 2, 0);
    grid->addWidget(CBCommand, 2, 1, 1, 2);
    grid->addWidget(label(this, panel, QStringLiteral("Label7"), QStringLiteral("To file:"), EFile),
                    3, 0);
    grid->addWidget(EFile, 3, 1);
    grid->addWidget(SpeedButton1, 3, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(BGenerate);
    buttons->addStretch();
    grid->addLayout(buttons, 4, 0, 1, 3);
    connect(Button1, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::Button1Click));
    connect(Button2, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::Button2Click));
    connect(BGenerate, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::BGenerateClick));
    connect(SpeedButton1, &QToolButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::SpeedButton1Click));
    panel->hide();
    return panel;
}

QWidget* TFQorPrevod::buildLanguagePage() {
    TSLanguage =
        platform::addComponent(this, new platform::TTabSheet(this), QStringLiteral("TSLanguage"));
    auto* page = new QGridLayout(TSLanguage);
    page->setContentsMargins(8, 8, 8, 8);
    CBTransLanguage = platform::addComponent(this, new controls::TACComboBox(TSLanguage),
                                             QStringLiteral("CBTransLanguage"));
    CBTransLanguage->setExactMatch(true);
    CBTransLanguage->setSelectOnFound(true);
    connect(CBTransLanguage, &controls::TACComboBox::OnMatch, this,
            platform::guarded(this, &TFQorPrevod::CBTransLanguageMatch));
    page->addWidget(label(this, TSLanguage, QStringLiteral("Label1"),
                          QStringLiteral("Translation language"), CBTransLanguage),
                    0, 0);
    page->addWidget(CBTransLanguage, 0, 1, 1, 3);
    CBTranslation = platform::addComponent(
        this, new QCheckBox(QStringLiteral("Start program translation"), TSLanguage),
        QStringLiteral("CBTranslation"));
    CBWriteMode = platform::addComponent(
        this, new QCheckBox(QStringLiteral("Translation write mode"), TSLanguage),
        QStringLiteral("CBWriteMode"));
    page->addWidget(CBTranslation, 1, 1, 1, 3);
    page->addWidget(CBWriteMode, 2, 1, 1, 3);
    DBGrid2 = platform::addComponent(this, new controls::TKVDbGrid(TSLanguage),
                                     QStringLiteral("DBGrid2"));
    DBGrid2->setAccessibleName(QStringLiteral("Languages"));
    DBGrid2->setDataSource(&DSLanguage);
    DBGrid2->setReadOnly(true);
    DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    page->addWidget(DBGrid2, 3, 0, 1, 4);
    eKoda_jezika =
        platform::addComponent(this, new QLineEdit(TSLanguage), QStringLiteral("eKoda_jezika"));
    eKoda_jezika->setMaxLength(5);
    connect(eKoda_jezika, &QLineEdit::textEdited, eKoda_jezika, [this](const QString& text) {
        if (text != text.toUpper()) {
            const int position = eKoda_jezika->cursorPosition();
            eKoda_jezika->setText(text.toUpper());
            eKoda_jezika->setCursorPosition(position);
        }
    });
    eOpis = platform::addComponent(this, new QLineEdit(TSLanguage), QStringLiteral("eOpis"));
    eOpis->setMaxLength(50);
    connect(eOpis, &QLineEdit::textChanged, this, [this] { eOpisChange(); });
    page->addWidget(
        label(this, TSLanguage, QStringLiteral("Label2"), QStringLiteral("Code"), eKoda_jezika), 4,
        0);
    page->addWidget(eKoda_jezika, 4, 1);
    page->addWidget(
        label(this, TSLanguage, QStringLiteral("Label8"), QStringLiteral("Descriprion"), eOpis), 5,
        0);
    page->addWidget(eOpis, 5, 1, 1, 3);
    BNew = platform::addComponent(this, new QPushButton(QStringLiteral("New"), TSLanguage),
                                  QStringLiteral("BNew"));
    BInsert = platform::addComponent(this, new QPushButton(QStringLiteral("Insert"), TSLanguage),
                                     QStringLiteral("BInsert"));
    BUpdate = platform::addComponent(this, new QPushButton(QStringLiteral("Update"), TSLanguage),
                                     QStringLiteral("BUpdate"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BNew);
    buttons->addWidget(BInsert);
    buttons->addWidget(BUpdate);
    buttons->addStretch();
    page->addLayout(buttons, 6, 0, 1, 4);
    page->setColumnStretch(3, 1);
    page->setRowStretch(3, 1);
    connect(BNew, &QPushButton::clicked, this, platform::guarded(this, &TFQorPrevod::BNewClick));
    connect(BInsert, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::BInsertClick));
    connect(BUpdate, &QPushButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::BUpdateClick));
    connect(&DSLanguage, &db::DataSource::dataChanged, this,
            platform::guarded([this] { DSLanguageDataChange(); }));
    connect(&DSLanguage, &db::DataSource::stateChanged, this,
            platform::guarded([this] { DSLanguageDataChange(); }));
    return TSLanguage;
}

void TFQorPrevod::buildActions() {
    const auto action = [this](const QString& name, const QString& caption, const QKeySequence& key,
                               void (TFQorPrevod::*handler)()) {
        auto* made = platform::addComponent(this, new QAction(caption, this), name);
        made->setShortcut(key);
        made->setShortcutContext(Qt::WindowShortcut);
        addAction(made);
        connect(made, &QAction::triggered, this, platform::guarded(this, handler));
        return made;
    };
    Save = action(QStringLiteral("Save"), QStringLiteral("Save"), Qt::Key_F9,
                  &TFQorPrevod::SaveExecute);
    Cancel = action(QStringLiteral("Cancel"), QStringLiteral("Cancel"), Qt::Key_Escape,
                    &TFQorPrevod::CancelExecute);
    CancelAndEnd =
        action(QStringLiteral("CancelAndEnd"), QStringLiteral("Cancel and end"),
               QKeySequence(Qt::SHIFT | Qt::Key_Escape), &TFQorPrevod::CancelAndEndExecute);
    ShowClear =
        action(QStringLiteral("ShowClear"), QStringLiteral("Show clear"),
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D), &TFQorPrevod::ShowClearExecute);
    AUseSugg = action(QStringLiteral("AUseSugg"), QStringLiteral("Use suggestion"), Qt::Key_F10,
                      &TFQorPrevod::UseSuggestion);
    AOnlyCreateTransl = action(QStringLiteral("AOnlyCreateTransl"), QStringLiteral("Only create"),
                               Qt::Key_F4, &TFQorPrevod::AOnlyCreateTranslExecute);
    ATranslate = action(QStringLiteral("ATranslate"), QStringLiteral("Translate"), Qt::Key_Return,
                        &TFQorPrevod::BTranslateClick);
    SBSave->setDefaultAction(Save);
    SBCancel->setDefaultAction(Cancel);
    connect(SBCancelAndEnd, &QToolButton::clicked, this,
            platform::guarded(this, &TFQorPrevod::CancelAndEndExecute));
}

// Each page has the keys of its own commands: the translation keys on the single text
// (Enter stays a line break there), Enter and Ctrl+Alt+D on the list.
void TFQorPrevod::showPage(QWidget* page) {
    PageControl->setCurrentWidget(page);
    const bool text = page == TSTranslation;
    const bool list = page == TSTransList;
    for (QAction* action : {Save, CancelAndEnd, AUseSugg, AOnlyCreateTransl})
        action->setEnabled(text);
    ATranslate->setEnabled(list);
    ShowClear->setEnabled(list);
}

void TFQorPrevod::setModalRunner(ModalRunner runner) {
    modalRunner() = std::move(runner);
}

void TFQorPrevod::setFileChooser(FileChooser chooser) {
    fileChooser() = std::move(chooser);
}

void TFQorPrevod::runModal() {
    if (modalRunner()) {
        modalRunner()(*this);
        return;
    }
    exec();
    // The loop may also end without the form closing (the application quits).
    if (FreeOnClose)
        deleteLater();
}

void TFQorPrevod::closeForm() {
    done(QDialog::Rejected);
}

void TFQorPrevod::done(int result) {
    QDialog::done(result);
    if (FreeOnClose)
        deleteLater();
}

void TFQorPrevod::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    focusTranslation();
}

bool TFQorPrevod::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        focusTranslation(); // FormActivate
    return handled;
}

void TFQorPrevod::focusTranslation() {
    if (PageControl->currentWidget() != TSTranslation)
        return;
    MTranslation->setFocus();
    MTranslation->selectAll();
}

// --- Statements ------------------------------------------------------------------------------

void TFQorPrevod::execute(db::Query& query, const QString& statement, const QVariantMap& params) {
    runStatement(query, DatabaseName, statement, params);
}

// --- Single text ---------------------------------------------------------------------------

void TFQorPrevod::TranslateText(const QString& name, QString& text, bool& stop, bool& onlyCreate) {
    text.clear();
    if (Language.isEmpty()) {
        platform::showMessage(platform::MessageKind::Information,
                              QStringLiteral("No language selected."));
        return;
    }
    Q.close();
    Q.setDatabaseName(DatabaseName);
    Q.setSqlText(QStringLiteral(
        "select b.OrgText, a.TranslText, b.id_prevod_org from Prevod_data a, Prevod_org b  "
        "where a.id_prevod_org=b.id_prevod_org and a.id_prevoda=:FORMA and a.Name=:NAME and "
        "koda_jezika=:JEZIK"));
    bindValues(Q, {{QStringLiteral("FORMA"), boundKey(FormId)},
                   {QStringLiteral("NAME"), boundText(name)},
                   {QStringLiteral("JEZIK"), boundText(Language)}});
    Q.open();
    if (Q.eof()) {
        Q.close();
        return;
    }
    CurrentSourceText = Q.field(0).asString();
    CurrentTranslText = Q.field(1).asString();
    OrgId = Q.field(2).asString();
    Q.close();
    MOriginal->setPlainText(CurrentSourceText);
    MTranslation->setPlainText(CurrentTranslText);

    PForm->setCaption(selectText(DatabaseName, QStringLiteral("PREVOD_FORME"),
                                 QStringLiteral("FormName"), QStringLiteral("Id_Prevoda=:FORMA"),
                                 {{QStringLiteral("FORMA"), boundKey(FormId)}}));
    PControl->setCaption(name);
    showPage(TSTranslation);
    SB->setPanelText(1, Language + QLatin1Char(' ') +
                            selectText(DatabaseName, QStringLiteral("prevod_jeziki"),
                                       QStringLiteral("opis"), QStringLiteral("koda_jezika=:JEZIK"),
                                       {{QStringLiteral("JEZIK"), boundText(Language)}}));
    Saved = false;
    loadSuggestions();
    if (ListMode)
        focusTranslation();
    else
        runModal();
    stop = StopRequested;
    onlyCreate = OnlyCreate;
    text = firstLine(Saved ? MTranslation->toPlainText() : MOriginal->toPlainText());
}

void TFQorPrevod::loadSuggestions() {
    Sg.close();
    Sg.setDatabaseName(DatabaseName);
    Sg.setSqlText(QStringLiteral(
        "select Distinct Transltext from Prevod_data where ID_PREVOD_ORG in (select "
        "id_prevod_org from prevod_org where id_prevod_org<>:ORG and orgtext=:ORGTEXT and "
        "transltext<>:TRANSLTEXT)"));
    bindValues(
        Sg, {{QStringLiteral("ORG"), boundKey(OrgId)},
             {QStringLiteral("ORGTEXT"), boundText(withoutFirstAmpersand(CurrentSourceText))},
             {QStringLiteral("TRANSLTEXT"), boundText(withoutFirstAmpersand(CurrentTranslText))}});
    openWithColumns(Sg, {{"TRANSLTEXT", "TRANSLTEXT", 254}});
    PSug->setVisible(!Sg.eof());
}

void TFQorPrevod::hideSuggestions() {
    Sg.close();
    PSug->hide();
}

void TFQorPrevod::UseSuggestion() {
    if (!Sg.active() || Sg.isEmpty())
        return;
    MTranslation->setPlainText(Sg.field(0).asString());
}

void TFQorPrevod::SaveExecute() {
    const QVariantMap text{
        {QStringLiteral("FORMA"), boundKey(FormId)},
        {QStringLiteral("NAME"), boundText(PControl->caption())},
        {QStringLiteral("JEZIK"), boundText(Language)},
        {QStringLiteral("TEXT"), boundText(firstLine(MTranslation->toPlainText()))}};
    execute(oQ,
            QStringLiteral("update prevod_data set TranslText=:TEXT, Translated='Y' where "
                           "id_prevoda=:FORMA and Name=:NAME and koda_jezika=:JEZIK"),
            text);
    execute(oQ, QStringLiteral("update prevod_forme set dt_change=SYSDATE where id_prevoda=:FORMA"),
            {{QStringLiteral("FORMA"), boundKey(FormId)}});
    Saved = true;
    if (ListMode) {
        showPage(TSTransList);
        ListMode = false;
        const QString noted = LQ.active() && !LQ.isEmpty()
                                  ? LQ.fieldByName(QStringLiteral("NAME")).asString()
                                  : QString();
        SBUtClick(false);
        if (!LQ.locate(QStringLiteral("NAME"), {noted}, true))
            LQ.last();
        if (CurrentForm)
            platform::setTag(CurrentForm, 0);
        DBGrid1->setFocus();
    } else {
        closeForm();
    }
    hideSuggestions();
}

void TFQorPrevod::CancelExecute() {
    hideSuggestions();
    if (ListMode) {
        showPage(TSTransList);
        ListMode = false;
    } else {
        closeForm();
    }
}

void TFQorPrevod::CancelAndEndExecute() {
    StopRequested = true;
    closeForm();
}

void TFQorPrevod::AOnlyCreateTranslExecute() {
    OnlyCreate = true;
    closeForm();
}

void TFQorPrevod::ShowClearExecute() {
    BClearForm->show();
}

// --- List ----------------------------------------------------------------------------------

void TFQorPrevod::ShowFormList() {
    SBUt->setChecked(true);
    SBUtClick(false);
    PFormList->setCaption(selectText(
        DatabaseName, QStringLiteral("PREVOD_FORME"), QStringLiteral("FormName"),
        QStringLiteral("Id_Prevoda=:FORMA"), {{QStringLiteral("FORMA"), boundKey(FormId)}}));
    showPage(TSTransList);
    SB1->setPanelText(1, Language + QLatin1Char(' ') + LanguageText);
    runModal();
    ListMode = false;
}

void TFQorPrevod::SBUtClick(bool byClick) {
    if (byClick)
        ListOrder.clear();
    LQ.close();
    LQ.setDatabaseName(DatabaseName);
    QStringList statement = BaseListSql;
    if (!ListOrder.isEmpty())
        statement << ListOrder;
    LQ.setSql(statement);
    bindValues(LQ, {{QStringLiteral("FORMA"), boundKey(FormId)},
                    {QStringLiteral("JEZIK"), boundText(Language)},
                    {QStringLiteral("TRANS"),
                     boundText(SBUt->isChecked() ? QStringLiteral("N") : QStringLiteral("Y"))}});
    openWithColumns(LQ, {{"NAME", "Name", 15},
                         {"ORGTEXT", "Org. text", 25},
                         {"TRANSLTEXT", "Transl. text", 25},
                         {"ID_PREVOD_ORG", "Id", 5}});
}

void TFQorPrevod::DBGrid1TitleBtnClick(const QString& fieldName) {
    const QString upper = fieldName.toUpper();
    const QString prefix = upper == u"ORGTEXT" || upper == u"ID_PREVOD_ORG" ? QStringLiteral("b.")
                                                                            : QStringLiteral("a.");
    ListOrder = QStringLiteral(" ORDER BY ") + prefix + fieldName;
    SBUtClick(false);
}

void TFQorPrevod::BTranslateClick() {
    if (!LQ.active() || LQ.isEmpty())
        return;
    ListMode = true;
    QString ignored;
    TranslateText(LQ.fieldByName(QStringLiteral("NAME")).asString(), ignored, StopRequested,
                  OnlyCreate);
}

void TFQorPrevod::Deletetranslation1Click() {
    if (!LQ.active() || LQ.isEmpty())
        return;
    const QString id = LQ.fieldByName(QStringLiteral("ID_PREVOD_ORG")).asString();
    if (id.isEmpty())
        return;
    const QString name = LQ.fieldByName(QStringLiteral("NAME")).asString();
    const QVariantMap key{{QStringLiteral("ID"), boundKey(id)}};
    execute(oQ, QStringLiteral("delete from prevod_data where id_prevod_org=:ID"), key);
    execute(oQ, QStringLiteral("delete from prevod_org where id_prevod_org=:ID"), key);
    platform::ProfileFile cache(TQorPrevod::programFolder() + QStringLiteral("LNG/") + ProgramName +
                                QLatin1Char('_') + Language + QStringLiteral(".lng"));
    cache.deleteKey(PFormList->caption(), name);
    SBUtClick(false);
}

void TFQorPrevod::BClearFormClick() {
    BClearForm->hide();
    const QVariantMap form{{QStringLiteral("FORMA"), boundKey(FormId)}};
    for (const char* table : {"prevod_data", "prevod_org", "prevod_forme"})
        execute(oQ,
                QStringLiteral("delete from %1 where id_prevoda=:FORMA").arg(QLatin1String(table)),
                form);
    platform::ProfileFile cache(TQorPrevod::programFolder() + QStringLiteral("LNG/") + ProgramName +
                                QLatin1Char('_') + Language + QStringLiteral(".lng"));
    cache.eraseSection(PFormList->caption());
    FormId.clear();
    closeForm();
}

// --- Transfer --------------------------------------------------------------------------------

void TFQorPrevod::CBInstallClick() {
    PTransfer->setVisible(CBInstall->isChecked());
    if (!CBInstall->isChecked())
        return;
    if (CBForm->currentIndex() < 0)
        CBForm->setCurrentIndex(CBForm->findText(CurrentFormChoice));
    if (CBCommand->currentIndex() < 0)
        CBCommand->setCurrentIndex(CBCommand->findText(TransferCommand));
}

QString TFQorPrevod::requestKey() const {
    return CBForm->currentText() == AllForms ? QStringLiteral("ALL")
                                             : PFormList->caption().toUpper();
}

QString TFQorPrevod::requestSection() const {
    return CBCommand->currentText() == TransferCommand ? QStringLiteral("IMPORT")
                                                       : QStringLiteral("DELETE");
}

void TFQorPrevod::writeRequest(const QString& section, const QString& key, const QString& value) {
    platform::ProfileFile requests(TQorPrevod::programFolder() +
                                   QStringLiteral("DravikTranslation.ini"));
    requests.writeString(section, key, value);
}

void TFQorPrevod::Button1Click() {
    if (CBForm->currentIndex() < 0 || CBCommand->currentIndex() < 0)
        return;
    const QString key = requestKey();
    const QString section = requestSection();
    writeRequest(section, key, QStringLiteral("1"));
    if (section == u"DELETE") {
        platform::showMessage(platform::MessageKind::Information, QStringLiteral("Success"));
        return;
    }
    writeRequest(QStringLiteral("FILES"), key, EFile->text());
    if (platform::showMessage(platform::MessageKind::Confirmation,
                              QStringLiteral("Generate sql file?")) == platform::MessageResult::No)
        return;
    BGenerateClick();
    platform::showMessage(platform::MessageKind::Information, QStringLiteral("Success"));
}

void TFQorPrevod::Button2Click() {
    if (CBForm->currentIndex() < 0 || CBCommand->currentIndex() < 0)
        return;
    writeRequest(requestSection(), requestKey(), QStringLiteral("0"));
    platform::showMessage(platform::MessageKind::Information, QStringLiteral("Success"));
}

void TFQorPrevod::SpeedButton1Click() {
    const QString folder = TQorPrevod::programFolder();
    const QString name = EFile->text() == DefaultScript ? QString() : EFile->text();
    QString chosen;
    if (fileChooser()) {
        chosen = fileChooser()(*this, folder, name);
    } else {
        QFileDialog dialog(this, QStringLiteral("Save translations to:"), folder,
                           QStringLiteral("Sql (*.sql);;All files (*)"));
        dialog.setObjectName(QStringLiteral("SD"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("sql"));
        if (!name.isEmpty())
            dialog.selectFile(name);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (!chosen.isEmpty())
        EFile->setText(QFileInfo(chosen).fileName());
}

QString TFQorPrevod::TargetFile() const {
    const QString text = EFile->text();
    if (text == DefaultScript || QFileInfo(text).isRelative())
        return TQorPrevod::programFolder() + text;
    return text;
}

void TFQorPrevod::BGenerateClick() {
    const QString file = TargetFile();
    const QStringList tables{QStringLiteral("prevod_forme"), QStringLiteral("prevod_org"),
                             QStringLiteral("prevod_data")};
    if (CBForm->currentText() == CurrentFormChoice) {
        const QString id =
            selectText(DatabaseName, QStringLiteral("prevod_forme"), QStringLiteral("id_prevoda"),
                       QStringLiteral("RTrim(Upper(programname))=:PROGRAMNAME and "
                                      "RTrim(Upper(formname))=:FORMNAME"),
                       {{QStringLiteral("PROGRAMNAME"), boundText(ProgramName.toUpper())},
                        {QStringLiteral("FORMNAME"), boundText(PFormList->caption().toUpper())}});
        for (const QString& table : tables)
            GenerateSql(file, table,
                        QStringLiteral("Select * from %1 where id_prevoda=:FORMA").arg(table),
                        {{QStringLiteral("FORMA"), boundKey(id)}});
        return;
    }
    if (CBForm->currentText() == AllForms) {
        for (const QString& table : tables)
            GenerateSql(file, table, QStringLiteral("Select * from %1").arg(table));
    }
}

void TFQorPrevod::GenerateSql(const QString& file, const QString& table, const QString& statement,
                              const QVariantMap& params) {
    Q.close();
    Q.setDatabaseName(DatabaseName);
    Q.setSqlText(statement);
    bindValues(Q, params);
    Q.open();
    QStringList columns;
    for (int i = 0; i < Q.fieldCount(); ++i)
        columns << Q.field(i).fieldName();
    QStringList lines;
    for (; !Q.eof(); Q.next()) {
        QStringList values;
        for (int i = 0; i < Q.fieldCount(); ++i)
            values << GenerateInsertValue(Q.field(i));
        lines << QStringLiteral("Insert into ") + table + QStringLiteral(" (") +
                     columns.join(QLatin1Char(',')) + QStringLiteral(") ") +
                     QStringLiteral("values (") + values.join(QLatin1Char(',')) +
                     QStringLiteral(");");
    }
    Q.close();
    lines << QString() << QString();
    QByteArray text;
    for (const QString& line : lines)
        text += line.toUtf8() + "\r\n";
    QFile target(file);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Append)) {
        target.setFileName(platform::temporaryFolder() + QStringLiteral("DravikTemp.log"));
        if (!target.open(QIODevice::WriteOnly | QIODevice::Append))
            throw platform::InOutError(
                QStringLiteral("Cannot write %1: %2").arg(file, target.errorString()));
    }
    if (target.write(text) != text.size())
        throw platform::InOutError(
            QStringLiteral("Cannot write %1: %2").arg(target.fileName(), target.errorString()));
}

QString TFQorPrevod::GenerateInsertValue(const db::Field& field) {
    if (field.isNull())
        return QStringLiteral("NULL");
    const db::FieldType type = field.dataType();
    if (db::isIntegerType(type))
        return field.asString().trimmed();
    if (type == db::FieldType::Float || type == db::FieldType::Currency) {
        QString number = platform::formatFloat(QStringLiteral("0.0000"), field.asFloat());
        const qsizetype comma = number.indexOf(QLatin1Char(','));
        if (comma >= 0)
            number[comma] = QLatin1Char('.');
        return number;
    }
    if (type == db::FieldType::Date || type == db::FieldType::DateTime)
        return QLatin1Char('\'') + db::isoDateTimeText(field.asDateTime()) + QLatin1Char('\'');
    QString text = field.asString().trimmed();
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    // A line break would split the row over lines that the script reader trims and may
    // end at a ';': it is written as a character of its own.
    text.replace(QLatin1Char('\r'), QStringLiteral("' || CHR(13) || '"));
    text.replace(QLatin1Char('\n'), QStringLiteral("' || CHR(10) || '"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// --- Language page ---------------------------------------------------------------------------

void TFQorPrevod::EditSettings(bool& translationOn, bool& writeMode, QString& languageCode,
                               QString& languageText) {
    showPage(TSLanguage);
    CBTranslation->setChecked(translationOn);
    CBWriteMode->setChecked(writeMode);
    FillLanguages();
    for (db::Query* query : {&TLanguage, &ILanguage, &ULanguage})
        query->setDatabaseName(DatabaseName);
    openLanguages();
    runModal();
    const QString item = CBTransLanguage->currentText();
    languageCode = codeOf(item);
    languageText = descriptionOf(item);
    translationOn = CBTranslation->isChecked();
    writeMode = CBWriteMode->isChecked();
}

void TFQorPrevod::openLanguages() {
    TLanguage.close();
    openWithColumns(TLanguage, {{"KODA_JEZIKA", "Code", 5}, {"OPIS", "Description", 50}});
}

void TFQorPrevod::FillLanguages() {
    Q.close();
    Q.setDatabaseName(DatabaseName);
    Q.setSqlText(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                     .arg(QStringLiteral("koda_jezika,Opis"), QStringLiteral("prevod_jeziki"),
                          QStringLiteral("koda_jezika")));
    Q.open();
    CBTransLanguage->clear();
    for (; !Q.eof(); Q.next())
        CBTransLanguage->addItem(Q.field(0).asString() + QLatin1Char(' ') + Q.field(1).asString());
    Q.close();
    CBTransLanguage->setEditText(Language);
    CBTransLanguage->FindMatch();
}

void TFQorPrevod::CBTransLanguageMatch() {
    Language = codeOf(CBTransLanguage->currentText());
}

void TFQorPrevod::DSLanguageDataChange() {
    if (!TLanguage.active() || TLanguage.isEmpty())
        return;
    eKoda_jezika->setText(TLanguage.fieldByName(QStringLiteral("KODA_JEZIKA")).asString());
    eOpis->setText(TLanguage.fieldByName(QStringLiteral("OPIS")).asString());
    eKoda_jezika->setEnabled(false);
    BInsert->setEnabled(false);
    BUpdate->setEnabled(false);
}

void TFQorPrevod::eOpisChange() {
    if (!BInsert->isEnabled())
        BUpdate->setEnabled(true);
}

void TFQorPrevod::BNewClick() {
    eKoda_jezika->clear();
    eOpis->clear();
    eKoda_jezika->setEnabled(true);
    eKoda_jezika->setFocus();
    BUpdate->setEnabled(false);
    BInsert->setEnabled(true);
}

// A language without a code could never be chosen: it is refused before the statement.
void TFQorPrevod::updateLanguage(db::Query& statement) {
    if (eKoda_jezika->text().trimmed().isEmpty()) {
        eKoda_jezika->setFocus();
        throw platform::Exception(QStringLiteral("Enter the language's code."));
    }
    statement.setDatabaseName(DatabaseName);
    bindValues(statement, {{QStringLiteral("KODA"), boundText(eKoda_jezika->text())},
                           {QStringLiteral("OPIS"), boundText(eOpis->text())}});
    statement.execSql();
    db::Session::defaultSession().database(DatabaseName).commit();
    openLanguages();
    FillLanguages();
}

void TFQorPrevod::BInsertClick() {
    updateLanguage(ILanguage);
}

void TFQorPrevod::BUpdateClick() {
    updateLanguage(ULanguage);
}

} // namespace translation

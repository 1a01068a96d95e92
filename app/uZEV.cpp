#include "app/uZEV.h"

#include "app/DebugLog.h"
#include "app/HoldingsQuery.h"
#include "app/RunFeedback.h"
#include "app/TradingAccountsReport.h"
#include "app/ZevIni.h"
#include "app/uSifSerprog.h"
#include "controls/cDbGrid.h"
#include "db/UVersionAgent.h"
#include "db/uDMLB.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/MessageBox.h"
#include "platform/StdControls.h"
#include "platform/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

TfZEV* fZEV = nullptr;

namespace {

const QString RefusalMessage = QStringLiteral(
    "Napačen zagon! ZEV poročanje morate zagnati iz QOR-ja (Meni:Obdelave\\ZEV Poročanje)!");

QFont boldFont(QFont font) {
    font.setBold(true);
    return font;
}

} // namespace

// Shows in the status bar how many rows of the holdings the grid has read, as it reads
// them; a closed query leaves the text as it is.
class TfZEV::RowsLink : public db::DataLink {
public:
    explicit RowsLink(QLabel& panel) : panel_(panel) {}

protected:
    void activeChanged() override { show(); }
    void dataSetChanged() override { show(); }
    void rowsFetched() override { show(); }

private:
    void show() {
        if (const db::DataSet* set = dataSet(); set && set->active())
            panel_.setText(rowsReadText(set->fetchedRowCount()));
    }
    QLabel& panel_;
};

TfZEV::TfZEV(TDMLB& dmlb, const QStringList& arguments, QWidget* parent,
             const QString& programFolder)
    : QMainWindow(parent), dmlb_(dmlb), arguments_(arguments), programFolder_(programFolder) {
    platform::setComponentName(this, QStringLiteral("fZEV"));
    component(&qStanja, "qStanja");
    component(&dsStanja, "dsStanja");
    defineHoldingsQuery(qStanja);
    dsStanja.setDataSet(&qStanja);
    createComponents();
    FormCreate();
    pteDan->Loaded();
    if (fZEV == nullptr)
        fZEV = this;
}

TfZEV::~TfZEV() {
    qApp->removeEventFilter(this);
    if (fZEV == this)
        fZEV = nullptr;
}

template <typename Component> Component* TfZEV::component(Component* created, const char* name) {
    return platform::addComponent(this, created, QString::fromLatin1(name));
}

void TfZEV::createComponents() {
    resize(702, 448);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);
    va = component(new TVersionAgent(this), "va");
    pcMain = component(new QTabWidget(this), "pcMain");
    setCentralWidget(pcMain);
    createMenu();
    createNaborPage();
    createErrorPage();
    createStatusBar();
    pcMain->setCurrentWidget(tsNabor);
    qApp->installEventFilter(this);
}

void TfZEV::createMenu() {
    component(menuBar(), "MainMenu1");
    QMenu* datoteka = menuBar()->addMenu(QStringLiteral("Datoteka"));
    GenerirajXmlzev1 =
        component(datoteka->addAction(QStringLiteral("Generiraj Xml zev")), "GenerirajXmlzev1");
    component(datoteka->addSeparator(), "N1");
    Nastavitve1 = component(datoteka->addAction(QStringLiteral("Nastavitve")), "Nastavitve1");
    component(datoteka->addSeparator(), "N2");
    Izhod1 = component(datoteka->addAction(QStringLiteral("Izhod")), "Izhod1");
    Izhod1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(Izhod1, &QAction::triggered, this, platform::guarded(this, &TfZEV::Izhod1Click));
    connect(GenerirajXmlzev1, &QAction::triggered, this,
            platform::guarded(this, &TfZEV::bbGenXMLClick));
    connect(Nastavitve1, &QAction::triggered, this,
            platform::guarded(this, &TfZEV::Nastavitve1Click));
}

void TfZEV::createNaborPage() {
    tsNabor = component(new platform::TTabSheet, "tsNabor");
    pcMain->addTab(tsNabor, QStringLiteral("Nabor"));
    auto* layout = new QVBoxLayout(tsNabor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* topPanel = component(new platform::TPanel(tsNabor), "pnlTop");
    topPanel->setFixedHeight(71);
    topPanel->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(topPanel);

    auto* label = component(new QLabel(QStringLiteral("Datum"), topPanel), "lDatum");
    label->setFont(boldFont(label->font()));
    label->setGeometry(12, 8, 80, 16);
    pteDan = component(new entry::TPTypedEdit(topPanel), "pteDan");
    pteDan->setDataType(db::FieldType::Date);
    pteDan->setDataTypeFixed(true);
    pteDan->setMaxLength(10);
    pteDan->GroupIndex = 0;
    pteDan->setFont(boldFont(QFont(QStringLiteral("Arial CE"), pteDan->font().pointSize())));
    pteDan->setGeometry(12, 28, 110, 24);
    platform::setBuddy(label, pteDan);
    // The date field's tool and clear buttons appear to its right while it has the focus
    // (12 + 110 up to 158); the buttons start after them.

    bbNabor = component(new platform::TBitBtn(QStringLiteral("Nabor"), topPanel), "bbNabor");
    bbNabor->setToolTip(QStringLiteral("Nabor"));
    bbNabor->setGeometry(170, 26, 90, 28);
    connect(bbNabor, &QPushButton::clicked, this, platform::guarded(this, &TfZEV::bbNaborClick));
    bbGenXML = component(
        new platform::TBitBtn(QStringLiteral("Generiranje XML poročila"), topPanel), "bbGenXML");
    bbGenXML->setToolTip(QStringLiteral("Generiranje in pošiljanje poročila"));
    bbGenXML->setGeometry(270, 26, 200, 28);
    connect(bbGenXML, &QPushButton::clicked, this, platform::guarded(this, &TfZEV::bbGenXMLClick));

    grdStanja = component(new controls::TKVDbGrid(tsNabor), "grdStanja");
    grdStanja->setOptions(controls::TKVDbGrid::DefaultOptions |
                          controls::TKVDbGrid::Option::RowSelect);
    grdStanja->setReadOnly(true);
    grdStanja->setDataSource(&dsStanja);
    layout->addWidget(grdStanja);
}

void TfZEV::createErrorPage() {
    tsError = component(new platform::TTabSheet, "tsError");
    const int index = pcMain->addTab(tsError, QStringLiteral("Napaka"));
    auto* layout = new QVBoxLayout(tsError);
    mError = component(new QPlainTextEdit(QStringLiteral("mError"), tsError), "mError");
    mError->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mError->setReadOnly(true);
    layout->addWidget(mError);
    mError->hide();
    pcMain->setTabVisible(index, false);
}

void TfZEV::createStatusBar() {
    QStatusBar* bar = statusBar();
    component(bar, "Sb");
    statusUser_ = component(new QLabel(bar), "SbPanel1");
    statusUser_->setFixedWidth(100);
    statusSecond_ = component(new QLabel(bar), "SbPanel2");
    statusSecond_->setFixedWidth(50);
    statusRows_ = component(new QLabel(bar), "SbPanel3");
    bar->addWidget(statusUser_);
    bar->addWidget(statusSecond_);
    bar->addWidget(statusRows_, 1);
    rowsLink_ = std::make_unique<RowsLink>(*statusRows_);
    rowsLink_->setDataSource(&dsStanja);
}

void TfZEV::FormCreate() {
    qStanja.setDatabaseName(dmlb_.dbMain.databaseName());
    if (arguments_.isEmpty()) {
        platform::showMessage(platform::MessageKind::Information, RefusalMessage);
        terminateRequested_ = true;
    }
    setWindowTitle(QStringLiteral("ZEV v") + va->FileVersion());
    readIniFile();
}

void TfZEV::readIniFile() {
    const ZevIniSettings ini = readZevIni(programFolder_);
    if (!ini.fileFound)
        platform::showMessage(platform::MessageKind::Information,
                              QStringLiteral("Manjka .ini datoteka!"));
    DbType = ini.fileFound ? ini.DbType : QString();
    XmlPathServer = ini.XmlPathServer;
    DebugOn = ini.DebugOn;
    AgencyHost = ini.agencyHost;
}

void TfZEV::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    platform::centreOnScreen(*this);
    // The window comes to the front with the date field focused: the operator starts
    // with the date (desktops without a window manager do not activate it by themselves).
    activateWindow();
    pteDan->setFocus();
    FormShow();
}

void TfZEV::FormShow() {
    Nastavitve1->setEnabled(dmlb_.HasRight(QStringLiteral("230")));
    statusUser_->setText(dmlb_.AppUser);
}

// A close asked for while a run works (the window manager's close button) happens
// when the run has ended.
void TfZEV::closeEvent(QCloseEvent* event) {
    if (running_) {
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

void TfZEV::FormClose() {
    qStanja.close();
}

void TfZEV::Izhod1Click() {
    close();
}

void TfZEV::bbGenXMLClick() {
    runWithFeedback(QStringLiteral("Generiranje XML poročila ..."), [this](RunFeedback& feedback) {
        DebugLog log(DebugOn, programFolder_);
        const auto dateField = [this] { return pteDan->GetDateTimeValue(); };
        ReportContext context{dmlb_, qStanja, dateField, log, *this, programFolder_, AgencyHost};
        context.rowsWritten = [&feedback](qint64 rows) {
            feedback.showProgress(rowsWrittenText(rows));
        };
        generateTradingAccountsReport(context);
    });
}

// The editor frees itself when it is closed.
void TfZEV::Nastavitve1Click() {
    auto* editor = new TfSifSerprog(this, programFolder_);
    editor->ShowForModule(QStringLiteral("ZEV"), true);
}

void TfZEV::NapakavLog(const QString& message) {
    DebugLog(DebugOn, programFolder_).write(message);
}

void TfZEV::showValidationError(const QString& errorText) {
    mError->setPlainText(errorText);
    pcMain->setTabVisible(pcMain->indexOf(tsError), true);
    mError->show();
    pcMain->setCurrentWidget(tsError);
}

void TfZEV::hideValidationError() {
    pcMain->setTabVisible(pcMain->indexOf(tsError), false);
    mError->hide();
}

void TfZEV::bbNaborClick() {
    runWithFeedback(QStringLiteral("Berem podatke ..."), [this](RunFeedback&) {
        qStanja.close();
        qStanja.paramByName(QStringLiteral("dan")).setAsDateTime(pteDan->GetDateTimeValue());
        qStanja.open();
    });
}

// One run at a time: a second one asked for meanwhile (a queued click) does nothing. A
// failed run leaves the status panel empty.
void TfZEV::runWithFeedback(const QString& startText,
                            const std::function<void(RunFeedback&)>& body) {
    if (running_)
        return;
    running_ = true;
    const auto ended = qScopeGuard([this] {
        running_ = false;
        if (std::exchange(closeAfterRun_, false))
            QMetaObject::invokeMethod(
                this, [this] { close(); }, Qt::QueuedConnection);
    });
    RunFeedback feedback(*this, *statusRows_, qStanja.database(), startText,
                         {bbNabor, bbGenXML, GenerirajXmlzev1, Nastavitve1, Izhod1});
    try {
        body(feedback);
    } catch (...) {
        statusRows_->clear(); // neither "reading" nor a count of a run that failed
        throw;
    }
}

// The window's menu shortcuts come before the focused control: Ctrl+X ends the
// program even while a text field, which would take it for "cut", has the focus.
bool TfZEV::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == this &&
            isMenuShortcut(QKeySequence(key->keyCombination()))) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfZEV::isMenuShortcut(const QKeySequence& keys) const {
    for (const QAction* action : {GenerirajXmlzev1, Nastavitve1, Izhod1})
        if (!action->shortcut().isEmpty() && action->shortcut() == keys)
            return true;
    return false;
}

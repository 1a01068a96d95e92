#pragma once

#include "app/XmlValidation.h"
#include "db/DataSource.h"
#include "db/Query.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class RunFeedback;
class TDMLB;
class TVersionAgent;

namespace controls {
class TKVDbGrid;
}
namespace entry {
class TPTypedEdit;
}

// The main window: the reporting date, the holdings of the budget users' accounts,
// the report, and the settings editor for holders of right "230".
class TfZEV : public QMainWindow, public ReportErrorDisplay {
    Q_OBJECT
public:
    // arguments: the command line without the program name. programFolder: where
    // "ZEV.ini", the schema, the working copy and "Log.txt" are; each where
    // platform::programFile finds it when empty.
    TfZEV(TDMLB& dmlb, const QStringList& arguments, QWidget* parent = nullptr,
          const QString& programFolder = {});
    ~TfZEV() override;

    // True when the start was refused; the program ends without showing the window.
    bool terminateRequested() const { return terminateRequested_; }

    // From "ZEV.ini": the database type (empty without the file) and the debug log switch.
    const QString& dbType() const { return DbType; }
    bool debugOn() const { return DebugOn; }
    // The holdings of the budget users' accounts that "Nabor" lists and the report reads.
    const db::Query& holdings() const { return qStanja; }

    // "Nabor" and the report run on this thread with the wait cursor, the count of rows in
    // the status bar's third panel and the window repainting meanwhile; input during the
    // run is discarded, a click that reaches them while one runs does nothing, and a
    // request to close the window waits for the run's end.
    void bbNaborClick();
    void bbGenXMLClick();
    bool running() const { return running_; }

    // The tab "Napaka" with the text box of the last validation error.
    void showValidationError(const QString& errorText) override;
    void hideValidationError() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Nastavitve1Click();
    void Izhod1Click();
    // The debug log of the report: appends the message to "Log.txt" while "Debug" is on.
    void NapakavLog(const QString& message);
    // Names a component this window creates and registers it as the window's.
    template <typename Component> Component* component(Component* created, const char* name);
    void createComponents();
    void createMenu();
    void createNaborPage();
    void createErrorPage();
    void createStatusBar();
    void FormCreate();
    void FormShow();
    void FormClose();
    void readIniFile();
    bool isMenuShortcut(const QKeySequence& keys) const;
    void runWithFeedback(const QString& startText, const std::function<void(RunFeedback&)>& body);

    QString DbType;
    QString XmlPathServer;
    bool DebugOn = false;
    QString AgencyHost;
    db::Query qStanja;
    db::DataSource dsStanja;

    TDMLB& dmlb_;
    QStringList arguments_;
    QString programFolder_;
    bool terminateRequested_ = false;
    bool shownOnce_ = false;
    bool running_ = false;
    bool closeAfterRun_ = false;

    TVersionAgent* va = nullptr;
    QTabWidget* pcMain = nullptr;
    QWidget* tsNabor = nullptr;
    QWidget* tsError = nullptr;
    QPlainTextEdit* mError = nullptr;
    entry::TPTypedEdit* pteDan = nullptr;
    QPushButton* bbNabor = nullptr;
    QPushButton* bbGenXML = nullptr;
    controls::TKVDbGrid* grdStanja = nullptr;
    QLabel* statusUser_ = nullptr;
    QLabel* statusSecond_ = nullptr;
    QLabel* statusRows_ = nullptr;
    class RowsLink;
    std::unique_ptr<RowsLink> rowsLink_;
    QAction* GenerirajXmlzev1 = nullptr;
    QAction* Nastavitve1 = nullptr;
    QAction* Izhod1 = nullptr;
};

// The single main window, while it exists.
extern TfZEV* fZEV;

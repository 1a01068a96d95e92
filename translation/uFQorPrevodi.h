#pragma once

#include "db/DataSource.h"
#include "db/Query.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolButton;

namespace controls {
class TACComboBox;
class TKVDbGrid;
} // namespace controls

namespace platform {
class TPanel;
class TTabSheet;
} // namespace platform

namespace translation {

// A status bar of fixed-width panels, each a label that assistive tools read.
class TStatusPanels : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanels(QWidget* parent = nullptr);
    void addPanel(const QString& text, int width);
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    int panelCount() const { return static_cast<int>(panels_.size()); }

private:
    std::vector<QLabel*> panels_;
};

// What the engine hands the manager form: the database its statements run on, and the
// form, organisation, program and language whose texts it shows.
struct TManagerContext {
    QString databaseName = QStringLiteral("LB");
    QString language;
    QString languageText;
    QString formId;
    QString orgId;
    QString programName;
    QPointer<QWidget> currentForm; // the translated window, refreshed after a save
};

// The translator's window "FQorPrevod" ("Form translation..."): the single-text dialog
// (page TSTranslation), the list of a form's texts in the current language with the
// transfer commands (page TSTransList) and the language settings (page TSLanguage). The
// page tabs are hidden. The engine creates the form with its context; every statement
// runs on the context's database and binds its values.
//
// Its controls, actions and queries are its own. Tests and tools that play the user's
// part reach the controls by their component names (platform::findComponent), as the
// translation walk does, and the queries through the grids that show them.
class TFQorPrevod : public QDialog {
    Q_OBJECT
public:
    explicit TFQorPrevod(const TManagerContext& context = {}, QWidget* parent = nullptr);
    ~TFQorPrevod() override;

    // --- State ------------------------------------------------------------------------------
    const QString& databaseName() const { return DatabaseName; }
    // The language chosen on the language page, or the context's.
    const QString& language() const { return Language; }
    // Empty after the form's texts were cleared.
    const QString& formId() const { return FormId; }
    // On (the default), the form deletes itself when it closes; off, its creator does.
    bool freeOnClose() const { return FreeOnClose; }
    void setFreeOnClose(bool on) { FreeOnClose = on; }
    // True while a text chosen from the list is translated on the single-text page.
    bool listMode() const { return ListMode; }
    // The list statement as the form keeps it, without the order line a title click adds.
    const QStringList& baseListSql() const { return BaseListSql; }

    // --- Operations -------------------------------------------------------------------------
    // Each raises what its statements and files raise (a failing statement, a script that
    // cannot be written); the form's buttons, keys and menus run them behind the handler
    // guard.
    // The single-text dialog for the text name of FormId: the result is the first line of
    // the saved translation, or of the source text when nothing was saved; empty without
    // a language ("No language selected.") or without a row. stop and onlyCreate take the
    // translator's Shift+Esc and F4.
    void TranslateText(const QString& name, QString& text, bool& stop, bool& onlyCreate);
    // The list of FormId's texts, shown modally.
    void ShowFormList();
    // The language page, shown modally; afterwards the choice as the page holds it.
    void EditSettings(bool& translationOn, bool& writeMode, QString& languageCode,
                      QString& languageText);
    // The list of untranslated texts again (byClick: of the translated ones when "SBT" is
    // down, and without the order a title click added).
    void SBUtClick(bool byClick);
    // The list ordered by the field (a title click on the list's grid).
    void DBGrid1TitleBtnClick(const QString& fieldName);
    // Deletes the translation of the list's current text ("Delete translation").
    void Deletetranslation1Click();
    // Writes the transfer script into TargetFile() ("Generate file").
    void BGenerateClick();

    // --- Transfer scripts -------------------------------------------------------------------
    // Appends one insert line per row of the statement's result, then two empty lines.
    void GenerateSql(const QString& file, const QString& table, const QString& statement,
                     const QVariantMap& params = {});
    // A field's value as the script writes it: NULL; integers as they are; floats as
    // "0.0000" with a point; dates as quoted ISO text; anything else quoted with
    // apostrophes doubled and each line break written as CHR(13) or CHR(10), so that
    // every row stays one line of the script.
    static QString GenerateInsertValue(const db::Field& field);
    // The file "Generate file" writes.
    QString TargetFile() const;

    // How the form is shown modally: exec() unless a test or tool plays the user's part.
    using ModalRunner = std::function<void(TFQorPrevod& form)>;
    static void setModalRunner(ModalRunner runner);
    // The save dialog of "...": answers the chosen file, or empty.
    using FileChooser =
        std::function<QString(TFQorPrevod& form, const QString& folder, const QString& fileName)>;
    static void setFileChooser(FileChooser chooser);

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    // --- Handlers (actions, buttons, lists) ----------------------------------------------
    void SaveExecute();
    void CancelExecute();
    void CancelAndEndExecute();
    void AOnlyCreateTranslExecute();
    void ShowClearExecute();
    void UseSuggestion();
    void BTranslateClick();
    void BClearFormClick();
    void CBInstallClick();
    void Button1Click();
    void Button2Click();
    void SpeedButton1Click();
    void FillLanguages();
    void CBTransLanguageMatch();
    void DSLanguageDataChange();
    void eOpisChange();
    void BNewClick();
    void BInsertClick();
    void BUpdateClick();

    QWidget* buildTranslationPage();
    QWidget* buildListPage();
    QWidget* buildTransferPanel(QWidget* parent);
    QWidget* buildLanguagePage();
    void buildActions();
    void showPage(QWidget* page);
    void runModal();
    void closeForm();
    void loadSuggestions();
    void hideSuggestions();
    // Raises (runStatement on the form's database).
    void execute(db::Query& query, const QString& statement, const QVariantMap& params);
    QString requestKey() const;
    QString requestSection() const;
    void writeRequest(const QString& section, const QString& key, const QString& value);
    void updateLanguage(db::Query& statement);
    void openLanguages();
    void focusTranslation();

    // --- Context and own state -------------------------------------------------------------
    QString DatabaseName;
    QString Language;
    QString LanguageText;
    QString FormId;
    QString OrgId;
    QString ProgramName;
    QPointer<QWidget> CurrentForm;
    bool ListMode = false;
    bool Saved = false;
    bool StopRequested = false;
    bool OnlyCreate = false;
    bool FreeOnClose = true;
    QStringList BaseListSql; // the list statement as the form keeps it
    QString ListOrder;       // the ORDER BY line a title click adds
    QString CurrentSourceText;
    QString CurrentTranslText;

    // --- Components -------------------------------------------------------------------------
    QTabWidget* PageControl = nullptr;
    platform::TTabSheet* TSTranslation = nullptr;
    platform::TTabSheet* TSTransList = nullptr;
    platform::TTabSheet* TSLanguage = nullptr;
    // single text
    platform::TPanel* PForm = nullptr;
    platform::TPanel* PControl = nullptr;
    QToolButton* SBCancelAndEnd = nullptr;
    QPlainTextEdit* MOriginal = nullptr;
    QPlainTextEdit* MTranslation = nullptr;
    QWidget* PSug = nullptr;
    controls::TKVDbGrid* DBGrid3 = nullptr;
    QToolButton* SBSave = nullptr;
    QToolButton* SBCancel = nullptr;
    TStatusPanels* SB = nullptr;
    // language
    controls::TACComboBox* CBTransLanguage = nullptr;
    QCheckBox* CBTranslation = nullptr;
    QCheckBox* CBWriteMode = nullptr;
    controls::TKVDbGrid* DBGrid2 = nullptr;
    QLineEdit* eKoda_jezika = nullptr;
    QLineEdit* eOpis = nullptr;
    QPushButton* BNew = nullptr;
    QPushButton* BInsert = nullptr;
    QPushButton* BUpdate = nullptr;
    // list
    platform::TPanel* PFormList = nullptr;
    QPushButton* BTranslate = nullptr;
    QPushButton* BClearForm = nullptr;
    QCheckBox* CBInstall = nullptr;
    QToolButton* SBUt = nullptr;
    QToolButton* SBT = nullptr;
    controls::TKVDbGrid* DBGrid1 = nullptr;
    TStatusPanels* SB1 = nullptr;
    QWidget* PTransfer = nullptr;
    QComboBox* CBForm = nullptr;
    QComboBox* CBCommand = nullptr;
    QLineEdit* EFile = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* BGenerate = nullptr;
    // actions
    QAction* Save = nullptr;
    QAction* Cancel = nullptr;
    QAction* CancelAndEnd = nullptr;
    QAction* ShowClear = nullptr;
    QAction* AUseSugg = nullptr;
    QAction* AOnlyCreateTransl = nullptr;
    QAction* ATranslate = nullptr;
    // data
    db::Query Q;
    db::Query oQ;
    db::Query LQ;
    db::Query Sg;
    db::Query TLanguage;
    db::Query ILanguage;
    db::Query ULanguage;
    db::DataSource DSList;
    db::DataSource DSSug;
    db::DataSource DSLanguage;
};

} // namespace translation

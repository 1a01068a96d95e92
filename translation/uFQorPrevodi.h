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

// The translator's window "FQorPrevod" ("Form translation..."): the single-text dialog
// (page TSTranslation), the list of a form's texts in the current language with the
// transfer commands (page TSTransList) and the language settings (page TSLanguage). The
// page tabs are hidden. The engine creates the form and hands it its context; every
// statement runs on DatabaseName and binds its values.
class TFQorPrevod : public QDialog {
    Q_OBJECT
public:
    explicit TFQorPrevod(QWidget* parent = nullptr);
    ~TFQorPrevod() override;

    // --- Context, set by the engine ----------------------------------------------------
    QString DatabaseName = QStringLiteral("LB");
    QString Language;
    QString LanguageText;
    QString FormId;
    QString OrgId;
    QString ProgramName;
    QPointer<QWidget> CurrentForm;

    // --- Own state ------------------------------------------------------------------------
    bool ListMode = false;
    bool Saved = false;
    bool StopRequested = false;
    bool OnlyCreate = false;
    bool FreeOnClose = true; // the form deletes itself when it closes
    QStringList BaseListSql; // the list statement as the form keeps it
    QString ListOrder;       // the ORDER BY line a title click adds
    QString CurrentSourceText;
    QString CurrentTranslText;

    // --- Operations -------------------------------------------------------------------------
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

    // --- Handlers (actions, buttons, lists) ----------------------------------------------
    void SaveExecute();
    void CancelExecute();
    void CancelAndEndExecute();
    void AOnlyCreateTranslExecute();
    void ShowClearExecute();
    void UseSuggestion();
    // The list again; a click on "Untranslated" or "Translated" drops the order.
    void SBUtClick(bool byClick);
    void DBGrid1TitleBtnClick(const QString& fieldName);
    void BTranslateClick();
    void Deletetranslation1Click();
    void BClearFormClick();
    void CBInstallClick();
    void Button1Click();
    void Button2Click();
    void SpeedButton1Click();
    void BGenerateClick();
    void FillLanguages();
    void CBTransLanguageMatch();
    void DSLanguageDataChange();
    void eOpisChange();
    void BNewClick();
    void BInsertClick();
    void BUpdateClick();

    // --- Transfer scripts -------------------------------------------------------------------
    // Appends one insert line per row of the statement's result, then two empty lines.
    void GenerateSql(const QString& file, const QString& table, const QString& statement,
                     const QVariantMap& params = {});
    // A field's value as the script writes it: NULL; integers as they are; floats as
    // "0.0000" with a point; dates as quoted ISO text; anything else quoted with
    // apostrophes doubled and each line break written as CHR(13) or CHR(10), so that
    // every row stays one line of the script. Double quotes are written as they are, not
    // doubled: inside apostrophes they are plain characters to every engine, and a doubled
    // one would be imported as two.
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

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
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
    QString selectValue(const QString& table, const QString& column, const QString& condition,
                        const QVariantMap& params);
    void execute(db::Query& query, const QString& statement, const QVariantMap& params);
    QString requestKey() const;
    QString requestSection() const;
    void writeRequest(const QString& section, const QString& key, const QString& value);
    void updateLanguage(db::Query& statement);
    void openLanguages();
    void focusTranslation();
};

} // namespace translation

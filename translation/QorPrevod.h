#pragma once

#include "platform/ProfileFile.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>

namespace db {
class Query;
}

namespace translation {

class TFQorPrevod;

// Values as the translation statements bind them: a text never as the null text (which
// the drivers bind as NULL), a key as a number when it reads as one and as NULL when it
// is empty; bindValues sets the ":NAME" parameters of the query from the map.
QVariant boundText(const QString& text);
QVariant boundKey(const QString& key);
void bindValues(db::Query& query, const QVariantMap& values);

// What the translation helpers do with an error of the database or of a file. Each
// helper's comment names one of five policies:
// - raises: the error reaches the caller;
// - empty text: a lookup answers empty text, as when it finds no row;
// - zero: a date lookup answers 0, as when it finds no row;
// - false: the helper answers false (or, with nothing to answer, does nothing) and shows
//   nothing;
// - message and false: the helper shows the error's message and answers false (or,
//   with nothing to answer, only shows it).
// Each policy has one implementation, below, so that helpers of the same policy behave
// alike.

// Empty text, zero and false: what the step answers, or the fallback when it raises.
template <typename Value, typename Step> Value answerOr(Value fallback, Step step) {
    try {
        return step();
    } catch (const std::exception&) {
        return fallback;
    }
}
// False, for a step with nothing to answer: an error ends the step, nothing is shown.
void ignoreErrors(const std::function<void()>& step);
// Message and false: true when the step ran; else the error's message is shown (after
// the lead text) and false answered.
bool shownOnError(const std::function<void()>& step, const QString& lead = {});

// The statements below take table, column and condition as SQL written by the program;
// every value goes into the condition as a ":NAME" parameter whose value params holds.

// Runs the statement on the query, on the connection, with params bound; answers the rows
// it changed. Raises.
int runStatement(db::Query& query, const QString& connection, const QString& statement,
                 const QVariantMap& params = {});
// The column of the first row of "Select column from table where condition" on the
// connection, as text. Empty text when there is no row, and on any error.
QString selectText(const QString& connection, const QString& table, const QString& column,
                   const QString& condition, const QVariantMap& params = {});

// The user-interface translation engine of one form. The translations live in the
// tables PREVOD_FORME (one record per form of a program), PREVOD_ORG (the source texts
// of a form), PREVOD_DATA (a text's translation per language) and PREVOD_JEZIKI (the
// languages); the keys come from the counters of S_KLJUCI. Each workstation keeps a
// cache file per program and language ("LNG/<program>_<language>.lng" in the program
// folder), one section per form with its server stamp under "DT_CHANGE".
//
// Creation reads the workstation settings ("QorTrans.ini", section "QOR"), carries out
// the pending delete and import requests of "QorTranslation.ini" and then runs the pass
// over the owner form. Every statement binds its texts, names, languages and keys as
// parameters; no text from a file or a form is ever pasted into SQL.
class TQorPrevod : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Language READ Language WRITE setLanguage)
    Q_PROPERTY(QString LanguageText READ LanguageText WRITE setLanguageText)
    Q_PROPERTY(QString ProgramName READ ProgramName WRITE setProgramName)
    Q_PROPERTY(QString IdFormeConstant READ IdFormeConstant WRITE setIdFormeConstant)
    Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE setDatabaseName)
    Q_PROPERTY(bool Translation READ Translation WRITE setTranslation)
    Q_PROPERTY(bool WriteMode READ WriteMode WRITE setWriteMode)
    Q_PROPERTY(bool WindowSize READ WindowSize WRITE setWindowSize)
    Q_PROPERTY(
        bool AutoCreateTranslations READ AutoCreateTranslations WRITE setAutoCreateTranslations)
    Q_PROPERTY(
        bool OnlyCreateTranslations READ OnlyCreateTranslations WRITE setOnlyCreateTranslations)

public:
    // Events; an unassigned one is skipped.
    using TPrevodForme = std::function<void(const QString& formName, bool writeMode)>;
    using TNotifyEvent = std::function<void(TQorPrevod& sender)>;

    enum class Creation {
        Run,      // reads the settings and requests and translates the owner form
        Designing // the component only: no settings, no requests, no pass
    };

    explicit TQorPrevod(QObject* owner, Creation creation = Creation::Run);
    ~TQorPrevod() override;

    // --- Process-wide settings -----------------------------------------------------
    // The program name that every new engine takes as ProgramName (empty unless set).
    static void setProcessProgramName(const QString& name);
    static QString processProgramName();
    // The folder of the engine's files, with its trailing '/': the program's folder for
    // written files (platform::programFolder) unless a test or tool sets another one
    // (an empty text restores the default).
    static void setProgramFolder(const QString& folder);
    static QString programFolder();

    // --- Published properties --------------------------------------------------------
    const QString& Language() const { return language_; }
    void setLanguage(const QString& language) { language_ = language.toUpper(); }
    const QString& LanguageText() const { return languageText_; }
    void setLanguageText(const QString& text) { languageText_ = text; }
    const QString& ProgramName() const { return programName_; }
    void setProgramName(const QString& name) { programName_ = name; }
    const QString& IdFormeConstant() const { return idFormeConstant_; }
    void setIdFormeConstant(const QString& id) { idFormeConstant_ = id; }
    const QString& DatabaseName() const { return databaseName_; }
    void setDatabaseName(const QString& name) { databaseName_ = name; }
    bool Translation() const { return translation_; }
    void setTranslation(bool on) { translation_ = on; }
    bool WriteMode() const { return writeMode_; }
    void setWriteMode(bool on) { writeMode_ = on; }
    bool WindowSize() const { return windowSize_; }
    void setWindowSize(bool on) { windowSize_ = on; }
    bool AutoCreateTranslations() const { return autoCreate_; }
    void setAutoCreateTranslations(bool on) { autoCreate_ = on; }
    bool OnlyCreateTranslations() const { return onlyCreate_; }
    void setOnlyCreateTranslations(bool on) { onlyCreate_ = on; }

    TPrevodForme onFormPrevod;           // a pass has translated a form's caption
    TNotifyEvent onConsTranslation;      // fired by HandleConstants
    TNotifyEvent onWriteConsTranslation; // fired by TranslateConstants
    TNotifyEvent onInitTranslation;      // fired at the end of InitTranslationData

    // --- Internal state, for the pass over a form and the manager -------------------
    const QString& FormId() const { return formId_; }
    const QString& OrgId() const { return orgId_; }
    void setOrgId(const QString& id) { orgId_ = id; }
    QWidget* CurrentForm() const { return currentForm_; }
    void setCurrentForm(QWidget* form) { currentForm_ = form; }
    // The preloaded texts of the current form, by name (names match without regard to
    // letter case).
    QString FormText(const QString& name) const;
    int FormTextCount() const { return static_cast<int>(formTexts_.size()); }
    const QString& Section() const { return section_; }
    void setSection(const QString& section) { section_ = section; }
    bool LocalValid() const { return localValid_; }
    void setLocalValid(bool valid) { localValid_ = valid; }
    // The stamps as the server's text of DT_CHANGE ("YYYY-MM-DD HH:MM:SS[.ffffff]");
    // empty stands for no stamp.
    const QString& LocalStamp() const { return localStamp_; }
    const QString& ServerStamp() const { return serverStamp_; }
    bool Busy() const { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }
    bool AbortRequested() const { return abortRequested_; }
    void setAbortRequested(bool requested) { abortRequested_ = requested; }
    const QString& CurrentFormName() const { return currentFormName_; }
    bool Imported() const { return imported_; }
    bool FullWindow() const { return fullWindow_; }

    // The cache file of ProgramName and Language.
    QString LocalFilePath() const;
    // Opens the cache file (creating the "LNG" folder first when asked); does nothing
    // when it is open. CloseLocalFile closes it; it is open only while a pass or a
    // constant or custom lookup runs. OpenLocalFile raises; CloseLocalFile is false, as
    // SaveLocalFile.
    void OpenLocalFile(bool createFolder);
    void CloseLocalFile();
    // The lookups' texts for the cache are kept until the file closes (or this is
    // called) and then written with one save; the file is not written when none differs
    // from what it holds. Lookups read the kept texts first. False: a file that cannot be
    // written is left alone from then on, and the lookups go to the database.
    void SaveLocalFile();
    bool LocalFileOpen() const { return static_cast<bool>(localFile_); }
    // Section check: reads the server's stamp of FormId (setting it to SYSDATE first when
    // it has none, and reading it again unless rereadAfterSet is off), reads the
    // section's "DT_CHANGE" and sets LocalValid when both are present and equal. Does
    // nothing when FormId is empty. WriteServerStamp stores ServerStamp under
    // "DT_CHANGE" in Section. Its lookups are empty text and its update message and
    // false: it raises nothing.
    void CheckLocalSection(bool rereadAfterSet = true);
    void WriteServerStamp();

    // Statements the engine has run since it was created (every one goes through the
    // same place), for measurements and tests.
    int StatementCount() const { return statementCount_; }

    // --- Settings and requests -------------------------------------------------------
    // Reads the six settings of "QorTrans.ini", section "QOR" (defaults when the file is
    // missing or unreadable). False.
    void ReadWorkstationSettings();
    // Reads "QorTrans.ini", the language description, and carries out the DELETE and
    // IMPORT requests of "QorTranslation.ini"; fires onInitTranslation (twice when an
    // import statement succeeded). A missing or unreadable file leaves the defaults.
    // False, as DeleteTranslations.
    void InitTranslationData();
    // Request lines "KEY=VALUE"; only value "1" is carried out, and each is marked "0"
    // in requestFile. "ALL" empties the three tables for every program and stops.
    void DeleteTranslations(const QStringList& requests, platform::ProfileFile& requestFile);
    // Runs the script that section "FILES" names for each pending key (each script at
    // most once per start); failing statements go to "<script>.log". Raises what reading
    // requestFile raises.
    void ImportTranslations(const QStringList& requests, platform::ProfileFile& requestFile);
    // Runs the statements of a script file as readScript (translation/ImportScript.h)
    // reads them, each on its own; a failing one is appended to "<script>.log" (its
    // lines, the error's message, an empty line) and the run goes on. Answers whether a
    // statement succeeded; false for a file that cannot be opened. False.
    bool RunScript(const QString& scriptPath);

    // --- Form records and texts ------------------------------------------------------
    // Finds (or in write mode inserts) the record of the form; true when it was inserted.
    // Raises what the insert raises (its lookup is empty text).
    bool SetFormRecord(const QString& formName);
    const QString& GetFormId() const { return formId_; }
    void SetFormId(const QString& id) { formId_ = id; }
    // Draws the next key of the counter in one transaction that holds the counter row:
    // "1" for a new counter, else PREDPONA + n + PRIPONA. Raises.
    QString NextKey(const QString& counterName, bool increment = true);
    // Makes sure the form has a PREVOD_ORG row for the name (OrgId its key); true when
    // one was inserted. False.
    bool EnsureSourceText(const QString& name, const QString& sourceText);
    // The text for the name in Language: from the preloaded form texts, the current cache
    // section, or the database; in write mode a text the database lacks is recorded.
    // The result is untouched for an empty name. The lookups are empty text; recording a
    // missing text raises.
    void GetTranslation(const QString& name, const QString& sourceText, QString& result);
    // Refreshes the cache section of FormId from the database. Message and false.
    bool UpdateAllLocalTranslation();
    // Reads every text of CurrentFormName in Language with one statement. Raises.
    void PreloadFormTexts();

    // --- Building blocks ---------------------------------------------------------------
    // table, column and condition are SQL written by the program; every value goes into
    // the condition as a ":NAME" parameter whose value params holds. Each runs on
    // DatabaseName unless it names its connection.
    // The column of the first row as text (selectText). Empty text.
    QString SelectValue(const QString& table, const QString& column, const QString& condition,
                        const QVariantMap& params = {});
    // The column as a date-time; 0 when there is no row. Zero.
    double SelectDateValue(const QString& table, const QString& column, const QString& condition,
                           const QVariantMap& params = {});
    // The column's text as the server gives it (DT_CHANGE stamps). Empty text.
    QString SelectStampValue(const QString& table, const QString& column, const QString& condition,
                             const QVariantMap& params = {});
    // "update table set column=value where condition": value is SQL text (SYSDATE) when
    // quoted is off, else a bound parameter. The statement is saved to "Knjiga.Sql" in
    // the temporary folder first. Message and false.
    bool UpdateValue(const QString& table, const QString& column, const QString& value,
                     const QString& condition, bool quoted, const QVariantMap& params = {});
    // "DELETE FROM table WHERE condition", or every row without a condition. False.
    bool DeleteRows(const QString& connection, const QString& table, const QString& condition,
                    const QVariantMap& params = {});
    // Appends one line to a text file, creating it when missing. Raises (InOutError).
    static void AppendLogLine(const QString& file, const QString& line);
    // A new manager form (owned by no window) with this engine's context: DatabaseName,
    // Language, FormId, OrgId, ProgramName, CurrentForm and LanguageText. It frees itself
    // when it closes unless its FreeOnClose is switched off. ManagerForm is the one made
    // last, while it exists.
    TFQorPrevod* CreateManagerForm();
    static TFQorPrevod* ManagerForm();
    // The server's current date-time in the engine's statements: "SYSDATE".
    static QString ServerDateFunction() { return QStringLiteral("SYSDATE"); }

    // --- Constants, custom lookups and the translator's commands ----------------------
    // Prepares the cache section of the program's constants (the pseudo-form
    // "ResourceString") and fires onConsTranslation with write mode off. Nothing while
    // translation is off. Raises.
    void HandleConstants();
    // One constant: the source text while translation is off, else its translation;
    // raises when the "ResourceString" record is missing or the text comes out blank.
    // Leaves FormId and LocalValid as it found them.
    void GetConstant(const QString& name, const QString& sourceText, QString& result);
    // One constant with the cache opened by PrepareCustomTranslation; a stop asked for in
    // the single-text dialog ends it with a silent abort (raises platform::Abort).
    void ConstTranslation(const QString& name, const QString& sourceText, QString& result);
    // Fires onWriteConsTranslation while Busy, with the cache open. Message and false.
    void TranslateConstants();
    // Prepares the cache section of any form name for GetTranslation (force reload marks
    // it out of date); CleanCustomTranslation ends such lookups. Raises.
    void PrepareCustomTranslation(const QString& formName, bool forceReload);
    void CleanCustomTranslation();
    // Opens the cache without creating its folder (raises); FreeIniFile closes it (false).
    void SetIniFile();
    void FreeIniFile();
    // Deletes the caption translations ("Title") of the form in every language. Raises.
    bool BrisiTitlePrevodForme(const QString& formName);
    // Write-mode commands: the manager's list of the owner form, the list of the
    // constants, translation switched off (nothing saved), and the settings page, whose
    // choice is written into "Dravik.ini" (Settings: false). The two managers raise.
    void OpenTranslationManagerExecute();
    void OpenConstantsManager();
    void SwitchOff();
    bool Settings();

    // --- Pass over the owner form (translatable forms) ----------------------------------
    // Translates the owner form at creation; see the translatable forms. Does nothing
    // unless Translation is on and Busy is off. Raises what preparing the pass raises;
    // an error of the walk is message and false.
    void TranslateOwnerForm(QObject* owner);
    // Translates a form's (or frame's) caption and components. Raises.
    void FormTranslation(QObject* component);
    // Translates the active form again (write-mode key T). Message and false.
    void RetranslateForm();

private:
    // Raises.
    int execute(const QString& connection, const QString& statement, const QVariantMap& params);
    QString drawKey(const QString& counterName, bool increment);
    void recordMissingText(const QString& name, const QString& sourceText, QString& result);
    void translateInDialog(const QString& name, QString& result);
    // Empty text.
    QString cachedText(const QString& name) const;
    // Keeps the text for the next save (SaveLocalFile); nothing here fails.
    void cacheText(const QString& name, const QString& text);

    QString language_;
    QString languageText_;
    QString programName_;
    QString idFormeConstant_;
    QString databaseName_ = QStringLiteral("LB");
    bool translation_ = false;
    bool writeMode_ = false;
    bool windowSize_ = false;
    bool autoCreate_ = false;
    bool onlyCreate_ = false;

    QString formId_;
    QString orgId_;
    QPointer<QWidget> currentForm_;
    QHash<QString, QString> formTexts_; // upper-cased name -> text
    QString formTextsId_;               // the form record they were read for
    std::unique_ptr<platform::ProfileFile> localFile_;
    std::vector<platform::ProfileFile::Value> pendingCache_; // in order of the lookups
    QHash<QString, std::size_t> pendingCacheIndex_;          // section and name -> entry
    bool localFileWritable_ = true;
    QString section_;
    bool localValid_ = false;
    QString localStamp_;
    QString serverStamp_;
    bool busy_ = false;
    bool abortRequested_ = false;
    QString currentFormName_;
    bool imported_ = false;
    bool fullWindow_ = true;
    int statementCount_ = 0;
};

} // namespace translation

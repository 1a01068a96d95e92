#include "translation/QorPrevod.h"

#include "db/Field.h"
#include "db/Query.h"
#include "db/Session.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolders.h"
#include "translation/ImportScript.h"
#include "translation/uFQorPrevodi.h"

#include <QFile>
#include <QWidget>

namespace translation {

namespace {

QString& processProgramNameSetting() {
    static QString name;
    return name;
}

QPointer<TFQorPrevod>& managerFormReference() {
    static QPointer<TFQorPrevod> form;
    return form;
}

QString& programFolderSetting() {
    static QString folder;
    return folder;
}

const QString StampKey = QStringLiteral("DT_CHANGE");
const QString ResourceStringForm = QStringLiteral("ResourceString");

// The key of a request line "KEY=VALUE" and its value.
struct Request {
    QString key;
    QString value;
};

Request requestOf(const QString& line) {
    const qsizetype split = line.indexOf(QLatin1Char('='));
    if (split < 0)
        return {line, {}};
    return {line.left(split), line.mid(split + 1).trimmed()};
}

QString selectStatement(const QString& table, const QString& column, const QString& condition) {
    return QStringLiteral("Select ") + column + QStringLiteral(" from ") + table +
           QStringLiteral(" where ") + condition;
}

// Raises: opens the statement with params bound and hands the first field of its first
// row to read; without a row read is not called.
template <typename Read>
void readFirstField(const QString& connection, const QString& statement, const QVariantMap& params,
                    Read read) {
    db::Query query;
    query.setDatabaseName(connection);
    query.setSqlText(statement);
    bindValues(query, params);
    query.open();
    if (!query.eof())
        read(query.field(0));
    query.close();
}

// The statement's lines, the error's message and an empty line, appended to the log; a
// log that cannot be written does not stop the script.
void logFailedStatement(const QString& logFile, const ScriptStatement& statement,
                        const QString& message) {
    ignoreErrors([&] {
        for (const QString& line : statement.lines)
            TQorPrevod::AppendLogLine(logFile, line);
        TQorPrevod::AppendLogLine(logFile, message);
        TQorPrevod::AppendLogLine(logFile, QString());
    });
}

// A request file that cannot be written keeps its request for the next start.
void markRequestDone(platform::ProfileFile& file, const QString& section, const QString& key) {
    ignoreErrors([&] { file.writeString(section, key, QStringLiteral("0")); });
}

} // namespace

QVariant boundText(const QString& text) {
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QVariant boundKey(const QString& key) {
    if (key.trimmed().isEmpty())
        return {};
    bool numeric = false;
    const qint64 number = key.trimmed().toLongLong(&numeric);
    return numeric ? QVariant(number) : QVariant(key);
}

void bindValues(db::Query& query, const QVariantMap& values) {
    for (auto value = values.cbegin(); value != values.cend(); ++value) {
        db::Param& target = query.paramByName(value.key());
        if (!value->isValid())
            target.clear();
        else if (value->typeId() == QMetaType::LongLong || value->typeId() == QMetaType::Int)
            target.setAsInteger(value->toLongLong());
        else
            target.setAsString(value->toString());
    }
}

void ignoreErrors(const std::function<void()>& step) {
    answerOr(false, [&step] {
        step();
        return true;
    });
}

bool shownOnError(const std::function<void()>& step, const QString& lead) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        platform::showMessage(platform::MessageKind::Error, lead + platform::errorMessage(error));
        return false;
    }
}

int runStatement(db::Query& query, const QString& connection, const QString& statement,
                 const QVariantMap& params) {
    query.close();
    query.setDatabaseName(connection);
    query.setSqlText(statement);
    bindValues(query, params);
    query.execSql();
    return query.rowsAffected();
}

QString selectText(const QString& connection, const QString& table, const QString& column,
                   const QString& condition, const QVariantMap& params) {
    return answerOr(QString(), [&] {
        QString value;
        readFirstField(connection, selectStatement(table, column, condition), params,
                       [&value](const db::Field& field) { value = field.asString(); });
        return value;
    });
}

// --- Creation -------------------------------------------------------------------------

TQorPrevod::TQorPrevod(QObject* owner, Creation creation) : QObject(owner) {
    managerFormReference() = nullptr;
    programName_ = processProgramName();
    if (creation == Creation::Designing)
        return;
    InitTranslationData();
    TranslateOwnerForm(owner);
}

TQorPrevod::~TQorPrevod() {
    SaveLocalFile();
    translation_ = false;
    writeMode_ = false;
}

void TQorPrevod::setProcessProgramName(const QString& name) {
    processProgramNameSetting() = name;
}

QString TQorPrevod::processProgramName() {
    return processProgramNameSetting();
}

void TQorPrevod::setProgramFolder(const QString& folder) {
    programFolderSetting() = platform::includeTrailingSeparator(folder);
}

QString TQorPrevod::programFolder() {
    return platform::programFolder(platform::ProgramFileKind::Written, programFolderSetting());
}

QString TQorPrevod::FormText(const QString& name) const {
    if (formTextsId_ != formId_)
        return {};
    return formTexts_.value(name.toUpper());
}

// --- Statements -------------------------------------------------------------------------

int TQorPrevod::execute(const QString& connection, const QString& statement,
                        const QVariantMap& params) {
    ++statementCount_;
    db::Query query;
    return runStatement(query, connection, statement, params);
}

QString TQorPrevod::SelectValue(const QString& table, const QString& column,
                                const QString& condition, const QVariantMap& params) {
    ++statementCount_;
    return selectText(databaseName_, table, column, condition, params);
}

double TQorPrevod::SelectDateValue(const QString& table, const QString& column,
                                   const QString& condition, const QVariantMap& params) {
    ++statementCount_;
    return answerOr(0.0, [&] {
        double value = 0.0;
        readFirstField(databaseName_, selectStatement(table, column, condition), params,
                       [&value](const db::Field& field) { value = field.asDateTime(); });
        return value;
    });
}

QString TQorPrevod::SelectStampValue(const QString& table, const QString& column,
                                     const QString& condition, const QVariantMap& params) {
    // The server's own text of the value: on the server it keeps the microseconds that a
    // date-time value would lose, so that stamps compare exactly.
    return SelectValue(table, QStringLiteral("CAST(") + column + QStringLiteral(" AS VARCHAR(40))"),
                       condition, params);
}

bool TQorPrevod::UpdateValue(const QString& table, const QString& column, const QString& value,
                             const QString& condition, bool quoted, const QVariantMap& params) {
    QVariantMap bound = params;
    QString assigned = value;
    if (quoted) {
        assigned = QStringLiteral(":UPDATE_VALUE");
        bound.insert(QStringLiteral("UPDATE_VALUE"), boundText(value));
    }
    const QString statement = QStringLiteral("update ") + table + QStringLiteral(" set ") + column +
                              QLatin1Char('=') + assigned + QStringLiteral(" where ") + condition;
    return shownOnError([&] {
        QString copy = statement + QLatin1Char('\n');
        for (auto param = bound.cbegin(); param != bound.cend(); ++param)
            copy += QStringLiteral("-- :%1 = %2\n").arg(param.key(), param.value().toString());
        platform::writeFileAtomically(platform::temporaryFolder() + QStringLiteral("Knjiga.Sql"),
                                      copy.toUtf8());
        execute(databaseName_, statement, bound);
    });
}

bool TQorPrevod::DeleteRows(const QString& connection, const QString& table,
                            const QString& condition, const QVariantMap& params) {
    QString statement = QStringLiteral("DELETE FROM ") + table;
    if (!condition.isEmpty())
        statement += QStringLiteral(" WHERE ") + condition;
    return answerOr(false, [&] {
        execute(connection, statement, params);
        return true;
    });
}

void TQorPrevod::AppendLogLine(const QString& file, const QString& line) {
    platform::appendLine(file, line);
}

TFQorPrevod* TQorPrevod::CreateManagerForm() {
    // Owned by no window: it frees itself when it closes, or its creator frees it.
    TManagerContext context;
    context.databaseName = databaseName_;
    context.language = language_;
    context.languageText = languageText_;
    context.formId = formId_;
    context.orgId = orgId_;
    context.programName = programName_;
    context.currentForm = currentForm_;
    auto* form = new TFQorPrevod(context);
    managerFormReference() = form;
    return form;
}

TFQorPrevod* TQorPrevod::ManagerForm() {
    return managerFormReference();
}

// --- Settings and requests ----------------------------------------------------------------

void TQorPrevod::ReadWorkstationSettings() {
    const QString section = QStringLiteral("QOR");
    const bool read = answerOr(false, [&] {
        const platform::ProfileFile settings(programFolder() + QStringLiteral("QorTrans.ini"));
        setLanguage(
            settings.readString(section, QStringLiteral("LANGUAGE"), QStringLiteral("SLO")));
        setWriteMode(settings.readBool(section, QStringLiteral("WRITE.TRANS"), false));
        setTranslation(settings.readBool(section, QStringLiteral("TRANSLATE"), false));
        setWindowSize(settings.readBool(section, QStringLiteral("WINDOWSIZE"), false));
        fullWindow_ = settings.readBool(section, QStringLiteral("FULLWINDOW"), true);
        setAutoCreateTranslations(settings.readBool(section, QStringLiteral("AUTOCREATE"), false));
        return true;
    });
    if (!read) { // an unreadable settings file leaves the defaults
        setLanguage(QStringLiteral("SLO"));
        setWriteMode(false);
        setTranslation(false);
    }
}

void TQorPrevod::InitTranslationData() {
    imported_ = false;
    ReadWorkstationSettings();
    setLanguageText(SelectValue(QStringLiteral("prevod_jeziki"), QStringLiteral("opis"),
                                QStringLiteral("koda_jezika=:KODA_JEZIKA"),
                                {{QStringLiteral("KODA_JEZIKA"), boundText(language_)}}));
    // An unreadable request file carries out nothing.
    ignoreErrors([this] {
        platform::ProfileFile requests(programFolder() + QStringLiteral("QorTranslation.ini"));
        DeleteTranslations(requests.sectionValues(QStringLiteral("DELETE")), requests);
        ImportTranslations(requests.sectionValues(QStringLiteral("IMPORT")), requests);
    });
    if (imported_ && onInitTranslation)
        onInitTranslation(*this);
    if (onInitTranslation)
        onInitTranslation(*this);
}

void TQorPrevod::DeleteTranslations(const QStringList& requests,
                                    platform::ProfileFile& requestFile) {
    const QString section = QStringLiteral("DELETE");
    const QStringList tables{QStringLiteral("prevod_data"), QStringLiteral("prevod_org"),
                             QStringLiteral("prevod_forme")};
    for (const QString& line : requests) {
        const Request request = requestOf(line);
        if (request.value != u"1")
            continue;
        if (request.key == u"ALL") {
            for (const QString& table : tables)
                DeleteRows(databaseName_, table, {});
            markRequestDone(requestFile, section, request.key);
            return;
        }
        const QString id =
            SelectValue(QStringLiteral("prevod_forme"), QStringLiteral("id_prevoda"),
                        QStringLiteral("RTrim(Upper(Programname))=:PROGRAMNAME and "
                                       "RTrim(Upper(formname))=:FORMNAME"),
                        {{QStringLiteral("PROGRAMNAME"), boundText(programName_.toUpper())},
                         {QStringLiteral("FORMNAME"), boundText(request.key.toUpper())}});
        // A form without a record has nothing to delete.
        if (!id.isEmpty()) {
            for (const QString& table : tables)
                DeleteRows(databaseName_, table, QStringLiteral("id_prevoda=:ID_PREVODA"),
                           {{QStringLiteral("ID_PREVODA"), boundKey(id)}});
        }
        markRequestDone(requestFile, section, request.key);
    }
}

void TQorPrevod::ImportTranslations(const QStringList& requests,
                                    platform::ProfileFile& requestFile) {
    QStringList scriptsRun;
    for (const QString& line : requests) {
        const Request request = requestOf(line);
        if (request.value != u"1")
            continue;
        const QString script = requestFile.readString(QStringLiteral("FILES"), request.key);
        const QString path = programFolder() + script;
        if (!script.isEmpty() && platform::fileExists(path) &&
            !scriptsRun.contains(script, Qt::CaseInsensitive)) {
            if (RunScript(path))
                imported_ = true;
            scriptsRun << script;
        }
        markRequestDone(requestFile, QStringLiteral("IMPORT"), request.key);
    }
}

bool TQorPrevod::RunScript(const QString& scriptPath) {
    QFile file(scriptPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::vector<ScriptStatement> statements = readScript(file.readAll());
    file.close();
    const QString logFile = scriptPath + QStringLiteral(".log");
    bool succeeded = false;
    for (const ScriptStatement& statement : statements) {
        try {
            execute(databaseName_, statement.text(), {});
            succeeded = true;
        } catch (const std::exception& error) {
            logFailedStatement(logFile, statement, platform::errorMessage(error));
        }
    }
    return succeeded;
}

// --- Form records and keys ----------------------------------------------------------------

bool TQorPrevod::SetFormRecord(const QString& formName) {
    if (formName.isEmpty())
        return false;
    currentFormName_ = formName;
    formId_ = SelectValue(QStringLiteral("Prevod_forme"), QStringLiteral("id_prevoda"),
                          QStringLiteral("Formname=:FORMNAME and ProgramName=:PROGRAMNAME"),
                          {{QStringLiteral("FORMNAME"), boundText(formName)},
                           {QStringLiteral("PROGRAMNAME"), boundText(programName_)}});
    if (!formId_.isEmpty()) {
        if (formName.toUpper() == ResourceStringForm.toUpper())
            idFormeConstant_ = formId_;
        return false;
    }
    if (!writeMode_)
        return false;
    const QString id = NextKey(QStringLiteral("Prevod_forme"), true);
    execute(databaseName_,
            QStringLiteral("insert into prevod_forme (id_prevoda, Formname, ProgramName) "
                           "values (:ID_PREVODA, :FORMNAME, :PROGRAMNAME)"),
            {{QStringLiteral("ID_PREVODA"), boundKey(id)},
             {QStringLiteral("FORMNAME"), boundText(formName)},
             {QStringLiteral("PROGRAMNAME"), boundText(programName_)}});
    formId_ = id;
    return true;
}

QString TQorPrevod::drawKey(const QString& counterName, bool increment) {
    const QVariantMap counter{{QStringLiteral("IDKLJUC"), boundText(counterName)}};
    const QString where = QStringLiteral(" WHERE IDKLJUC=:IDKLJUC");
    const auto startCounter = [&] {
        QVariantMap row = counter;
        row.insert(QStringLiteral("STEVEC"), qint64(increment ? 2 : 1));
        execute(databaseName_,
                QStringLiteral("INSERT INTO S_KLJUCI (IDKLJUC, STEVEC, TIP, VIDEN) "
                               "VALUES (:IDKLJUC, :STEVEC, '1', 0)"),
                row);
        return QStringLiteral("1");
    };
    // The update comes first: it takes the counter row's lock, which the transaction
    // holds until the key has been read. When it finds no row the counter starts; a row
    // that another workstation made meanwhile makes the insert fail, and the draw is
    // repeated (it must not read that row's value as its own).
    if (increment &&
        execute(databaseName_,
                QStringLiteral("UPDATE S_KLJUCI SET STEVEC=COALESCE(STEVEC, 0)+1") + where,
                counter) == 0)
        return startCounter();
    ++statementCount_;
    db::Query query;
    query.setDatabaseName(databaseName_);
    query.setSqlText(QStringLiteral("SELECT STEVEC, PREDPONA, PRIPONA FROM S_KLJUCI") + where);
    bindValues(query, counter);
    query.open();
    if (query.eof()) {
        query.close();
        return startCounter();
    }
    const qint64 next = query.fieldByName(QStringLiteral("STEVEC")).asInteger();
    const QString prefix = query.fieldByName(QStringLiteral("PREDPONA")).asString();
    const QString suffix = query.fieldByName(QStringLiteral("PRIPONA")).asString();
    query.close();
    const qint64 drawn = increment ? next - 1 : next;
    return prefix + QString::number(drawn) + suffix;
}

QString TQorPrevod::NextKey(const QString& counterName, bool increment) {
    db::Database& database = db::Session::defaultSession().database(databaseName_);
    database.open();
    if (database.inTransaction())
        return drawKey(counterName, increment); // the caller's transaction holds the row
    // Two workstations creating the same new counter at once: the second insert fails
    // on the key and its draw is repeated, then finding the row.
    for (int attempt = 1;; ++attempt) {
        database.startTransaction();
        try {
            const QString key = drawKey(counterName, increment);
            database.commit();
            return key;
        } catch (const std::exception&) {
            ignoreErrors([&database] { database.rollback(); });
            if (attempt == 2)
                throw;
        }
    }
}

bool TQorPrevod::EnsureSourceText(const QString& name, const QString& sourceText) {
    if (formId_.isEmpty())
        return false; // no form record to hang the text on
    const QVariantMap text{{QStringLiteral("ID_PREVODA"), boundKey(formId_)},
                           {QStringLiteral("NAME"), boundText(name)}};
    orgId_ = SelectValue(QStringLiteral("Prevod_org"), QStringLiteral("id_prevod_org"),
                         QStringLiteral("id_prevoda=:ID_PREVODA and name=:NAME"), text);
    if (!orgId_.isEmpty())
        return false;
    return answerOr(false, [&] {
        orgId_ = NextKey(QStringLiteral("Prevod_org"), true);
        QVariantMap row = text;
        row.insert(QStringLiteral("ID_PREVOD_ORG"), boundKey(orgId_));
        row.insert(QStringLiteral("ORGTEXT"), boundText(sourceText));
        execute(databaseName_,
                QStringLiteral("insert into prevod_org (id_prevoda, id_prevod_org, name, orgtext) "
                               "values (:ID_PREVODA, :ID_PREVOD_ORG, :NAME, :ORGTEXT)"),
                row);
        return true;
    });
}

// --- Lookups ----------------------------------------------------------------------------

QString TQorPrevod::LocalFilePath() const {
    return programFolder() + QStringLiteral("LNG/") + programName_ + QLatin1Char('_') + language_ +
           QStringLiteral(".lng");
}

void TQorPrevod::OpenLocalFile(bool createFolder) {
    if (localFile_)
        return;
    if (createFolder)
        platform::createFolder(programFolder() + QStringLiteral("LNG/"));
    localFile_ = std::make_unique<platform::ProfileFile>(LocalFilePath());
    localFileWritable_ = true;
}

void TQorPrevod::CloseLocalFile() {
    SaveLocalFile();
    localFile_.reset();
}

// The texts of a pass (its section's stamp among them) reach the file together, with
// one atomic save: a program that ends before it leaves the section as it was, whose
// stamp still tells whether its texts are current.
void TQorPrevod::SaveLocalFile() {
    if (pendingCache_.empty())
        return;
    std::vector<platform::ProfileFile::Value> values;
    values.swap(pendingCache_);
    pendingCacheIndex_.clear();
    if (!localFile_ || !localFileWritable_)
        return;
    // A cache that cannot be written leaves the lookups to the database.
    localFileWritable_ = answerOr(false, [&] {
        localFile_->writeStrings(values);
        return true;
    });
}

namespace {

QString cacheIndexKey(const QString& section, const QString& name) {
    return section.toUpper() + QChar(u'\n') + name.toUpper();
}

} // namespace

QString TQorPrevod::cachedText(const QString& name) const {
    if (!localFile_ || section_.isEmpty())
        return {};
    const auto pending = pendingCacheIndex_.constFind(cacheIndexKey(section_, name));
    if (pending != pendingCacheIndex_.cend())
        return pendingCache_[*pending].value;
    return answerOr(QString(), [&] { return localFile_->readString(section_, name); });
}

void TQorPrevod::cacheText(const QString& name, const QString& text) {
    if (!localFile_ || !localFileWritable_ || section_.isEmpty())
        return;
    const QString key = cacheIndexKey(section_, name);
    const auto pending = pendingCacheIndex_.constFind(key);
    if (pending != pendingCacheIndex_.cend()) {
        pendingCache_[*pending].value = text;
        return;
    }
    pendingCacheIndex_.insert(key, pendingCache_.size());
    pendingCache_.push_back({section_, name, text});
}

void TQorPrevod::CheckLocalSection(bool rereadAfterSet) {
    if (formId_.isEmpty())
        return;
    const QVariantMap form{{QStringLiteral("ID_PREVODA"), boundKey(formId_)}};
    const QString table = QStringLiteral("prevod_forme");
    const QString column = QStringLiteral("dt_change");
    const QString condition = QStringLiteral("id_prevoda=:ID_PREVODA");
    serverStamp_ = SelectStampValue(table, column, condition, form);
    if (serverStamp_.isEmpty()) {
        UpdateValue(table, column, ServerDateFunction(), condition, false, form);
        if (rereadAfterSet)
            serverStamp_ = SelectStampValue(table, column, condition, form);
    }
    localStamp_ = cachedText(StampKey);
    localValid_ = !localStamp_.isEmpty() && localStamp_ == serverStamp_;
}

void TQorPrevod::WriteServerStamp() {
    cacheText(StampKey, serverStamp_);
}

void TQorPrevod::GetTranslation(const QString& name, const QString& sourceText, QString& result) {
    if (name.isEmpty())
        return;
    if (!translation_) {
        result = sourceText;
        return;
    }
    QString value = FormText(name);
    if (value.isEmpty()) {
        if (localValid_) {
            result = cachedText(name);
            if (!result.trimmed().isEmpty())
                return; // the cache answered
        }
        value = SelectValue(QStringLiteral("Prevod_data"), QStringLiteral("TranslText"),
                            QStringLiteral("id_prevoda=:ID_PREVODA and name=:NAME and "
                                           "koda_jezika=:KODA_JEZIKA and translated='Y'"),
                            {{QStringLiteral("ID_PREVODA"), boundKey(formId_)},
                             {QStringLiteral("NAME"), boundText(name)},
                             {QStringLiteral("KODA_JEZIKA"), boundText(language_)}});
    }
    if (!value.isEmpty()) {
        result = value;
        cacheText(name, value);
        return;
    }
    result = sourceText;
    if (writeMode_ && !sourceText.isEmpty())
        recordMissingText(name, sourceText, result);
    if (!result.isEmpty())
        cacheText(name, result);
}

void TQorPrevod::recordMissingText(const QString& name, const QString& sourceText,
                                   QString& result) {
    if (formId_.isEmpty())
        return; // no form record to record the text for
    const QVariantMap text{{QStringLiteral("ID_PREVODA"), boundKey(formId_)},
                           {QStringLiteral("NAME"), boundText(name)},
                           {QStringLiteral("KODA_JEZIKA"), boundText(language_)}};
    QString translated = SelectValue(QStringLiteral("prevod_data"), QStringLiteral("translated"),
                                     QStringLiteral("id_prevoda=:ID_PREVODA and Name=:NAME and "
                                                    "koda_jezika=:KODA_JEZIKA"),
                                     text);
    if (translated.isEmpty()) {
        EnsureSourceText(name, sourceText);
        const QString id = NextKey(QStringLiteral("Prevod_data"), true);
        QVariantMap row = text;
        row.insert(QStringLiteral("ID_PREVOD_ORG"), boundKey(orgId_));
        row.insert(QStringLiteral("ID_PREVOD_DATA"), boundKey(id));
        row.insert(QStringLiteral("TRANSLTEXT"), boundText(sourceText));
        execute(databaseName_,
                QStringLiteral("insert into prevod_data (id_prevoda, id_prevod_org, "
                               "id_prevod_data, name, TranslText, Translated, koda_jezika) "
                               "values (:ID_PREVODA, :ID_PREVOD_ORG, :ID_PREVOD_DATA, :NAME, "
                               ":TRANSLTEXT, 'N', :KODA_JEZIKA)"),
                row);
        translated = QStringLiteral("N");
    }
    if (!onlyCreate_ && translated == u"N")
        translateInDialog(name, result);
}

void TQorPrevod::translateInDialog(const QString& name, QString& result) {
    const std::unique_ptr<TFQorPrevod> form(CreateManagerForm());
    form->setFreeOnClose(false);
    QString text;
    bool stop = false;
    bool onlyCreate = false;
    form->TranslateText(name, text, stop, onlyCreate);
    abortRequested_ = stop;
    onlyCreate_ = onlyCreate;
    // A dialog that gives no text (no language chosen) leaves the source text.
    if (!text.isEmpty())
        result = text;
}

bool TQorPrevod::UpdateAllLocalTranslation() {
    return shownOnError([this] {
        ++statementCount_;
        db::Query query;
        query.setDatabaseName(databaseName_);
        query.setSqlText(QStringLiteral("SELECT * FROM PREVOD_ORG WHERE ID_PREVODA=:ID_PREVODA"));
        bindValues(query, {{QStringLiteral("ID_PREVODA"), boundKey(formId_)}});
        query.open();
        if (query.eof())
            return;
        const bool keptValid = localValid_;
        const bool keptWriteMode = writeMode_;
        writeMode_ = false;
        struct Restore {
            TQorPrevod& engine;
            bool valid;
            bool writeMode;
            ~Restore() {
                engine.localValid_ = valid;
                engine.writeMode_ = writeMode;
            }
        } restore{*this, keptValid, keptWriteMode};
        for (; !query.eof(); query.next()) {
            if (abortRequested_) {
                abortRequested_ = false;
                break;
            }
            QString ignored;
            GetTranslation(query.fieldByName(QStringLiteral("NAME")).asString(),
                           query.fieldByName(QStringLiteral("ORGTEXT")).asString(), ignored);
        }
    });
}

void TQorPrevod::PreloadFormTexts() {
    formTexts_.clear();
    formTextsId_ = formId_;
    ++statementCount_;
    db::Query query;
    query.setDatabaseName(databaseName_);
    query.setSql(
        {QStringLiteral("SELECT F.PROGRAMNAME, F.FORMNAME, D.NAME, O.ORGTEXT, D.KODA_JEZIKA, "
                        "D.TRANSLTEXT"),
         QStringLiteral("FROM PREVOD_FORME F"),
         QStringLiteral(" JOIN PREVOD_ORG O ON F.ID_PREVODA=O.ID_PREVODA "),
         QStringLiteral(" LEFT OUTER JOIN PREVOD_DATA D ON O.ID_PREVOD_ORG = D.ID_PREVOD_ORG "
                        "AND D.KODA_JEZIKA=:JEZIK"),
         QStringLiteral("WHERE F.PROGRAMNAME=:PROGRAMNAME AND Upper(F.FORMNAME)=:FORMNAME"),
         QStringLiteral("ORDER BY F.PROGRAMNAME, F.FORMNAME, O.NAME")});
    bindValues(query, {{QStringLiteral("JEZIK"), boundText(language_)},
                       {QStringLiteral("PROGRAMNAME"), boundText(programName_)},
                       {QStringLiteral("FORMNAME"), boundText(currentFormName_.toUpper())}});
    db::withControlsDisabled(query, [&] {
        query.open();
        for (; !query.eof(); query.next()) {
            // A text without a row in this language has no name here: it is left to the
            // lookup, which records it in write mode.
            const QString name = query.fieldByName(QStringLiteral("NAME")).asString();
            if (name.isEmpty())
                continue;
            const QString translated = query.fieldByName(QStringLiteral("TRANSLTEXT")).asString();
            formTexts_.insert(name.toUpper(),
                              translated.isEmpty()
                                  ? query.fieldByName(QStringLiteral("ORGTEXT")).asString()
                                  : translated);
        }
        query.close();
    });
}

// --- Constants and custom lookups -------------------------------------------------------------

namespace {

// Runs at the end of a scope.
template <typename Action> class AtExit {
public:
    explicit AtExit(Action action) : action_(std::move(action)) {}
    ~AtExit() { action_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    Action action_;
};

} // namespace

void TQorPrevod::HandleConstants() {
    if (!translation_)
        return;
    OpenLocalFile(true);
    const AtExit close([this] { CloseLocalFile(); });
    localValid_ = false;
    SetFormRecord(ResourceStringForm);
    section_ = ResourceStringForm;
    if (!formId_.isEmpty()) {
        CheckLocalSection();
        WriteServerStamp();
    }
    const bool keptWriteMode = writeMode_;
    writeMode_ = false;
    const AtExit restore([this, keptWriteMode] { writeMode_ = keptWriteMode; });
    if (onConsTranslation)
        onConsTranslation(*this);
}

void TQorPrevod::GetConstant(const QString& name, const QString& sourceText, QString& result) {
    if (!translation_) {
        result = sourceText;
        return;
    }
    const bool opened = !localFile_;
    OpenLocalFile(true);
    const QString keptFormId = formId_;
    const bool keptValid = localValid_;
    const AtExit restore([this, opened, keptFormId, keptValid] {
        formId_ = keptFormId;
        localValid_ = keptValid;
        if (opened)
            CloseLocalFile();
    });
    if (idFormeConstant_.isEmpty())
        SetFormRecord(ResourceStringForm);
    formId_ = idFormeConstant_;
    section_ = ResourceStringForm;
    if (formId_.trimmed().isEmpty())
        throw platform::Exception(
            QStringLiteral("Error, form is not selected (Resourcestring form not loaded)."));
    localValid_ = false;
    CheckLocalSection();
    if (!localValid_ && UpdateAllLocalTranslation()) {
        WriteServerStamp();
        localValid_ = true;
    }
    QString text;
    GetTranslation(name, sourceText, text);
    if (text.trimmed().isEmpty())
        throw platform::Exception(QStringLiteral("Error translating ") + name +
                                  QStringLiteral(", translation not found."));
    result = text;
}

void TQorPrevod::ConstTranslation(const QString& name, const QString& sourceText, QString& result) {
    SetFormRecord(ResourceStringForm);
    GetTranslation(name, sourceText, result);
    if (abortRequested_)
        throw platform::Abort();
}

void TQorPrevod::TranslateConstants() {
    localValid_ = false;
    busy_ = true;
    shownOnError(
        [this] {
            OpenLocalFile(false);
            if (onWriteConsTranslation)
                onWriteConsTranslation(*this);
        },
        QStringLiteral("Error translating constant application.\n\n"));
    busy_ = false;
    CloseLocalFile();
}

void TQorPrevod::PrepareCustomTranslation(const QString& formName, bool forceReload) {
    if (!translation_ || busy_)
        return;
    OpenLocalFile(true);
    localValid_ = false;
    SetFormRecord(formName);
    section_ = formName;
    if (!formId_.isEmpty()) {
        CheckLocalSection(false);
        WriteServerStamp();
    }
    if (forceReload)
        localValid_ = false;
}

void TQorPrevod::CleanCustomTranslation() {
    CloseLocalFile();
}

void TQorPrevod::SetIniFile() {
    OpenLocalFile(false);
}

void TQorPrevod::FreeIniFile() {
    ignoreErrors([this] { CloseLocalFile(); });
}

bool TQorPrevod::BrisiTitlePrevodForme(const QString& formName) {
    execute(databaseName_,
            QStringLiteral("delete from PREVOD_DATA\nWHERE ID_PREVODA=(SELECT ID_PREVODA FROM "
                           "PREVOD_FORME WHERE PROGRAMNAME=:PROGRAMNAME AND FORMNAME=:FORMNAME) "
                           "AND NAME='Title'"),
            {{QStringLiteral("PROGRAMNAME"), boundText(programName_)},
             {QStringLiteral("FORMNAME"), boundText(formName)}});
    return true;
}

// --- Translator's commands ---------------------------------------------------------------------

void TQorPrevod::OpenTranslationManagerExecute() {
    SetFormRecord(parent() ? parent()->objectName() : QString());
    CreateManagerForm()->ShowFormList();
}

void TQorPrevod::OpenConstantsManager() {
    SetFormRecord(ResourceStringForm);
    CreateManagerForm()->ShowFormList();
}

void TQorPrevod::SwitchOff() {
    writeMode_ = false;
    translation_ = false;
}

bool TQorPrevod::Settings() {
    return answerOr(false, [this] {
        bool translationOn = translation_;
        bool writeMode = writeMode_;
        QString code;
        QString description;
        CreateManagerForm()->EditSettings(translationOn, writeMode, code, description);
        translation_ = translationOn;
        writeMode_ = writeMode;
        setLanguage(code);
        languageText_ = description;
        const QString section = QStringLiteral("QOR");
        platform::ProfileFile settings(programFolder() + QStringLiteral("Dravik.ini"));
        settings.writeString(section, QStringLiteral("LANGUAGE"), language_);
        settings.writeBool(section, QStringLiteral("WRITE.TRANS"), writeMode_);
        settings.writeBool(section, QStringLiteral("TRANSLATE"), translation_);
        return true;
    });
}

// --- Pass over the owner form ---------------------------------------------------------------
// TranslateOwnerForm, FormTranslation and RetranslateForm are written with the
// translatable forms, in translation/Udialog.cpp.

} // namespace translation

#include "db/uDMLB.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Pictures.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

TDMLB* DMLB = nullptr;

namespace {

const QString PersonStatement = QStringLiteral("SELECT * FROM OSB WHERE SFOSB = :sfosb");

const QStringList RightStatement = {
    QStringLiteral("SELECT DISTINCT SFRGT FROM "),
    QStringLiteral("(SELECT SFRGT FROM RGT WHERE USR=:USR"),
    QStringLiteral("union all "),
    QStringLiteral("SELECT DISTINCT GR.SFRGT FROM GRPRGT GR JOIN GRPUSR GU ON "
                   "GR.IDGRP=GU.IDGRP WHERE GU.USR=:USR) R"),
    QStringLiteral("WHERE SFRGT=:SFRGT"),
};

// The module, category and parameter are bound, so that an apostrophe in any of
// them is a value and not SQL; the comparison is the locale-aware upper case on both
// sides, as before.
QString settingStatement(bool perUser) {
    QString statement = QStringLiteral("SELECT VREDNOST FROM SERPROG WHERE UPPER(MODUL)=:MODUL AND "
                                       "Upper(KATEGORIJA)=:KATEGORIJA AND "
                                       "Upper(PARAMETER)=:PARAMETER");
    if (perUser)
        statement += QStringLiteral(" AND Upper(USR)=:USR");
    return statement;
}

// A sequence name becomes part of the statement text (it cannot be bound), so only
// plain identifiers, optionally qualified by a schema, are accepted.
bool isSequenceName(const QString& name) {
    static const QRegularExpression identifier(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*(\\.[A-Za-z_][A-Za-z0-9_$]*)?$"));
    return identifier.match(name).hasMatch();
}

} // namespace

TDMLB::TDMLB(const QStringList& arguments, QObject* parent, const QString& privateDir)
    : QObject(parent), dbMain(db::Session::defaultSession(), QString()) {
    db::Session& session = db::Session::defaultSession();
    session.setPrivateDir(privateDir);
    session.open();
    if (arguments.size() > 2) {
        DbAlias = arguments[0];
        DbUser = arguments[1];
        DbPassword = arguments[2];
    }
    if (arguments.size() > 3)
        AppUser = arguments[3];
    dbMain.params().clear();
    dbMain.params() << QStringLiteral("USER NAME=") + DbUser
                    << QStringLiteral("PASSWORD=") + DbPassword;
    dbMain.setLoginPrompt(false);
    dbMain.setDatabaseName(DbAlias.toUpper());
    session.setMainDatabase(&dbMain);
    for (db::Query* query : {&qIdSeq, &qSerprog, &qOsb, &qRgt})
        query->setDatabaseName(dbMain.databaseName());
    qOsb.setSqlText(PersonStatement);
    qRgt.setSql(RightStatement);
    if (DMLB == nullptr)
        DMLB = this;
}

TDMLB::~TDMLB() {
    db::Session& session = db::Session::defaultSession();
    if (session.mainDatabase() == &dbMain)
        session.setMainDatabase(nullptr);
    if (DMLB == this)
        DMLB = nullptr;
    try {
        // Closing the session closes the queries too; a close hook's error is raised
        // once everything is closed, and cannot leave a destructor.
        session.close();
    } catch (...) {
    }
}

QString TDMLB::ModuleName() {
    return ModuleNameOf(platform::executablePath());
}

QString TDMLB::ModuleNameOf(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const int extension = name.indexOf(QLatin1String(".exe"), 0, Qt::CaseInsensitive);
    if (extension >= 0)
        name.remove(extension, 4);
    return name.toUpper();
}

QString TDMLB::moduleForSettings() const {
    return moduleOverride_.isEmpty() ? ModuleName() : moduleOverride_;
}

QString TDMLB::GetSetting(const QString& category, const QString& parameter, bool perUser) {
    qSerprog.close();
    auto closeAfterwards = qScopeGuard([this] { qSerprog.close(); });
    qSerprog.setSqlText(settingStatement(perUser));
    qSerprog.paramByName(QStringLiteral("MODUL")).setAsString(moduleForSettings().toUpper());
    qSerprog.paramByName(QStringLiteral("KATEGORIJA")).setAsString(category.toUpper());
    qSerprog.paramByName(QStringLiteral("PARAMETER")).setAsString(parameter.toUpper());
    if (perUser)
        qSerprog.paramByName(QStringLiteral("USR")).setAsString(AppUser.toUpper());
    qSerprog.open();
    const QString value =
        qSerprog.eof() ? QString() : qSerprog.fieldByName(QStringLiteral("VREDNOST")).asString();
    if (value.isEmpty())
        throw platform::Exception(
            QStringLiteral("Napaka nastavitev ne obstaja. (%1/%2)").arg(category, parameter));
    return value;
}

qint64 TDMLB::NextSequenceValue(const QString& sequence) {
    auto readingError = [&](const QString& kind, const QString& message) {
        return platform::Exception(QStringLiteral("Error reading sequence %1, %2, message: %3")
                                       .arg(kind, sequence, message));
    };
    if (!isSequenceName(sequence))
        throw readingError(QStringLiteral("EDatabaseError"),
                           QStringLiteral("Invalid sequence name"));
    qIdSeq.close();
    auto closeAfterwards = qScopeGuard([this] { qIdSeq.close(); });
    try {
        qIdSeq.setSqlText(QStringLiteral("SELECT ") + sequence +
                          QStringLiteral(".NEXTVAL AS NewId FROM dual"));
        qIdSeq.open();
        return qIdSeq.fieldByName(QStringLiteral("NewId")).asInteger();
    } catch (const platform::Exception& error) {
        throw readingError(error.className(), error.message());
    }
}

db::Query& TDMLB::OpenPerson(int key) {
    qOsb.close();
    qOsb.paramByName(QStringLiteral("sfosb")).setAsInteger(key);
    qOsb.open();
    return qOsb;
}

bool TDMLB::HasRight(const QString& code) {
    qRgt.close();
    auto closeAfterwards = qScopeGuard([this] { qRgt.close(); });
    qRgt.paramByName(QStringLiteral("USR")).setAsString(AppUser);
    qRgt.paramByName(QStringLiteral("SFRGT")).setAsString(code);
    qRgt.open();
    return !qRgt.eof() && qRgt.fieldByName(QStringLiteral("SFRGT")).asString() == code;
}

QString TDMLB::FormatNumber(double value) {
    return platform::formatFloat(QStringLiteral("###########0.#####"), value)
        .replace(QLatin1Char(','), QLatin1Char('.'));
}

#pragma once

#include "db/Query.h"
#include "translation/QorPrevod.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// The program folder of the translation tests: a throwaway folder that the engine takes
// as the program's own for its files (settings, requests, cache, logs) while the object
// lives, with helpers to write and read the files in it.
class EngineFolder {
public:
    EngineFolder() { translation::TQorPrevod::setProgramFolder(programDir.path()); }
    ~EngineFolder() { translation::TQorPrevod::setProgramFolder({}); }
    EngineFolder(const EngineFolder&) = delete;
    EngineFolder& operator=(const EngineFolder&) = delete;

    QString folder() const { return programDir.path() + QLatin1Char('/'); }
    void write(const QString& name, const QString& text) const {
        QFile file(folder() + name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    // The file's text; empty when it cannot be read.
    QString read(const QString& name) const {
        QFile file(folder() + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir programDir;
};

// The first column of the statement's first row on the session's main connection, as
// text; "<none>" when there is no row.
inline QString scalar(const QString& statement) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("LB"));
    query.setSqlText(statement);
    query.open();
    const QString value = query.eof() ? QStringLiteral("<none>") : query.field(0).asString();
    query.close();
    return value;
}

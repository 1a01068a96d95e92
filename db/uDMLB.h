#pragma once

#include "db/Query.h"
#include "db/Session.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The program's database session module: turns the command line into the main
// connection and offers the settings, sequence, person and rights services.
class TDMLB : public QObject {
    Q_OBJECT
public:
    // arguments: the command line without the program name. Arguments 1 to 3 are
    // taken only when there are at least three, argument 4 only with at least four.
    // privateDir: the session's private directory (with "dbalias.ini"); where
    // platform::programFile finds the file when empty.
    explicit TDMLB(const QStringList& arguments, QObject* parent = nullptr,
                   const QString& privateDir = {});
    ~TDMLB() override;

    QString DbAlias;
    QString DbUser;
    QString DbPassword;
    QString AppUser;

    db::Database dbMain;
    db::Query qIdSeq;
    db::Query qSerprog;
    db::Query qOsb;
    db::Query qRgt;

    // The executable's file name without ".exe", upper-cased.
    static QString ModuleName();
    static QString ModuleNameOf(const QString& executablePath);

    // The value of a setting of this program's module; raises
    // "Napaka nastavitev ne obstaja. (category/parameter)" when missing or empty.
    QString GetSetting(const QString& category, const QString& parameter, bool perUser = false);
    // Raises "Error reading sequence %s, %s, message: %s" on failure.
    qint64 NextSequenceValue(const QString& sequence);
    // The open person query on the person's row; the caller closes it.
    db::Query& OpenPerson(int key);
    bool HasRight(const QString& code);
    // "###########0.#####" with a point as decimal separator.
    static QString FormatNumber(double value);

    // The module whose settings GetSetting reads; ModuleName() unless set (tests).
    void setModuleNameOverride(const QString& module) { moduleOverride_ = module; }

private:
    QString moduleForSettings() const;
    QString moduleOverride_;
};

// The single instance, created by the entry point before the main window.
extern TDMLB* DMLB;

// Where the program's files are when it runs from its build folder, with ZEV_HOME, or
// with a folder the caller chose. The installed layout is tried on an installed copy
// of the program (tests/install).
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets ZEV_HOME for one test and restores the environment afterwards.
class ScopedHome {
public:
    explicit ScopedHome(const QString& folder) { qputenv("ZEV_HOME", folder.toUtf8()); }
    ~ScopedHome() { qunsetenv("ZEV_HOME"); }
};

// The messages shown while it lives.
class MessageLog {
public:
    MessageLog()
        : sink_([this](MessageKind, const QString& text) {
              texts << text;
              return MessageResult::Ok;
          }) {}
    QStringList texts;

private:
    ScopedMessageSink sink_;
};

} // namespace

class TestProgramFolders : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { qunsetenv("ZEV_HOME"); }

    // The build folder: the executable's folder is writable and nothing is installed
    // beside it, so every file is where it was before there was an installed layout.
    void aBuildFolderKeepsEveryFileBesideTheProgram() {
        const QString folder = executableFolder();
        for (const char* name :
             {"dbalias.ini", "ZEV.ini", "NewLook.ini", "ZEVTradingAccountsReport_1_0.xsd",
              "Log.txt", "LNG/", "porocila/"})
            QCOMPARE(programFile(QString::fromLatin1(name)), folder + QString::fromLatin1(name));
        QCOMPARE(programFile({}), folder);
        for (ProgramFileKind kind :
             {ProgramFileKind::Setting, ProgramFileKind::Shipped, ProgramFileKind::Written})
            QCOMPARE(programFolder(kind), folder);
        MessageLog messages;
        copyMissingDefaults();
        QVERIFY(messages.texts.isEmpty());
    }

    void aChosenFolderHoldsEveryFile() {
        const QTemporaryDir home;
        const ScopedHome setHome(home.path());
        QCOMPARE(programFile(QStringLiteral("dbalias.ini"), QStringLiteral("/x")),
                 "/x/dbalias.ini");
        QCOMPARE(programFile(QStringLiteral("ZEVTradingAccountsReport_1_0.xsd"), "/x/"),
                 "/x/ZEVTradingAccountsReport_1_0.xsd");
        QCOMPARE(programFolder(ProgramFileKind::Written, QStringLiteral("/x")), "/x/");
        QVERIFY(!QDir(QStringLiteral("/x")).exists());
    }

    // ZEV_HOME: one folder for settings and written files, made when missing; what
    // comes with the program is read from where it lies unless the folder has its own.
    void zevHomeHoldsSettingsAndWrittenFiles() {
        const QTemporaryDir root;
        const QString home = root.path() + QStringLiteral("/home/zev/");
        const ScopedHome setHome(home);
        QCOMPARE(programFile(QStringLiteral("ZEV.ini")), home + "ZEV.ini");
        QCOMPARE(programFile(QStringLiteral("dbalias.ini")), home + "dbalias.ini");
        QVERIFY(!QDir(home).exists());
        QCOMPARE(programFile(QStringLiteral("Log.txt")), home + "Log.txt");
        QVERIFY(QDir(home).exists());
        QCOMPARE(programFile({}), home);

        const QString schema = QStringLiteral("ZEVTradingAccountsReport_1_0.xsd");
        QCOMPARE(programFile(schema), executableFolder() + schema);
        writeFileAtomically(home + schema, "<own/>");
        QCOMPARE(programFile(schema), home + schema);
    }

    // The first start copies the alias file with the demo database it names, and the
    // program's INI file, and says where; a file already there is left as it is, and
    // a start with everything in place says nothing.
    void aFirstStartCopiesTheMissingDefaults() {
        const QTemporaryDir home;
        const ScopedHome setHome(home.path());
        const QString ownIni = home.filePath(QStringLiteral("ZEV.ini"));
        writeFileAtomically(ownIni, "[Splošno]\nDebug=1\n");
        {
            MessageLog messages;
            copyMissingDefaults();
            QCOMPARE(messages.texts.size(), 1);
            const QString& text = messages.texts.first();
            QVERIFY2(text.startsWith(QStringLiteral("First start:")), qPrintable(text));
            QVERIFY(text.contains(home.filePath(QStringLiteral("dbalias.ini"))));
            QVERIFY(text.contains(home.filePath(QStringLiteral("demo.db"))));
            QVERIFY(!text.contains(QStringLiteral("ZEV.ini")));
        }
        QCOMPARE(readBytes(home.filePath(QStringLiteral("dbalias.ini"))),
                 readBytes(executableFolder() + "dbalias.ini"));
        QCOMPARE(readBytes(home.filePath(QStringLiteral("demo.db"))).size(),
                 readBytes(executableFolder() + "demo.db").size());
        QCOMPARE(readBytes(ownIni), "[Splošno]\nDebug=1\n");

        MessageLog again;
        copyMissingDefaults();
        QVERIFY(again.texts.isEmpty());
    }

    // The demo database is copied only with the alias file that names it: a user's own
    // alias file keeps pointing where it points.
    void anOwnAliasFileGetsNoDemoDatabase() {
        const QTemporaryDir home;
        const ScopedHome setHome(home.path());
        writeFileAtomically(home.filePath(QStringLiteral("dbalias.ini")), "[B]\nDRIVER=PGSQL\n");
        MessageLog messages;
        copyMissingDefaults();
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("demo.db"))));
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts.first().endsWith(home.filePath(QStringLiteral("ZEV.ini")) + '.'));
    }

    void aDefaultThatCannotBeCopiedIsAnError() {
        const QTemporaryDir root;
        // A file where the home folder should be: nothing can be made inside it.
        const QString blocked = root.filePath(QStringLiteral("blocked"));
        writeFileAtomically(blocked, "x");
        const ScopedHome setHome(blocked + QStringLiteral("/zev"));
        MessageLog messages;
        try {
            copyMissingDefaults();
            QFAIL("no error");
        } catch (const InOutError& error) {
            QVERIFY2(error.message().contains(blocked + QStringLiteral("/zev/dbalias.ini")),
                     qPrintable(error.message()));
        }
        QVERIFY(messages.texts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProgramFolders)
#include "tst_programfolders.moc"

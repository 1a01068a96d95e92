// Errors, message boxes and the top-level error display, files, and the version resource.
#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/VersionResource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

using namespace platform;

// This test program carries a version resource of its own, the way the build embeds
// one into the executable.
[[gnu::used, gnu::section(".zevversion")]] extern const char testVersionResource[] =
    "ZEVVERSIONINFO 1\n"
    "FILEVERSION 4 0 14 20\n"
    "TRANSLATION 0424 04E2 0409 04B0\n"
    "STRINGFILEINFO 042404E2\n"
    "CompanyName=ZEV poročanje\n"
    "FileVersion=4.0.14.20\n"
    "LegalTrademarks=\n"
    "STRINGFILEINFO 040904B0\n"
    "FileVersion=english\n"
    "END\n";

namespace {

struct Message {
    MessageKind kind;
    QString text;
};

// An object whose event handler fails.
class FailingReceiver : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User)
            throw ConvertError(QStringLiteral("'x' is not a valid date"));
        return QObject::event(event);
    }
};

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(folder_.isValid()); }

    void errorsCarryTheirMessage() {
        const EngineError error(QStringLiteral("Napaka: tabela ne obstaja – č"));
        QCOMPARE(QString::fromUtf8(error.what()), "Napaka: tabela ne obstaja – č");
        QCOMPARE(error.className(), "EDBEngineError");
        const Exception& base = error;
        QCOMPARE(base.className(), "EDBEngineError");
    }

    void messagesGoToTheSink() {
        QList<Message> outer;
        ScopedMessageSink outerSink([&](MessageKind kind, const QString& text) {
            outer.append({kind, text});
            return MessageResult::Ok;
        });
        {
            QList<Message> inner;
            ScopedMessageSink innerSink([&](MessageKind kind, const QString& text) {
                inner.append({kind, text});
                return MessageResult::Yes;
            });
            QCOMPARE(showMessage(MessageKind::Confirmation, QStringLiteral("Nadaljujem?")),
                     MessageResult::Yes);
            QCOMPARE(inner.size(), 1);
        }
        showMessage(MessageKind::Information, QStringLiteral("Manjka .ini datoteka!"));
        showException(ConvertError(QStringLiteral("'1,5' is not a valid floating point value")));
        showException(std::runtime_error("plain failure"));
        QCOMPARE(outer.size(), 3);
        QCOMPARE(outer[0].kind, MessageKind::Information);
        QCOMPARE(outer[0].text, "Manjka .ini datoteka!");
        QCOMPARE(outer[1].kind, MessageKind::Error);
        QCOMPARE(outer[1].text, "'1,5' is not a valid floating point value");
        QCOMPARE(outer[2].text, "plain failure");
    }

    void escapedErrorsAreShownAndTheApplicationGoesOn() {
        QList<Message> shown;
        ScopedMessageSink sink([&](MessageKind kind, const QString& text) {
            shown.append({kind, text});
            return MessageResult::Ok;
        });
        FailingReceiver receiver;
        QEvent failing(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&receiver, &failing));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageKind::Error);
        QCOMPARE(shown[0].text, "'x' is not a valid date");
        receiver.setObjectName(QStringLiteral("still alive"));
        QCOMPARE(receiver.objectName(), "still alive");
    }

    void pathHelpers() {
        QCOMPARE(changeExtension(QStringLiteral("a/ZevXmlValidate.xml"), QStringLiteral(".bad")),
                 "a/ZevXmlValidate.bad");
        QCOMPARE(changeExtension(QStringLiteral("a.b/Log"), QStringLiteral(".txt")), "a.b/Log.txt");
        QCOMPARE(folderOf(QStringLiteral("/opt/zev/zev")), "/opt/zev/");
        QCOMPARE(fileNameOf(QStringLiteral("/opt/zev/zev")), "zev");
        QCOMPARE(includeTrailingSeparator(QStringLiteral("/tmp")), "/tmp/");
        QCOMPARE(includeTrailingSeparator(QStringLiteral("/tmp/")), "/tmp/");
        QVERIFY(executableFolder().endsWith(QLatin1Char('/')));
        QVERIFY(QFileInfo::exists(executableFolder() + fileNameOf(executablePath())));
        QVERIFY(temporaryFolder().endsWith(QLatin1Char('/')));
        QVERIFY(winIniPath().endsWith(QStringLiteral("WIN.INI"), Qt::CaseInsensitive));
    }

    void filesAreWrittenWholeOrNotAtAll() {
        const QString path = folder_.filePath(QStringLiteral("report.xml"));
        writeFileAtomically(path, "first");
        writeFileAtomically(path, "second");
        QCOMPARE(readBytes(path), "second");
        QVERIFY(!copyFileNoOverwrite(path, path));
        QVERIFY(copyFileNoOverwrite(path, folder_.filePath(QStringLiteral("copy.xml"))));
        QCOMPARE(QDir(folder_.path()).entryList(QDir::Files),
                 QStringList({"copy.xml", "report.xml"}));

        const QString missing = folder_.filePath(QStringLiteral("missing/report.xml"));
        try {
            writeFileAtomically(missing, "x");
            QFAIL("no error for a missing folder");
        } catch (const InOutError& error) {
            QVERIFY(error.message().contains(missing));
        }
    }

    void linesAreAppended() {
        const QString path = folder_.filePath(QStringLiteral("Log.txt"));
        appendLine(path, QStringLiteral("05.11.2024 07:08:09 : Generiranje xml-ja!"));
        appendLine(path, QStringLiteral("č"));
        QCOMPARE(readBytes(path), "05.11.2024 07:08:09 : Generiranje xml-ja!\r\n\xC4\x8D\r\n");
        QVERIFY_THROWS_EXCEPTION(
            InOutError,
            appendLine(folder_.filePath(QStringLiteral("no/Log.txt")), QStringLiteral("x")));
    }

    void currentFolderChanges() {
        const QString before = currentFolder();
        setCurrentFolder(folder_.path());
        QCOMPARE(currentFolder(), includeTrailingSeparator(QDir(folder_.path()).canonicalPath()));
        setCurrentFolder(before);
        try {
            setCurrentFolder(QStringLiteral("/no/such/folder"));
            QFAIL("no error for a missing folder");
        } catch (const InOutError& error) {
            QVERIFY(error.message().contains(QStringLiteral("/no/such/folder")));
        }
    }

    void versionResourceText() {
        const auto resource = VersionResource::fromText(testVersionResource);
        QVERIFY(resource);
        QCOMPARE(resource->fixed()->fileVersionMS, (4u << 16) | 0u);
        QCOMPARE(resource->fixed()->fileVersionLS, (14u << 16) | 20u);
        QCOMPARE(resource->firstTranslation()->language, 0x0424);
        QCOMPARE(resource->firstTranslation()->codePage, 0x04E2);
        QCOMPARE(resource->queryString(QStringLiteral("\\StringFileInfo\\042404E2\\FileVersion")),
                 QStringLiteral("4.0.14.20"));
        QCOMPARE(resource->queryString(QStringLiteral("\\StringFileInfo\\042404e2\\CompanyName")),
                 QStringLiteral("ZEV poročanje"));
        QCOMPARE(
            resource->queryString(QStringLiteral("\\StringFileInfo\\042404E2\\LegalTrademarks")),
            QString(""));
        QCOMPARE(resource->queryString(QStringLiteral("\\StringFileInfo\\040904B0\\FileVersion")),
                 QStringLiteral("english"));
        QVERIFY(!resource->queryString(QStringLiteral("\\StringFileInfo\\040904B0\\CompanyName")));
        QVERIFY(!resource->queryString(QStringLiteral("\\StringFileInfo\\041A04E2\\FileVersion")));
        QVERIFY(!VersionResource::fromText("no resource"));
        QVERIFY(!VersionResource::fromText("ZEVVERSIONINFO 1\n")->fixed());
    }

    void versionResourceOfAModule() {
        const QString self =
            VersionResource::modulePathOf(reinterpret_cast<const void*>(&readBytes));
        QCOMPARE(self, QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
        const auto resource = VersionResource::fromModule(self);
        QVERIFY(resource);
        QCOMPARE(resource->size(), int(qstrlen(testVersionResource)));
        QCOMPARE(resource->queryString(QStringLiteral("\\StringFileInfo\\042404E2\\FileVersion")),
                 QStringLiteral("4.0.14.20"));
        QVERIFY(!VersionResource::fromModule(self, 64));

        // A library without a resource, a file that is no program, a missing file.
        const QString library =
            VersionResource::modulePathOf(reinterpret_cast<const void*>(&qVersion));
        QVERIFY(library.contains(QStringLiteral("Qt6Core")));
        QVERIFY(!VersionResource::fromModule(library));
        const QString text = folder_.filePath(QStringLiteral("not-elf"));
        writeFileAtomically(text, "ZEVVERSIONINFO 1\n");
        QVERIFY(!VersionResource::fromModule(text));
        QVERIFY(!VersionResource::fromModule(folder_.filePath(QStringLiteral("none"))));
    }

private:
    QTemporaryDir folder_;
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    TestPlatform test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_platform.moc"

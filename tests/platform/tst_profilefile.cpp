// Profile (INI) files with the behaviour of the Windows private-profile functions.
#include "platform/Errors.h"
#include "platform/Pictures.h"
#include "platform/ProfileFile.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        formatSettings() = FormatSettings::fromLocale(QLocale::c());
    }

    void readsLikeWindows() {
        const QString path = folder_.filePath(QStringLiteral("read.ini"));
        writeBytes(path, "orphan=before any section\n"
                         "[Splošno]\n"
                         "  Tip =  ORACLE  \n"
                         "; Debug=1\n"
                         "Debug=yes\n"
                         "Negative=-1\n"
                         "Seven = 7 \n"
                         "Quoted=\"  C:/Temp  \"\n"
                         "Twice=first\n"
                         "twice=second\n"
                         "Formula=a=b\n"
                         "[Other]\n"
                         "Moment=05.11.2024 07:08:09\n"
                         "Broken=31.02.2024\n");
        const ProfileFile ini(path);
        QVERIFY(ini.exists());
        QCOMPARE(ini.readString(QStringLiteral("SPLOŠNO"), QStringLiteral("tip")), "ORACLE");
        QCOMPARE(ini.readString(QStringLiteral("Splošno"), QStringLiteral("Missing"),
                                QStringLiteral("dflt")),
                 "dflt");
        QCOMPARE(ini.readString(QStringLiteral("Splošno"), QStringLiteral("Quoted")),
                 "  C:/Temp  ");
        QCOMPARE(ini.readString(QStringLiteral("Splošno"), QStringLiteral("TWICE")), "first");
        QCOMPARE(ini.readString(QStringLiteral("Splošno"), QStringLiteral("Formula")), "a=b");
        QCOMPARE(ini.readInteger(QStringLiteral("Splošno"), QStringLiteral("Debug"), 0), 0);
        QCOMPARE(ini.readInteger(QStringLiteral("Splošno"), QStringLiteral("Negative"), 0), -1);
        QCOMPARE(ini.readInteger(QStringLiteral("Splošno"), QStringLiteral("Seven"), 0), 7);
        QVERIFY(ini.readBool(QStringLiteral("Splošno"), QStringLiteral("Negative"), false));
        QVERIFY(!ini.readBool(QStringLiteral("Splošno"), QStringLiteral("Debug"), false));
        QVERIFY(ini.readBool(QStringLiteral("Splošno"), QStringLiteral("Missing"), true));
        QCOMPARE(ini.readDateTime(QStringLiteral("other"), QStringLiteral("moment"), 1.0),
                 encodeDate(2024, 11, 5) + encodeTime(7, 8, 9, 0));
        QCOMPARE(ini.readDateTime(QStringLiteral("Other"), QStringLiteral("Broken"), 1.0), 1.0);

        QCOMPARE(ini.sections(), QStringList({"Splošno", "Other"}));
        QCOMPARE(ini.keys(QStringLiteral("splošno")),
                 QStringList({"Tip", "Debug", "Negative", "Seven", "Quoted", "Twice", "Formula"}));
        QCOMPARE(ini.sectionValues(QStringLiteral("Other")),
                 QStringList({"Moment=05.11.2024 07:08:09", "Broken=31.02.2024"}));
        QVERIFY(!ini.valueExists(QStringLiteral("Splošno"), QStringLiteral("orphan")));
        QVERIFY(!ini.sectionExists(QStringLiteral("Nothing")));
    }

    void readsWindows1250Files() {
        const QString path = folder_.filePath(QStringLiteral("cp1250.ini"));
        writeBytes(path, "[Splo\x9Ano]\r\nIme=\xE8\x61\xE8\x61 \x8Akofja Loka\r\n");
        ProfileFile ini(path);
        QCOMPARE(ini.sections(), QStringList({"Splošno"}));
        QCOMPARE(ini.readString(QStringLiteral("SPLOŠNO"), QStringLiteral("Ime")),
                 "čača Škofja Loka");

        // Written back as UTF-8, keeping the Windows line ends.
        ini.writeString(QStringLiteral("Splošno"), QStringLiteral("Novo"), QStringLiteral("ž"));
        const QByteArray bytes = readBytes(path);
        QVERIFY(bytes.contains("[Splošno]\r\n"));
        QVERIFY(bytes.contains("Ime=čača Škofja Loka\r\n"));
        QCOMPARE(ProfileFile(path).readString(QStringLiteral("splošno"), QStringLiteral("novo")),
                 "ž");

        // Notepad's "Unicode" (UTF-16 after its byte-order mark) reads as well.
        const QString unicode = QStringLiteral("[Splošno]\r\nIme=Škofja Loka\r\n");
        QByteArray utf16("\xff\xfe");
        utf16.append(reinterpret_cast<const char*>(unicode.utf16()), unicode.size() * 2);
        writeBytes(path, utf16);
        QCOMPARE(ProfileFile(path).readString(QStringLiteral("SPLOŠNO"), QStringLiteral("Ime")),
                 "Škofja Loka");
    }

    void writesAndReadsBack() {
        const QString path = folder_.filePath(QStringLiteral("new.ini"));
        ProfileFile ini(path);
        QVERIFY(!ini.exists());
        QCOMPARE(ini.readString(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("d")),
                 "d");
        QVERIFY(!QFile::exists(path));

        const TDateTime moment = encodeDate(2024, 11, 5) + encodeTime(7, 8, 9, 0);
        ini.writeString(QStringLiteral("Sekcija"), QStringLiteral("Besedilo"),
                        QStringLiteral(" ena dve "));
        ini.writeInteger(QStringLiteral("Sekcija"), QStringLiteral("Stevilo"), -42);
        ini.writeBool(QStringLiteral("Sekcija"), QStringLiteral("Zastavica"), true);
        ini.writeDateTime(QStringLiteral("Sekcija"), QStringLiteral("Cas"), moment);
        ini.writeString(QStringLiteral("SEKCIJA"), QStringLiteral("BESEDILO"),
                        QStringLiteral("tri"));
        QVERIFY(ini.exists());

        const ProfileFile again(path);
        QCOMPARE(again.sections(), QStringList({"Sekcija"}));
        QCOMPARE(again.keys(QStringLiteral("sekcija")),
                 QStringList({"Besedilo", "Stevilo", "Zastavica", "Cas"}));
        QCOMPARE(again.readString(QStringLiteral("Sekcija"), QStringLiteral("Besedilo")), "tri");
        QCOMPARE(again.readInteger(QStringLiteral("Sekcija"), QStringLiteral("Stevilo"), 0), -42);
        QVERIFY(again.readBool(QStringLiteral("Sekcija"), QStringLiteral("Zastavica"), false));
        QCOMPARE(again.readDateTime(QStringLiteral("Sekcija"), QStringLiteral("Cas"), 0), moment);
    }

    void deletesKeysAndSectionsKeepingComments() {
        const QString path = folder_.filePath(QStringLiteral("erase.ini"));
        writeBytes(path, "[First]\nb=2\n; keep me\na=1\nc=3\n[Second]\nx=1\n[first]\nb=hidden\n");
        ProfileFile ini(path);
        ini.writeString(QStringLiteral("first"), QStringLiteral("d"), QStringLiteral("4"));
        QCOMPARE(ini.sectionValues(QStringLiteral("FIRST")),
                 QStringList({"b=2", "a=1", "c=3", "d=4"}));
        QVERIFY(readBytes(path).contains("; keep me"));

        ini.deleteKey(QStringLiteral("FIRST"), QStringLiteral("B"));
        QVERIFY(!ini.valueExists(QStringLiteral("First"), QStringLiteral("b")));
        QCOMPARE(ini.keys(QStringLiteral("First")), QStringList({"a", "c", "d"}));

        ini.eraseSection(QStringLiteral("FIRST"));
        QCOMPARE(ini.sections(), QStringList({"Second"}));
        QCOMPARE(ProfileFile(path).sections(), QStringList({"Second"}));

        // Deleting what is not there leaves a missing file missing.
        ProfileFile missing(folder_.filePath(QStringLiteral("missing.ini")));
        missing.deleteKey(QStringLiteral("A"), QStringLiteral("B"));
        missing.eraseSection(QStringLiteral("A"));
        QVERIFY(!missing.exists());
    }

    void keepsOtherWritersKeys() {
        const QString path = folder_.filePath(QStringLiteral("shared.ini"));
        ProfileFile first(path);
        ProfileFile second(path);
        first.writeString(QStringLiteral("QOR"), QStringLiteral("One"), QStringLiteral("1"));
        second.writeString(QStringLiteral("QOR"), QStringLiteral("Two"), QStringLiteral("2"));
        QCOMPARE(first.keys(QStringLiteral("QOR")), QStringList({"One", "Two"}));
    }

    void valuesCannotAddLines() {
        const QString path = folder_.filePath(QStringLiteral("lines.ini"));
        ProfileFile ini(path);
        ini.writeString(QStringLiteral("A"), QStringLiteral("Text"),
                        QStringLiteral("one\r\n[B]\nInjected=1"));
        const ProfileFile again(path);
        QCOMPARE(again.sections(), QStringList({"A"}));
        QCOMPARE(again.keys(QStringLiteral("A")), QStringList({"Text"}));
    }

    // Several values go into one save; values the file holds already write nothing, and
    // a name that cannot be written refuses the whole batch before anything is written.
    void writesSeveralValuesWithOneSave() {
        const QString path = folder_.filePath(QStringLiteral("batch.ini"));
        writeBytes(path, "[A]\r\nOne=1\r\n; kept\r\n");
        ProfileFile ini(path);
        ini.writeStrings({{QStringLiteral("a"), QStringLiteral("Two"), QStringLiteral("2")},
                          {QStringLiteral("B"), QStringLiteral("Three"), QStringLiteral("3")},
                          {QStringLiteral("A"), QStringLiteral("one"), QStringLiteral("10")}});
        QCOMPARE(readBytes(path), QByteArray("[A]\r\nOne=10\r\nTwo=2\r\n; kept\r\n\r\n"
                                             "[B]\r\nThree=3\r\n"));
        writeBytes(path, "[A]\nOne = 10\n"); // as another program left it
        ini.writeStrings({{QStringLiteral("A"), QStringLiteral("One"), QStringLiteral("10")}});
        QCOMPARE(readBytes(path), QByteArray("[A]\nOne = 10\n"));
        QVERIFY_THROWS_EXCEPTION(
            InOutError,
            ini.writeStrings({{QStringLiteral("A"), QStringLiteral("One"), QStringLiteral("2")},
                              {QStringLiteral("A"), QStringLiteral("=x"), QStringLiteral("3")}}));
        QCOMPARE(readBytes(path), QByteArray("[A]\nOne = 10\n"));
    }

    void writeFailureRaisesAndChangesNothing() {
        ProfileFile ini(folder_.filePath(QStringLiteral("no-such-folder/x.ini")));
        QVERIFY_THROWS_EXCEPTION(
            InOutError,
            ini.writeString(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")));
        QVERIFY(!ini.valueExists(QStringLiteral("A"), QStringLiteral("B")));
    }

private:
    QTemporaryDir folder_;
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"

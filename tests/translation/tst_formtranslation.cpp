#include "../support/TestDatabase.h"
#include "EngineFolder.h"

#include "db/Query.h"
#include "db/Session.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "platform/StdControls.h"
#include "translation/QorPrevod.h"
#include "translation/Udialog.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using platform::addComponent;
using translation::TDialog;
using translation::TQorColorForm;
using translation::TQorPrevod;

namespace {

const QString TranslatedOn = QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\n");

void run(const QString& statement) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("LB"));
    query.setSqlText(statement);
    query.execSql();
}

// A text of form record id under name: its source and, when given, its English translation.
void addText(int id, int key, const QString& name, const QString& source,
             const QString& english = {}) {
    run(QStringLiteral("INSERT INTO PREVOD_ORG (ID_PREVODA, ID_PREVOD_ORG, NAME, ORGTEXT) "
                       "VALUES (%1, %2, '%3', '%4')")
            .arg(id)
            .arg(key)
            .arg(name, source));
    if (!english.isEmpty())
        run(QStringLiteral("INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, ID_PREVOD_DATA, "
                           "NAME, TRANSLTEXT, TRANSLATED, KODA_JEZIKA) "
                           "VALUES (%1, %2, %2, '%3', '%4', 'Y', 'ENG')")
                .arg(id)
                .arg(key)
                .arg(name, english));
}

// The database as "LB", a program folder for the engine's files, and the form record of
// "fPrevod" (id 7) with its caption and one label translated.
class Fixture : public EngineFolder {
public:
    Fixture() {
        db::Session& session = db::Session::defaultSession();
        session.setMainDatabase(&session.database(database.alias()));
        run(QStringLiteral(
            "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('ENG', 'English')"));
        run(QStringLiteral("INSERT INTO PREVOD_FORME (ID_PREVODA, FORMNAME, PROGRAMNAME) "
                           "VALUES (7, 'fPrevod', '')"));
        addText(7, 501, QStringLiteral("Title"), QStringLiteral("Prevod"),
                QStringLiteral("Translation"));
        addText(7, 502, QStringLiteral("lIme"), QStringLiteral("Ime"), QStringLiteral("Name"));
        write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    }
    ~Fixture() { db::Session::defaultSession().setMainDatabase(nullptr); }

    TestDatabase database;
    QStringList messages;
    platform::ScopedMessageSink sink{[this](platform::MessageKind, const QString& text) {
        messages.append(text);
        return platform::MessageResult::Ok;
    }};
};

// A translatable dialog with a caption, a label the database translates, one it lacks
// and a button kept out by its Tag.
class TranslatedForm : public TDialog {
public:
    explicit TranslatedForm(const QString& name = QStringLiteral("fPrevod")) {
        platform::setComponentName(this, name);
        setWindowTitle(QStringLiteral("Prevod"));
        lIme = addComponent(this, new QLabel(QStringLiteral("Ime"), this), QStringLiteral("lIme"));
        lNov = addComponent(this, new QLabel(QStringLiteral("Nov"), this), QStringLiteral("lNov"));
        lNov->move(0, 20);
        bOk = addComponent(this, new QPushButton(QStringLiteral("V redu"), this),
                           QStringLiteral("bOk"));
        bOk->move(0, 40);
        platform::setTag(bOk, 1);
    }
    QLabel* lIme;
    QLabel* lNov;
    QPushButton* bOk;
    bool enabledInHandler = false;
};

// Shows the form and makes it the active window, for the commands that take it.
void activate(QWidget& form) {
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

} // namespace

class FormTranslationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { translation::setNewLookSettings({}); }
    void formIsTranslatedAtCreationExceptItsCaption();
    void withoutTranslationNothingChanges();
    void passDurationsAreLoggedPerForm();
    void errorInTheWalkIsShownAndTheFormEnabledAgain();
    void errorBeforeTheWalkEndsTheConstruction();
    void secondWalkInWriteModeRecordsTheDisplayedTexts();
    void autoCreateRecordsMissingTextsWithoutDialogs();
    void aPassSavesTheCacheOnlyWhenItChanged();
};

void FormTranslationTest::formIsTranslatedAtCreationExceptItsCaption() {
    Fixture fixture;
    QStringList passes;
    auto form = TQorColorForm::create<TranslatedForm>();
    QCOMPARE(form->lIme->text(), QStringLiteral("Name"));
    QCOMPARE(form->lNov->text(), QStringLiteral("Nov"));
    QCOMPARE(form->bOk->text(), QStringLiteral("V redu"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Prevod")); // Tag 1 from the colour pass
    QCOMPARE(form->Tag(), -1);
    QVERIFY(form->isEnabled());
    TQorPrevod* engine = form->Prevod();
    QVERIFY(engine != nullptr);
    QCOMPARE(engine->parent(), form.get());
    QVERIFY(!engine->Busy());
    QVERIFY(!engine->LocalFileOpen());
    QCOMPARE(engine->CurrentForm(), form.get());
    engine->onFormPrevod = [&](const QString& name, bool) { passes.append(name); };

    // A later pass at creation does nothing for a walked form.
    form->lIme->setText(QStringLiteral("Ime"));
    engine->TranslateOwnerForm(form.get());
    QCOMPARE(form->lIme->text(), QStringLiteral("Ime"));

    // Translating again (key T) takes the caption too.
    activate(*form);
    engine->RetranslateForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Translation"));
    QCOMPARE(form->lIme->text(), QStringLiteral("Name"));
    QCOMPARE(passes, QStringList{QStringLiteral("fPrevod")});
    QCOMPARE(form->Tag(), -1);
    QVERIFY(!engine->Busy());
    QVERIFY(!engine->LocalFileOpen());
    QVERIFY(fixture.messages.isEmpty());
}

void FormTranslationTest::withoutTranslationNothingChanges() {
    Fixture fixture;
    QFile::remove(fixture.folder() + QStringLiteral("QorTrans.ini"));
    auto form = TQorColorForm::create<TranslatedForm>();
    QCOMPARE(form->lIme->text(), QStringLiteral("Ime"));
    QCOMPARE(form->Tag(), 1);
    QVERIFY(!QFile::exists(fixture.folder() + QStringLiteral("PrevodForme.Log")));
    activate(*form);
    form->Prevod()->RetranslateForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Prevod"));
}

void FormTranslationTest::passDurationsAreLoggedPerForm() {
    Fixture fixture;
    const QRegularExpression line(QStringLiteral("^(\\w+)=\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d$"));
    const auto logged = [&] {
        QStringList names;
        for (const QString& entry : fixture.read(QStringLiteral("PrevodForme.Log"))
                                        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch match = line.match(entry);
            names.append(match.hasMatch() ? match.captured(1) : QStringLiteral("bad: ") + entry);
        }
        return names;
    };
    fixture.write(QStringLiteral("PrevodForme.Log"), QStringLiteral("fStara=00:00:01:000\r\n"));
    TQorColorForm::create<TranslatedForm>();
    QCOMPARE(logged(), (QStringList{"fStara", "fPrevod"}));
    TQorColorForm::create<TranslatedForm>(QStringLiteral("fDrugi"));
    TQorColorForm::create<TranslatedForm>();
    QCOMPARE(logged(), (QStringList{"fStara", "fPrevod", "fDrugi"}));
    // The "LNG" folder and the cache file were made for the passes.
    QVERIFY(QFile::exists(fixture.folder() + QStringLiteral("LNG/_ENG.lng")));
}

void FormTranslationTest::errorInTheWalkIsShownAndTheFormEnabledAgain() {
    Fixture fixture;
    // Recording the missing label needs a key counter; without one the lookup fails.
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn + QStringLiteral("AUTOCREATE=1\n"));
    fixture.database.exec(QStringLiteral("DROP TABLE S_KLJUCI"));
    auto form = TQorColorForm::create<TranslatedForm>();
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY2(fixture.messages.first().startsWith(
                 QStringLiteral("Error translating form in application.\n\n")),
             qPrintable(fixture.messages.first()));
    QVERIFY(fixture.messages.first().size() > 40); // the error's own message follows
    QVERIFY(form->isEnabled());
    QCOMPARE(form->lIme->text(), QStringLiteral("Name")); // walked before the failure
    QCOMPARE(form->Tag(), 1);                             // the walk did not finish
    TQorPrevod* engine = form->Prevod();
    QVERIFY(!engine->Busy());
    QVERIFY(!engine->WriteMode());
    QVERIFY(!engine->OnlyCreateTranslations());
    QVERIFY(!engine->LocalFileOpen());

    // Translating again reports its own message.
    fixture.messages.clear();
    engine->setWriteMode(true);
    engine->setOnlyCreateTranslations(true);
    activate(*form);
    engine->RetranslateForm();
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY(
        fixture.messages.first().startsWith(QStringLiteral("Error translating application.\n\n")));
    QVERIFY(!engine->Busy());
    QVERIFY(!engine->LocalFileOpen());
}

void FormTranslationTest::errorBeforeTheWalkEndsTheConstruction() {
    Fixture fixture;
    // In write mode a form without a record gets one, which needs the key counter.
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn + QStringLiteral("WRITE.TRANS=1\n"));
    fixture.database.exec(QStringLiteral("DROP TABLE S_KLJUCI"));
    bool failed = false;
    try {
        TQorColorForm::create<TranslatedForm>(QStringLiteral("fBrezZapisa"));
    } catch (const std::exception&) {
        failed = true;
    }
    QVERIFY(failed);
    QVERIFY(fixture.messages.isEmpty());
    QVERIFY(
        fixture.read(QStringLiteral("PrevodForme.Log")).startsWith(QStringLiteral("fBrezZapisa=")));
}

void FormTranslationTest::secondWalkInWriteModeRecordsTheDisplayedTexts() {
    Fixture fixture;
    addText(7, 503, QStringLiteral("lNov"), QStringLiteral("Nov"), QStringLiteral("New"));
    // The first form caches the translations of its section.
    TQorColorForm::create<TranslatedForm>();
    // The translator removes the text; the cache still answers for the section.
    run(QStringLiteral("DELETE FROM PREVOD_DATA WHERE NAME='lNov'"));
    run(QStringLiteral("DELETE FROM PREVOD_ORG WHERE NAME='lNov'"));
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn + QStringLiteral("WRITE.TRANS=1\n"));
    auto form = TQorColorForm::create<TranslatedForm>();
    QCOMPARE(form->lNov->text(), QStringLiteral("New"));
    TQorPrevod* engine = form->Prevod();
    QVERIFY(engine->WriteMode());
    engine->setOnlyCreateTranslations(true); // record without the single-text dialog

    // Ctrl+Shift+Alt+T walks the form again; the shown text is what gets recorded.
    activate(*form);
    QTest::keyClick(form.get(), Qt::Key_T,
                    Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    QCOMPARE(scalar(QStringLiteral("SELECT ORGTEXT FROM PREVOD_ORG WHERE NAME='lNov'")),
             QStringLiteral("New"));
    QCOMPARE(scalar(QStringLiteral("SELECT TRANSLTEXT || '/' || TRANSLATED FROM PREVOD_DATA "
                                   "WHERE NAME='lNov'")),
             QStringLiteral("New/N"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Translation"));
    // Write mode took the six translator keys onto the form.
    QCOMPARE(form->actions().size(), 6);
    // Ctrl+Shift+Alt+X switches the engine off.
    QTest::keyClick(form.get(), Qt::Key_X,
                    Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    QVERIFY(!engine->Translation());
    QVERIFY(!engine->WriteMode());
}

void FormTranslationTest::autoCreateRecordsMissingTextsWithoutDialogs() {
    Fixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn + QStringLiteral("AUTOCREATE=1\n"));
    auto form = TQorColorForm::create<TranslatedForm>();
    QCOMPARE(scalar(QStringLiteral("SELECT ORGTEXT FROM PREVOD_ORG WHERE NAME='lNov'")),
             QStringLiteral("Nov"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_ORG WHERE NAME='bOk'")),
             QStringLiteral("0"));
    TQorPrevod* engine = form->Prevod();
    QVERIFY(!engine->WriteMode());
    QVERIFY(!engine->OnlyCreateTranslations());
    QVERIFY(form->actions().isEmpty()); // no write mode, no translator keys
    QVERIFY(fixture.messages.isEmpty());
}

namespace {

// The identity of the file on disk: every save puts a new file in place.
ino_t fileIdentity(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

// The first pass writes the form's section, its stamp and texts, into a big cache file
// and keeps the other forms' sections; a second pass that finds every text as the file
// holds it leaves the file alone.
void FormTranslationTest::aPassSavesTheCacheOnlyWhenItChanged() {
    Fixture fixture;
    QVERIFY(QDir().mkpath(fixture.folder() + QStringLiteral("LNG")));
    QString others;
    for (int form = 0; form < 200; ++form) {
        others += QStringLiteral("[fOther%1]\nDT_CHANGE=2024-01-01 00:00:00\n").arg(form);
        for (int text = 0; text < 100; ++text)
            others += QStringLiteral("lText%1=An English text of the form\n").arg(text);
    }
    fixture.write(QStringLiteral("LNG/_ENG.lng"), others);
    const QString cache = fixture.folder() + QStringLiteral("LNG/_ENG.lng");
    const ino_t before = fileIdentity(cache);
    auto first = TQorColorForm::create<TranslatedForm>();
    const ino_t afterFirst = fileIdentity(cache);
    QVERIFY(afterFirst != before);
    platform::ProfileFile file(cache);
    QCOMPARE(file.readString(QStringLiteral("fPrevod"), QStringLiteral("lIme")),
             QStringLiteral("Name"));
    QVERIFY(!file.readString(QStringLiteral("fPrevod"), QStringLiteral("DT_CHANGE")).isEmpty());
    QCOMPARE(file.readString(QStringLiteral("fOther199"), QStringLiteral("lText99")),
             QStringLiteral("An English text of the form"));
    auto second = TQorColorForm::create<TranslatedForm>();
    QCOMPARE(second->lIme->text(), QStringLiteral("Name"));
    QCOMPARE(fileIdentity(cache), afterFirst);
    QVERIFY(fixture.messages.isEmpty());
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    FormTranslationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_formtranslation.moc"

#include "controls/Uddbtn.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QSet>
#include <QTest>
#include <QWidget>
#include <memory>

using namespace controls;

namespace {

QImage pictureOf(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// The pool is created once for the whole test, as the entry point does, before any other
// standard button exists: the counter numbers the names from 1.
class TestStdButtons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void glyphsAreMissingBeforeTheSetIsLoaded();
    void poolButtonsAreNamedInCreationOrderAndALaterButtonTakesTheNextNumber();
    void poolButtonsShowTheGlyphsOfTheirTable();
    void glyphsLoadByNameAndByNumber();
    void everyGlyphIsItsOwnPicture();
    void aPoolButtonOutlivesTheWindowThatHostedIt();
    void detachingLeavesEveryPoolButtonWithoutParent();
    void shutdownDestroysThePoolBeforeTheGlyphs();
};

void TestStdButtons::glyphsAreMissingBeforeTheSetIsLoaded() {
    QVERIFY(!StdGlyphsLoaded());
    QVERIFY(StdGlyph(10).isNull());
    QVERIFY(StdButton(1) == nullptr);
    QCOMPARE(TStdBtn::createdCount(), 0);
}

void TestStdButtons::poolButtonsAreNamedInCreationOrderAndALaterButtonTakesTheNextNumber() {
    CreateStdButtons();
    QVERIFY(StdGlyphsLoaded());
    for (int number = 1; number <= kStdButtonCount; ++number) {
        TStdBtn* button = StdButton(number);
        QVERIFY(button);
        QCOMPARE(button->objectName(), QStringLiteral("StdBtn%1").arg(number));
        QCOMPARE(button->size(), QSize(18, 18));
        QVERIFY(button->autoRaise());
        QVERIFY(button->parentWidget() == nullptr);
    }
    QVERIFY(StdButton(0) == nullptr);
    QVERIFY(StdButton(17) == nullptr);

    CreateStdButtons(); // an existing pool stays as it is
    QCOMPARE(TStdBtn::createdCount(), 16);
    TStdBtn later;
    QCOMPARE(later.objectName(), QStringLiteral("StdBtn17"));
    QCOMPARE(TStdBtn::createdCount(), 17);
    QVERIFY(StdButton(17) == nullptr);
}

void TestStdButtons::poolButtonsShowTheGlyphsOfTheirTable() {
    const int expected[kStdButtonCount] = {10, 0,  6, 7, 9,  18, 21, 11,
                                           24, 17, 0, 0, 13, 14, 35, 36};
    for (int number = 1; number <= kStdButtonCount; ++number) {
        const int glyph = expected[number - 1];
        QCOMPARE(StdButtonGlyphNumber(number), glyph);
        const QIcon icon = StdButton(number)->icon();
        if (glyph == 0) {
            QVERIFY2(icon.isNull(), qPrintable(QString::number(number)));
            continue;
        }
        QCOMPARE(pictureOf(icon.pixmap(kGlyphSize, kGlyphSize)), pictureOf(StdGlyph(glyph)));
    }
    QCOMPARE(StdButtonGlyphNumber(0), 0);
    QCOMPARE(StdButtonGlyphNumber(17), 0);
}

void TestStdButtons::glyphsLoadByNameAndByNumber() {
    QCOMPARE(StdGlyphName(1), QStringLiteral("MSB_MAXIMIZE"));
    QCOMPARE(StdGlyphName(20), QStringLiteral("MSB_URA"));
    QCOMPARE(StdGlyphName(36), QStringLiteral("MSB_EXPORT"));
    QVERIFY(StdGlyphName(0).isEmpty());
    QVERIFY(StdGlyphName(37).isEmpty());
    QCOMPARE(StdGlyphNumber(QStringLiteral("msb_clear")), 10);
    QCOMPARE(StdGlyphNumber(QStringLiteral("MSB_NONE")), 0);

    const QPixmap byName = LoadGlyph(QStringLiteral("MSB_CALENDAR"));
    QCOMPARE(byName.size(), QSize(15, 15));
    QCOMPARE(pictureOf(byName), pictureOf(StdGlyph(19)));
    QCOMPARE(pictureOf(LoadGlyph(QStringLiteral("msb_calendar"))), pictureOf(byName));
    QVERIFY(LoadGlyph(QStringLiteral("MSB_NONE")).isNull());
    QVERIFY(LoadGlyph(QString()).isNull());
    QVERIFY(StdGlyph(0).isNull());
    QVERIFY(StdGlyph(37).isNull());
}

void TestStdButtons::everyGlyphIsItsOwnPicture() {
    QSet<QByteArray> pictures;
    for (int number = 1; number <= kGlyphCount; ++number) {
        const QPixmap& glyph = StdGlyph(number);
        QCOMPARE(glyph.size(), QSize(kGlyphSize, kGlyphSize));
        QVERIFY2(glyph.hasAlpha(), qPrintable(StdGlyphName(number))); // transparent ground
        const QImage image = pictureOf(glyph);
        pictures.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    QCOMPARE(pictures.size(), kGlyphCount);
}

void TestStdButtons::aPoolButtonOutlivesTheWindowThatHostedIt() {
    TStdBtn* clear = StdButton(1);
    TStdBtn* tool = StdButton(2);
    QPointer<TStdBtn> watchClear(clear);
    QPointer<TStdBtn> watchTool(tool);
    {
        auto window = std::make_unique<QWidget>();
        auto* panel = new QWidget(window.get());
        auto* field = new QWidget(panel);
        new QHBoxLayout(field);
        clear->setParent(field); // deep inside the window, as a field's side button
        tool->setParent(window.get());
        window->show();
        clear->show();
        QVERIFY(clear->isVisible());

        delete field; // the field that borrowed it goes first
        QVERIFY(watchClear);
        QVERIFY(clear->parentWidget() == nullptr);
        QVERIFY(!clear->isVisible());

        clear->setParent(panel); // borrowed again, then the whole window goes
    }
    QVERIFY(watchClear);
    QVERIFY(watchTool);
    QVERIFY(clear->parentWidget() == nullptr);
    QVERIFY(tool->parentWidget() == nullptr);
    QCOMPARE(StdButton(1), clear);

    // A parent that itself moved under a new window is still watched.
    auto first = std::make_unique<QWidget>();
    auto second = std::make_unique<QWidget>();
    auto* holder = new QWidget(first.get());
    clear->setParent(holder);
    holder->setParent(second.get());
    second.reset();
    QVERIFY(watchClear);
    QVERIFY(clear->parentWidget() == nullptr);
}

void TestStdButtons::detachingLeavesEveryPoolButtonWithoutParent() {
    QWidget window;
    for (int number = 1; number <= kStdButtonCount; ++number)
        StdButton(number)->setParent(&window);
    DetachStdButtons();
    for (int number = 1; number <= kStdButtonCount; ++number)
        QVERIFY(StdButton(number)->parentWidget() == nullptr);
    DetachStdButtons(); // nothing to do twice
}

void TestStdButtons::shutdownDestroysThePoolBeforeTheGlyphs() {
    QPointer<TStdBtn> button(StdButton(5));
    {
        StdButtonsScope scope; // the pool exists already: the scope takes it over
        QVERIFY(StdButton(5) == button.data());
    }
    QVERIFY(!button);
    QVERIFY(StdButton(5) == nullptr);
    QVERIFY(!StdGlyphsLoaded());
    QVERIFY(StdGlyph(5).isNull());
}

QTEST_MAIN(TestStdButtons)
#include "tst_stdbuttons.moc"

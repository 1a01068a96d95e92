#include "entry/Ukeybrd.h"

#include "controls/HelperRoutines.h"
#include "entry/PopupGlyphs.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/StdControls.h"

#include <QMouseEvent>
#include <QToolButton>

namespace entry {

namespace {

constexpr int CellPitch = 22; // an 18-pixel key and a 4-pixel gap
constexpr int KeySize = 18;

QStringList characters(const QString& keys) {
    QStringList list;
    for (QChar key : keys)
        list << QString(key);
    return list;
}

} // namespace

// --- Key grid -----------------------------------------------------------------------

TKeyGrid::TKeyGrid(int columns, int rows, QWidget* parent) : TCellGrid(columns, rows, parent) {
    setCellPitch(CellPitch, KeySize);
}

void TKeyGrid::setKeys(const QStringList& keys) {
    keys_ = keys;
    update();
}

QString TKeyGrid::Cell(int column, int row) const {
    return keys_.value(row * ColCount() + column);
}

void TKeyGrid::SelectCell(int column, int row) {
    setCurrentCell(column, row);
    Q_EMIT keySelected(Cell(column, row));
}

TCellGrid::CellColours TKeyGrid::coloursOf(int, int) const {
    return {palette().color(QPalette::ButtonText), palette().color(QPalette::Button)};
}

bool TKeyGrid::chooseCell(int column, int row) {
    SelectCell(column, row);
    return true;
}

QAccessible::Role TKeyGrid::AccessibleCellRole(int) const {
    return QAccessible::Button;
}

// --- Space bar ----------------------------------------------------------------------

TSpaceBar::TSpaceBar(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void TSpaceBar::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

// --- Form ---------------------------------------------------------------------------

TfKeyboard::TfKeyboard(QWidget* parent) : TDialog(parent) {
    platform::setComponentName(this, QStringLiteral("fKeyboard"));
    setWindowTitle(QStringLiteral("fKeyboard"));
    setFont(PopupFont(11));
    setFixedSize(389, 162);
    // Its design position on the screen, unless a window manager places it.
    move(205, 145);
    createLine();
    createGrids();
    createButtons();
    setTabOrder(sgTop, Edit1);
    setTabOrder(Edit1, sgQ);
    setTabOrder(sgQ, sgA);
    setTabOrder(sgA, sgZ);
    setTabOrder(sgZ, sgNumeric);
    setTabOrder(sgNumeric, sgBrace);
    setTabOrder(sgBrace, Edit2);
    setTabOrder(Edit2, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

void TfKeyboard::createLine() {
    Edit1 = platform::addComponent(this, new QLineEdit(this), QStringLiteral("Edit1"));
    Edit1->setGeometry(3, 3, 328, 24);
    Edit1->setFont(PopupFont(13));
    Edit1->setAccessibleName(QStringLiteral("Text"));
    SpeedButton2 =
        platform::addComponent(this, new QToolButton(this), QStringLiteral("SpeedButton2"));
    SpeedButton2->setGeometry(332, 3, 24, 24);
    SetGlyphButton(SpeedButton2, BackspaceGlyph(), QStringLiteral("Backspace"));
    connect(SpeedButton2, &QToolButton::clicked, this,
            platform::guarded(this, &TfKeyboard::SpeedButton2Click));
    SpeedButton1 =
        platform::addComponent(this, new QToolButton(this), QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(362, 3, 24, 24);
    SetGlyphButton(SpeedButton1, ClearGlyph(), QStringLiteral("Clear"));
    connect(SpeedButton1, &QToolButton::clicked, this,
            platform::guarded(this, &TfKeyboard::SpeedButton1Click));
    for (QToolButton* button : {SpeedButton1, SpeedButton2}) {
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
}

TKeyGrid* TfKeyboard::keyGrid(const char* name, int columns, int rows, QRect geometry) {
    auto* grid =
        platform::addComponent(this, new TKeyGrid(columns, rows, this), QLatin1String(name));
    grid->setGeometry(geometry);
    grid->setAccessibleName(QLatin1String(name));
    grid->setFont(PopupFont(11));
    connect(grid, &TKeyGrid::keySelected, this,
            platform::guarded([this](const QString& key) { sgTopSelectCell(key); }));
    return grid;
}

void TfKeyboard::createGrids() {
    sgTop = keyGrid("sgTop", 12, 1, {3, 32, 241, 18});
    sgQ = keyGrid("sgQ", 11, 1, {11, 54, 219, 18});
    sgA = keyGrid("sgA", 11, 1, {17, 76, 219, 18});
    sgZ = keyGrid("sgZ", 10, 1, {27, 98, 220, 18});
    sgBrace = keyGrid("sgBrace", 2, 4, {250, 32, 44, 87});
    sgNumeric = keyGrid("sgNumeric", 4, 4, {299, 32, 88, 87});
}

void TfKeyboard::createButtons() {
    Edit2 = platform::addComponent(this, new TSpaceBar(this), QStringLiteral("Edit2"));
    Edit2->setGeometry(36, 122, 188, 20);
    Edit2->setFont(PopupFont(11, false));
    QPalette colours = Edit2->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    Edit2->setPalette(colours);
    Edit2->setAccessibleName(QStringLiteral("Space"));
    Edit2->setToolTip(QStringLiteral("Space"));
    connect(Edit2, &TSpaceBar::clicked, this, platform::guarded(this, &TfKeyboard::Edit2Click));
    BitBtn2 = platform::addComponent(this, new platform::TBitBtn(this), QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(253, 122, 46, 36);
    BitBtn2->setAutoDefault(false);
    SetGlyphButton(BitBtn2, CancelGlyph(), QStringLiteral("Cancel"));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    BitBtn1 = platform::addComponent(this, new platform::TBitBtn(this), QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(304, 122, 81, 36);
    BitBtn1->setDefault(true);
    SetGlyphButton(BitBtn1, OkGlyph(), QStringLiteral("OK"));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TfKeyboard::FormCreate() {
    sgTop->setKeys(characters(QStringLiteral("~`@#$%^&!?'\"")));
    sgQ->setKeys(characters(QStringLiteral("QWERTYUIOP\u017d")));
    sgA->setKeys(characters(QStringLiteral("ASDFGHJKL\u0160;")));
    sgZ->setKeys(characters(QStringLiteral("ZXCVBNM\u010c,.")));
    sgBrace->setKeys(characters(QStringLiteral("()[]{}|\\")));
    sgNumeric->setKeys(characters(QStringLiteral("789+456-123*0,=/")));
}

bool TfKeyboard::Execute(QString& text) {
    Edit1->setText(text);
    Edit1->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    text = Edit1->text();
    return true;
}

void TfKeyboard::sgTopSelectCell(const QString& key) {
    Edit1->setText(Edit1->text() + key);
}

void TfKeyboard::Edit2Click() {
    Edit1->setText(Edit1->text() + QLatin1Char(' '));
}

void TfKeyboard::SpeedButton2Click() {
    if (!Edit1->text().isEmpty())
        Edit1->setText(controls::DropLastChar(Edit1->text()));
}

void TfKeyboard::SpeedButton1Click() {
    Edit1->clear();
}

} // namespace entry

#include "entry/Ukoledar.h"

#include "entry/PopupGlyphs.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/Errors.h"
#include "platform/Pictures.h"
#include "platform/StdControls.h"

#include <QFrame>
#include <QListWidget>
#include <QLocale>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace entry {

namespace {

constexpr int GridRows = 7; // the day names and six weeks
constexpr int GridColumns = 7;
const QColor Silver(192, 192, 192);

const QStringList DayNames = {
    QStringLiteral("Pon"), QStringLiteral("Tor"), QStringLiteral("Sre"), QStringLiteral("\u010cet"),
    QStringLiteral("Pet"), QStringLiteral("Sob"), QStringLiteral("Ned")};
const QStringList MonthNames = {
    QStringLiteral("Januar"),  QStringLiteral("Februar"),  QStringLiteral("Marec"),
    QStringLiteral("April"),   QStringLiteral("Maj"),      QStringLiteral("Junij"),
    QStringLiteral("Julij"),   QStringLiteral("Avgust"),   QStringLiteral("September"),
    QStringLiteral("Oktober"), QStringLiteral("November"), QStringLiteral("December")};

QStringList localDayNames() {
    QStringList names;
    for (int day = 1; day <= 7; ++day)
        names << QLocale().dayName(day, QLocale::ShortFormat);
    return names;
}

} // namespace

// --- Month grid ---------------------------------------------------------------------

TCalendarGrid::TCalendarGrid(QWidget* parent)
    : TCellGrid(GridColumns, GridRows, parent), dayNames_(localDayNames()) {
    setBackground(Silver);
    setCellLines(QColor(160, 160, 160));
    setMovesWrapRows(true);
    const platform::DateParts today = platform::decodeDate(platform::today());
    year_ = today.year;
    month_ = today.month;
    day_ = today.day;
    const QPoint chosen = dayCell(day_);
    setCurrentCell(chosen.x(), chosen.y());
}

void TCalendarGrid::setDay(int day) {
    setDate(year_, month_, day);
}

void TCalendarGrid::setMonth(int month) {
    setDate(year_, month, day_);
}

void TCalendarGrid::setYear(int year) {
    setDate(year, month_, day_);
}

void TCalendarGrid::setDate(int year, int month, int day) {
    platform::TDateTime checked = 0;
    if (!platform::tryEncodeDate(year, month, day, checked))
        throw platform::ConvertError(QStringLiteral("Invalid argument to date encode"));
    if (year == year_ && month == month_ && day == day_)
        return;
    year_ = year;
    month_ = month;
    day_ = day;
    const QPoint chosen = dayCell(day_);
    setCurrentCell(chosen.x(), chosen.y());
    Q_EMIT changed();
}

platform::TDateTime TCalendarGrid::CalendarDate() const {
    return platform::encodeDate(year_, month_, day_);
}

void TCalendarGrid::setDayNames(const QStringList& names) {
    dayNames_ = names;
    update();
}

// The column of the first of the month, Monday being 0.
int TCalendarGrid::firstColumn() const {
    return (platform::dayOfWeek(platform::encodeDate(year_, month_, 1)) + 5) % 7;
}

int TCalendarGrid::daysInMonth() const {
    return QDate(year_, month_, 1).daysInMonth();
}

QPoint TCalendarGrid::dayCell(int day) const {
    const int place = firstColumn() + day - 1;
    return {place % GridColumns, 1 + place / GridColumns};
}

QRect TCalendarGrid::DayCellRect(int day) const {
    const QPoint cell = dayCell(day);
    return CellRect(cell.x(), cell.y());
}

int TCalendarGrid::DayAt(int row, int column) const {
    if (row < 1 || row >= GridRows || column < 0 || column >= GridColumns)
        return 0;
    const int day = (row - 1) * GridColumns + column - firstColumn() + 1;
    return day >= 1 && day <= daysInMonth() ? day : 0;
}

QString TCalendarGrid::Cell(int column, int row) const {
    if (row == 0)
        return dayNames_.value(column);
    const int day = DayAt(row, column);
    return day ? QString::number(day) : QString();
}

TCellGrid::CellColours TCalendarGrid::coloursOf(int column, int row) const {
    const bool chosen = row > 0 && DayAt(row, column) == day_;
    if (chosen)
        return {palette().color(QPalette::HighlightedText), palette().color(QPalette::Highlight)};
    return {Qt::black, QColor()};
}

QColor TCalendarGrid::focusFrameColour() const {
    return Qt::black;
}

bool TCalendarGrid::chooseCell(int column, int row) {
    const int day = DayAt(row, column);
    if (!day)
        return false;
    setDay(day);
    return true;
}

int TCalendarGrid::AccessibleCellCount() const {
    return GridColumns + daysInMonth();
}

QPoint TCalendarGrid::accessibleCell(int index) const {
    return index < GridColumns ? QPoint(index, 0) : dayCell(index - GridColumns + 1);
}

QAccessible::Role TCalendarGrid::AccessibleCellRole(int index) const {
    return index < GridColumns ? QAccessible::ColumnHeader : QAccessible::Cell;
}

// --- Form ---------------------------------------------------------------------------

Tkoledar::Tkoledar(QWidget* parent) : TDialog(parent) {
    platform::setComponentName(this, QStringLiteral("koledar"));
    setWindowTitle(QStringLiteral("koledar"));
    QFont system(QStringLiteral("System"));
    system.setPixelSize(13);
    setFont(system);
    setFixedSize(333, 200);
    // Its design position on the screen, unless a window manager places it.
    move(196, 103);
    pnlFORM = platform::addComponent(this, new platform::TPanel(this), QStringLiteral("pnlFORM"));
    pnlFORM->setGeometry(0, 1, 325, 195);
    pnlFORM->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SetPanelColours(pnlFORM, ActiveCaptionColour);
    createGrid();
    createLists();
    createButtons();
}

void Tkoledar::createGrid() {
    koledar = platform::addComponent(this, new TCalendarGrid(pnlFORM), QStringLiteral("koledar"));
    koledar->setGeometry(12, 15, 167, 111);
    koledar->setFont(PopupFont(11));
    koledar->setAccessibleName(QStringLiteral("koledar"));
    connect(koledar, &TCalendarGrid::changed, this, &Tkoledar::koledarChange);
    static const char* const names[] = {"pnlMON", "pnlTUE", "pnlWED", "pnlTHU",
                                        "pnlFRI", "pnlSAT", "pnlSUN"};
    static const int lefts[] = {10, 34, 58, 82, 105, 130, 154};
    for (int day = 0; day < 7; ++day) {
        auto* panel =
            platform::addComponent(this, new platform::TPanel(pnlFORM), QLatin1String(names[day]));
        panel->setGeometry(lefts[day], 10, day == 0 ? 26 : 27, 21);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFont(PopupFont(11, true, true));
        SetPanelColours(panel, Silver);
        platform::setTag(panel,
                         translation::KeepOwnPanelColour); // the colour pass keeps silver italic
        dayPanels[day] = panel;
    }
}

void Tkoledar::createLists() {
    mesec = platform::addComponent(this, new QListWidget(pnlFORM), QStringLiteral("mesec"));
    mesec->setGeometry(186, 11, 69, 175);
    mesec->setFont(PopupFont(11));
    mesec->setAccessibleName(QStringLiteral("Mesec"));
    leto = platform::addComponent(this, new QListWidget(pnlFORM), QStringLiteral("leto"));
    leto->setGeometry(260, 11, 51, 175);
    leto->setFont(PopupFont(12));
    leto->setAccessibleName(QStringLiteral("Leto"));
    leto->verticalScrollBar()->setFixedWidth(12);
    for (QListWidget* list : {mesec, leto}) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setUniformItemSizes(true);
        list->setTextElideMode(Qt::ElideNone);
    }
    connect(mesec, &QListWidget::currentRowChanged, this, platform::guarded([this] {
                if (!showingDate_)
                    mesecClick();
            }));
    connect(leto, &QListWidget::currentRowChanged, this, platform::guarded([this] {
                if (!showingDate_)
                    letoClick();
            }));
    Bevel1 = platform::addComponent(this, new QFrame(pnlFORM), QStringLiteral("Bevel1"));
    Bevel1->setGeometry(179, 10, 8, 115);
    Bevel2 = platform::addComponent(this, new QFrame(pnlFORM), QStringLiteral("Bevel2"));
    Bevel2->setGeometry(10, 10, 8, 117);
    for (QFrame* bevel : {Bevel1, Bevel2}) {
        bevel->setFrameStyle(QFrame::VLine | QFrame::Raised);
        bevel->lower();
    }
}

void Tkoledar::createButtons() {
    btnOK = platform::addComponent(this, new platform::TBitBtn(pnlFORM), QStringLiteral("btnOK"));
    btnOK->setGeometry(54, 130, 127, 30);
    btnOK->setFont(PopupFont(13));
    btnOK->setDefault(true);
    btnOK->setFocusPolicy(Qt::NoFocus);
    btnOK->setIcon(OkGlyph());
    btnOK->setLayoutDirection(Qt::RightToLeft); // glyph right of the caption
    btnOK->setToolTip(QStringLiteral("OK"));
    btnOK->setAccessibleName(QStringLiteral("OK"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    btnCancel =
        platform::addComponent(this, new platform::TBitBtn(pnlFORM), QStringLiteral("btnCancel"));
    btnCancel->setGeometry(10, 130, 41, 30);
    btnCancel->setFocusPolicy(Qt::NoFocus);
    btnCancel->setAutoDefault(false);
    SetGlyphButton(btnCancel, CancelGlyph(), QStringLiteral("Cancel"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tkoledar::FormCreate() {
    setWindowTitle(QStringLiteral("Koledar"));
    for (int day = 0; day < 7; ++day)
        dayPanels[day]->setCaption(DayNames[day]);
    koledar->setDayNames(DayNames);
    mesec->clear();
    mesec->addItems(MonthNames);
    leto->clear();
    for (int year = FirstYear; year <= LastYear; ++year)
        leto->addItem(QString::number(year));
}

void Tkoledar::showEvent(QShowEvent* event) {
    TDialog::showEvent(event);
    koledar->setFocus();
}

bool Tkoledar::Execute(platform::TDateTime& date) {
    if (date == 0)
        date = platform::today();
    const platform::DateParts parts = platform::decodeDate(date);
    koledar->setMonth(1);
    koledar->setDay(parts.day);
    koledar->setYear(parts.year);
    koledar->setMonth(parts.month);
    ShowChosenDate();
    if (exec() != QDialog::Accepted)
        return false;
    date = koledar->CalendarDate();
    return true;
}

void Tkoledar::ShowChosenDate() {
    const QScopedValueRollback<bool> showing(showingDate_, true);
    btnOK->setText(platform::formatDateTime(QStringLiteral("dd.mm.yyyy"), koledar->CalendarDate()));
    btnOK->setAccessibleDescription(btnOK->text());
    selectRow(mesec, koledar->Month() - 1);
    const int year = koledar->Year();
    selectRow(leto, year >= FirstYear && year <= LastYear ? year - FirstYear : -1);
}

void Tkoledar::selectRow(QListWidget* list, int row) {
    list->setCurrentRow(row);
    if (row < 0)
        list->clearSelection();
    else
        list->scrollToItem(list->item(row));
}

void Tkoledar::koledarChange() {
    ShowChosenDate();
}

void Tkoledar::mesecClick() {
    const int month = mesec->currentRow() + 1;
    if (month < 1)
        return;
    try {
        koledar->setMonth(month);
    } catch (const platform::ConvertError&) {
        koledar->setDay(28);
        koledar->setMonth(month);
    }
}

// The chosen year is read first: moving the day re-selects the list's rows.
void Tkoledar::letoClick() {
    const int row = leto->currentRow();
    if (row < 0)
        return;
    if (mesec->currentRow() + 1 == 2 && koledar->Day() > 28)
        koledar->setDay(28);
    koledar->setYear(row + FirstYear);
}

} // namespace entry

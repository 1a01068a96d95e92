#include "controls/cDbGrid.h"

#include "db/DataSetModel.h"
#include "db/Field.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace controls {

const TKVCustomDbGrid::Options TKVCustomDbGrid::DefaultOptions =
    Option::Editing | Option::Titles | Option::Indicator | Option::ColumnResize | Option::ColLines |
    Option::RowLines | Option::Tabs | Option::ConfirmDelete | Option::CancelOnExit;

namespace {

const QString DeleteQuestion = QStringLiteral("Delete record?");

// A raised inner 3-D edge: the shadow on the bottom and right sides, then the light on
// the top and left sides.
void drawRaisedEdge(QPainter& painter, const QRect& rect, const QPalette& palette) {
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
    painter.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
}

QString fieldKey(const QString& fieldName) {
    return fieldName.toUpper();
}

} // namespace

// ---- Title row -----------------------------------------------------------------------

class TKVCustomDbGrid::TitleHeader : public QHeaderView {
public:
    explicit TitleHeader(TKVCustomDbGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
        setSectionsClickable(true);
        setHighlightSections(false);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (grid_->paintsTitles())
            grid_->paintTitle(*painter, rect, logicalIndex);
        else
            QHeaderView::paintSection(painter, rect, logicalIndex);
    }

private:
    TKVCustomDbGrid* grid_;
};

// The indicator column: a narrow raised cell per row, the current row's marked with an
// arrow while browsing, "I" while editing and "*" while inserting. The marker repeats
// what the current row and the data set's state tell assistive tools already.
class TKVCustomDbGrid::IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(TKVCustomDbGrid* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
    }
    QSize sizeHint() const override { return {IndicatorWidth, QHeaderView::sizeHint().height()}; }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        return {IndicatorWidth, QHeaderView::sectionSizeFromContents(logicalIndex).height()};
    }
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        painter->fillRect(rect, grid_->fixedColor());
        drawRaisedEdge(*painter, rect, palette());
        if (logicalIndex == grid_->dataSetModel()->currentRow())
            paintMarker(*painter, rect);
        painter->restore();
    }

private:
    void paintMarker(QPainter& painter, const QRect& rect) const {
        const db::DataSet* set = grid_->dataSetModel()->dataSet();
        const db::DataSetState state = set ? set->state() : db::DataSetState::Browse;
        painter.setPen(palette().color(QPalette::ButtonText));
        if (state == db::DataSetState::Edit || state == db::DataSetState::Insert) {
            const QString mark =
                state == db::DataSetState::Edit ? QStringLiteral("I") : QStringLiteral("*");
            painter.drawText(rect, Qt::AlignCenter, mark);
            return;
        }
        const QPoint centre = rect.center();
        const QPolygon arrow(
            {centre + QPoint(-2, -4), centre + QPoint(2, 0), centre + QPoint(-2, 4)});
        painter.setBrush(palette().color(QPalette::ButtonText));
        painter.drawPolygon(arrow);
    }

    TKVCustomDbGrid* grid_;
};

// ---- Data cells ----------------------------------------------------------------------

class TKVCustomDbGrid::CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TKVCustomDbGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (grid_->defaultDrawing())
            QStyledItemDelegate::paint(painter, option, index);
        if (grid_->OnDrawColumnCell)
            grid_->OnDrawColumnCell(*painter, option.rect, index.column(), option.state);
        paintLines(*painter, option.rect);
        if (grid_->hasFocus() && index == grid_->currentIndex())
            paintFocusRect(*painter, option);
    }

protected:
    // Selected cells in SelFont; the focus frame is the grid's own.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state.testFlag(QStyle::State_Selected))
            option->font = grid_->selFont();
        option->state &= ~QStyle::State_HasFocus;
    }

private:
    void paintLines(QPainter& painter, const QRect& rect) const {
        const Options options = grid_->options();
        painter.save();
        painter.setPen(grid_->palette().color(QPalette::Mid));
        if (options.testFlag(Option::ColLines))
            painter.drawLine(rect.topRight(), rect.bottomRight());
        if (options.testFlag(Option::RowLines))
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.restore();
    }
    void paintFocusRect(QPainter& painter, const QStyleOptionViewItem& option) const {
        painter.save();
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        QPen pen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }

    TKVCustomDbGrid* grid_;
};

// ---- The grid ------------------------------------------------------------------------

TKVCustomDbGrid::TKVCustomDbGrid(QWidget* parent)
    : controls::DbGrid(parent), selColor_(palette().color(QPalette::Highlight)),
      sortColor_(palette().color(QPalette::Light)), selFont_(font()), options_(DefaultOptions),
      titleFont_(font()), fixedColor_(palette().color(QPalette::Button)) {
    setHorizontalHeader(new TitleHeader(this));
    const int rowHeight = verticalHeader()->defaultSectionSize();
    setVerticalHeader(new IndicatorHeader(this));
    verticalHeader()->setDefaultSectionSize(rowHeight);
    setItemDelegate(new CellDelegate(this));
    // A title click is no column selection.
    disconnect(horizontalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
    disconnect(horizontalHeader(), SIGNAL(sectionEntered(int)), this, SLOT(_q_selectColumn(int)));
    connectEvents();
    applyOptions();
    applyTitleHeight();
}

TKVCustomDbGrid::~TKVCustomDbGrid() = default;

void TKVCustomDbGrid::connectEvents() {
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            platform::guarded([this](int column) { titleClick(column); }));
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) { Q_EMIT OnColumnMoved(from, to); });
    connect(this, &QAbstractItemView::clicked, this, &TKVCustomDbGrid::OnCellClick);
    connect(this, &QAbstractItemView::doubleClicked, this, &TKVCustomDbGrid::OnDblClick);
}

void TKVCustomDbGrid::setTitleWordwrap(bool on) {
    if (titleWordwrap_ == on)
        return;
    titleWordwrap_ = on;
    layOut();
}

void TKVCustomDbGrid::setSelColor(const QColor& color) {
    if (selColor_ == color)
        return;
    selColor_ = color;
    layOut();
}

void TKVCustomDbGrid::setSortColor(const QColor& color) {
    sortColor_ = color;
    horizontalHeader()->viewport()->update();
}

void TKVCustomDbGrid::setSelFont(const QFont& font) {
    selFont_ = font;
    layOut();
}

void TKVCustomDbGrid::setOptions(Options options) {
    options_ = options;
    applyOptions();
}

void TKVCustomDbGrid::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    applyOptions();
}

void TKVCustomDbGrid::setTitleFont(const QFont& font) {
    titleFont_ = font;
    titleFontSet_ = true;
    applyTitleHeight();
}

void TKVCustomDbGrid::setFixedColor(const QColor& color) {
    fixedColor_ = color;
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
}

void TKVCustomDbGrid::setTitleAlignment(const QString& fieldName, Qt::Alignment alignment) {
    titles_[fieldKey(fieldName)].alignment = alignment & Qt::AlignHorizontal_Mask;
    horizontalHeader()->viewport()->update();
}

void TKVCustomDbGrid::setTitleFont(const QString& fieldName, const QFont& font) {
    titles_[fieldKey(fieldName)].font = font;
    horizontalHeader()->viewport()->update();
}

void TKVCustomDbGrid::setTitleColor(const QString& fieldName, const QColor& color) {
    titles_[fieldKey(fieldName)].color = color;
    horizontalHeader()->viewport()->update();
}

void TKVCustomDbGrid::setDefaultDrawing(bool on) {
    defaultDrawing_ = on;
    viewport()->update();
}

void TKVCustomDbGrid::setScrollBars(ScrollBars bars) {
    scrollBars_ = bars;
    const bool horizontal = bars == ScrollBars::Horizontal || bars == ScrollBars::Both;
    const bool vertical = bars == ScrollBars::Vertical || bars == ScrollBars::Both;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TKVCustomDbGrid::setBorder(bool single) {
    setFrameShape(single ? QFrame::StyledPanel : QFrame::NoFrame);
}

const TKVCustomDbGrid::TitleOverride* TKVCustomDbGrid::overrideOf(int column) const {
    const db::Field* field = dataSetModel()->fieldAt(column);
    if (!field)
        return nullptr;
    const auto found = titles_.constFind(fieldKey(field->fieldName()));
    return found == titles_.constEnd() ? nullptr : &found.value();
}

TColumnTitle TKVCustomDbGrid::columnTitle(int column) const {
    TColumnTitle title;
    title.caption = dataSetModel()->headerData(column, Qt::Horizontal).toString();
    title.font = titleFont_;
    title.color = fixedColor_;
    title.fontColor = palette().color(QPalette::ButtonText);
    if (const TitleOverride* own = overrideOf(column)) {
        title.alignment = own->alignment.value_or(title.alignment);
        title.font = own->font.value_or(title.font);
        title.color = own->color.value_or(title.color);
    }
    return title;
}

bool TKVCustomDbGrid::paintsTitles() const {
    const db::DataSet* set = dataSetModel()->dataSet();
    return set && set->active() && options_.testFlag(Option::Titles);
}

QStringList TKVCustomDbGrid::titleLines(const QString& caption, const QFontMetrics& metrics,
                                        int width, int height, bool wordwrap) {
    if (!wordwrap)
        return {metrics.elidedText(caption, Qt::ElideRight, width)};
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        lines.append(line);
        line = word;
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines.append(line);
    const int fitting = std::max(1, height / metrics.height());
    if (lines.size() > fitting) {
        const QString rest = lines.mid(fitting - 1).join(QLatin1Char(' '));
        lines = lines.mid(0, fitting - 1);
        lines.append(rest);
    }
    for (QString& each : lines)
        each = metrics.elidedText(each, Qt::ElideRight, width);
    return lines;
}

void TKVCustomDbGrid::paintTitle(QPainter& painter, const QRect& rect, int column) const {
    const TColumnTitle title = columnTitle(column);
    const QColor fill = column == sortColumn_ ? sortColor_ : title.color;
    painter.save();
    painter.setFont(title.font);
    painter.fillRect(rect, fill);
    drawRaisedEdge(painter, rect, palette());
    const QRect text = rect.adjusted(1, 1, -1, -1).adjusted(2, 1, -2, 0);
    const QFontMetrics metrics(title.font);
    const QStringList lines =
        titleLines(title.caption, metrics, text.width(), text.height(), titleWordwrap_);
    painter.setPen(title.fontColor);
    painter.setClipRect(rect.adjusted(1, 1, -1, -1));
    int top = text.top();
    for (const QString& line : lines) {
        painter.drawText(QRect(text.left(), top, text.width(), metrics.height()),
                         int(title.alignment) | Qt::AlignTop | Qt::TextSingleLine, line);
        top += metrics.height();
    }
    painter.restore();
}

bool TKVCustomDbGrid::canSortBy(const db::Field*) const {
    return false;
}

void TKVCustomDbGrid::titleClick(int column) {
    Q_EMIT OnTitleClick(column);
    if (canSortBy(dataSetModel()->fieldAt(column)))
        setSortColumn(column);
}

void TKVCustomDbGrid::setSortColumn(int column) {
    sortColumn_ = column;
    horizontalHeader()->viewport()->update();
}

// ---- Layout --------------------------------------------------------------------------

void TKVCustomDbGrid::layOut() {
    applyPalette();
    applyTitleHeight();
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

// The base sizes the columns; the title row's height is this grid's: 45 pixels with
// word-wrapped titles, the header's own height for one line otherwise.
void TKVCustomDbGrid::applyColumnAttributes() {
    controls::DbGrid::applyColumnAttributes();
    applyTitleHeight();
}

void TKVCustomDbGrid::applyTitleHeight() {
    QHeaderView* titles = horizontalHeader();
    titles->setFont(titleFont_);
    if (titleWordwrap_) {
        titles->setFixedHeight(WordwrapTitleHeight);
    } else {
        titles->setMinimumHeight(0);
        titles->setMaximumHeight(QWIDGETSIZE_MAX);
    }
    updateGeometries();
}

void TKVCustomDbGrid::applyPalette() {
    QPalette colours = palette();
    colours.setColor(QPalette::Active, QPalette::Highlight, selColor_);
    const bool alwaysShown = options_.testFlag(Option::AlwaysShowSelection);
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     alwaysShown ? selColor_ : colours.color(QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     alwaysShown ? colours.color(QPalette::Active, QPalette::HighlightedText)
                                 : colours.color(QPalette::Text));
    setPalette(colours);
}

void TKVCustomDbGrid::applyOptions() {
    horizontalHeader()->setVisible(options_.testFlag(Option::Titles));
    verticalHeader()->setVisible(options_.testFlag(Option::Indicator));
    const bool resizable = options_.testFlag(Option::ColumnResize);
    horizontalHeader()->setSectionResizeMode(resizable ? QHeaderView::Interactive
                                                       : QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(resizable);
    setShowGrid(false); // the cells draw the column and row lines themselves
    setTabKeyNavigation(options_.testFlag(Option::Tabs));
    setSelectionBehavior(options_.testFlag(Option::RowSelect) ? SelectRows : SelectItems);
    setSelectionMode(options_.testFlag(Option::MultiSelect) ? ExtendedSelection : SingleSelection);
    controls::DbGrid::setReadOnly(readOnly_ || !options_.testFlag(Option::Editing));
    if (!controls::DbGrid::readOnly() && options_.testFlag(Option::AlwaysShowEditor))
        setEditTriggers(editTriggers() | CurrentChanged | SelectedClicked);
    applyPalette();
    viewport()->update();
}

// ---- Keys and focus ------------------------------------------------------------------

void TKVCustomDbGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        platform::runGuarded([&] { OnKeyDown(*event); });
        if (event->isAccepted() && event->key() == 0)
            return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        platform::runGuarded([this] { deleteCurrentRecord(); });
        return;
    }
    if (OnKeyPress && !event->text().isEmpty() && event->text().at(0).unicode() >= 32) {
        QChar key = event->text().at(0);
        platform::runGuarded([&] { OnKeyPress(key); });
        if (key.isNull())
            return;
    }
    controls::DbGrid::keyPressEvent(event);
}

void TKVCustomDbGrid::keyReleaseEvent(QKeyEvent* event) {
    if (OnKeyUp)
        platform::runGuarded([&] { OnKeyUp(*event); });
    controls::DbGrid::keyReleaseEvent(event);
}

// Ctrl+Delete deletes the current record, after the operator confirmed it when the
// options ask for that.
void TKVCustomDbGrid::deleteCurrentRecord() {
    db::DataSet* set = dataSetModel()->dataSet();
    if (controls::DbGrid::readOnly() || !set || !set->active() || !set->canModify() ||
        set->isEmpty())
        return;
    if (options_.testFlag(Option::ConfirmDelete)) {
        const platform::MessageResult answer =
            platform::showMessage(platform::MessageKind::Confirmation, DeleteQuestion);
        if (answer != platform::MessageResult::Ok && answer != platform::MessageResult::Yes)
            return;
    }
    set->deleteRecord();
}

void TKVCustomDbGrid::focusInEvent(QFocusEvent* event) {
    controls::DbGrid::focusInEvent(event);
    viewport()->update();
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        Q_EMIT OnEnter();
}

void TKVCustomDbGrid::focusOutEvent(QFocusEvent* event) {
    controls::DbGrid::focusOutEvent(event);
    viewport()->update();
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason ||
        isAncestorOf(QApplication::focusWidget()))
        return;
    platform::runGuarded([this] {
        cancelUnchangedInsert();
        Q_EMIT OnExit();
    });
}

// Leaving the grid while it inserts a record that nothing was typed into takes the
// record away again.
void TKVCustomDbGrid::cancelUnchangedInsert() {
    db::DataSet* set = dataSetModel()->dataSet();
    if (options_.testFlag(Option::CancelOnExit) && set &&
        set->state() == db::DataSetState::Insert && !set->modified())
        set->cancel();
}

void TKVCustomDbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    controls::DbGrid::currentChanged(current, previous);
    verticalHeader()->viewport()->update();
    if (current.column() == previous.column())
        return;
    Q_EMIT OnColExit();
    Q_EMIT OnColEnter();
}

void TKVCustomDbGrid::changeEvent(QEvent* event) {
    controls::DbGrid::changeEvent(event);
    if (event->type() == QEvent::FontChange && !titleFontSet_) {
        titleFont_ = font();
        applyTitleHeight();
    }
}

TKVDbGrid::TKVDbGrid(QWidget* parent) : TKVCustomDbGrid(parent) {}

} // namespace controls

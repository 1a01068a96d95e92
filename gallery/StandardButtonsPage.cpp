// The page "Standard buttons": the sixteen pool buttons in a row and the strip of the 36
// glyphs with their numbers and names.
#include "controls/Uddbtn.h"
#include "gallery/Gallery.h"
#include "platform/Components.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The row of the sixteen pool buttons, each over its number (three show no glyph). The
// buttons are only lent to the row: a field with the focus borrows its two side buttons
// from the pool, so the row takes back the ones it lacks whenever it is shown. The
// window detaches them all before it goes.
class PoolButtonRow : public QWidget {
public:
    explicit PoolButtonRow(QWidget* parent) : QWidget(parent), grid_(new QGridLayout(this)) {
        platform::setComponentName(this, QStringLiteral("pnStdButtons"));
        grid_->setContentsMargins(0, 0, 0, 0);
        grid_->setHorizontalSpacing(6);
        grid_->setVerticalSpacing(0);
        for (int number = 1; number <= controls::kStdButtonCount; ++number) {
            auto* caption = new QLabel(QString::number(number), this);
            caption->setAlignment(Qt::AlignHCenter);
            grid_->addWidget(caption, 1, number - 1, Qt::AlignHCenter);
            grid_->setColumnMinimumWidth(number - 1, controls::kStdButtonSize);
        }
        grid_->setColumnStretch(controls::kStdButtonCount, 1);
        placeButtons();
    }

protected:
    void showEvent(QShowEvent* event) override {
        placeButtons();
        QWidget::showEvent(event);
    }

private:
    void placeButtons() {
        for (int number = 1; number <= controls::kStdButtonCount; ++number) {
            controls::TStdBtn* button = controls::StdButton(number);
            if (!button || button->parentWidget() == this)
                continue;
            button->setToolTip(button->objectName());
            button->setAccessibleName(button->objectName());
            grid_->addWidget(button, 0, number - 1, Qt::AlignHCenter);
            button->show();
        }
    }

    QGridLayout* grid_;
};

// One glyph: its picture twice (actual size and enlarged), its number and its name.
QWidget* glyphCell(QWidget* parent, int number) {
    auto* cell = new QWidget(parent);
    auto* layout = new QVBoxLayout(cell);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    const QPixmap& glyph = controls::StdGlyph(number);
    auto* actual = new QLabel(cell);
    actual->setPixmap(glyph);
    auto* enlarged = new QLabel(cell);
    enlarged->setPixmap(
        glyph.scaled(glyph.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    auto* caption = new QLabel(
        QStringLiteral("%1\n%2").arg(number).arg(controls::StdGlyphName(number).mid(4).toLower()),
        cell);
    caption->setAlignment(Qt::AlignHCenter);
    QFont small = caption->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    caption->setFont(small);
    for (QLabel* label : {actual, enlarged})
        label->setAlignment(Qt::AlignHCenter);
    actual->setAccessibleName(controls::StdGlyphName(number));
    layout->addWidget(actual);
    layout->addWidget(enlarged);
    layout->addWidget(caption);
    return cell;
}

QWidget* glyphStrip(QWidget* page) {
    auto* strip = new QWidget(page);
    platform::setComponentName(strip, QStringLiteral("pnGlyphs"));
    auto* grid = new QGridLayout(strip);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(2);
    constexpr int kPerRow = 12;
    for (int number = 1; number <= controls::kGlyphCount; ++number)
        grid->addWidget(glyphCell(strip, number), (number - 1) / kPerRow, (number - 1) % kPerRow);
    return strip;
}

QWidget* buildStandardButtonsPage(gallery::GalleryContext&) {
    auto* page = new QWidget;
    QGridLayout* grid = gallery::formGrid(page);
    gallery::addRow(grid, QStringLiteral("Standard buttons"), new PoolButtonRow(page));
    gallery::addRow(grid, QStringLiteral("Glyphs"), glyphStrip(page));
    return page;
}

const bool registered =
    gallery::registerPage({QStringLiteral("Standard buttons"), 20, &buildStandardButtonsPage});

} // namespace

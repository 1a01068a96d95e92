#include "platform/StdControls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace platform {

namespace {

// A panel paints its caption itself: its accessible name is that caption unless an
// accessible name was set.
class PanelAccessible : public QAccessibleWidget {
public:
    explicit PanelAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Pane) {}
    QString text(QAccessible::Text kind) const override {
        const auto* panel = static_cast<const TPanel*>(widget());
        if (kind == QAccessible::Name && panel->accessibleName().isEmpty())
            return panel->caption();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* panelAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("platform::TPanel") && object->isWidgetType())
        return new PanelAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

void installPanelAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(panelAccessible);
        return true;
    }();
    (void)installed;
}

} // namespace

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {}

TBitBtn::TBitBtn(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    installPanelAccessible();
    setFrameStyle(QFrame::Panel | QFrame::Raised);
}

void TPanel::setCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (caption_.isEmpty())
        return;
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), buttons_(new QButtonGroup(this)), layout_(new QVBoxLayout(this)) {
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Q_EMIT itemIndexChanged(id);
    });
}

QStringList TRadioGroup::items() const {
    QStringList texts;
    for (const QAbstractButton* button : buttons_->buttons())
        texts.append(button->text());
    return texts;
}

void TRadioGroup::setItems(const QStringList& items) {
    for (QAbstractButton* button : buttons_->buttons()) {
        buttons_->removeButton(button);
        delete button;
    }
    for (int index = 0; index < items.size(); ++index) {
        auto* button = new QRadioButton(items.at(index), this);
        buttons_->addButton(button, index);
        layout_->addWidget(button);
    }
}

void TRadioGroup::setItem(int index, const QString& text) {
    if (QAbstractButton* button = buttons_->button(index))
        button->setText(text);
}

int TRadioGroup::itemIndex() const {
    return buttons_->checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    if (QAbstractButton* button = buttons_->button(index)) {
        button->setChecked(true);
        return;
    }
    if (QAbstractButton* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

TTabSheet::TTabSheet(QWidget* parent) : QWidget(parent) {}

QTabWidget* TTabSheet::pageControl() const {
    QWidget* stack = parentWidget();
    return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

QString TTabSheet::caption() const {
    if (QTabWidget* pages = pageControl())
        return pages->tabText(pages->indexOf(const_cast<TTabSheet*>(this)));
    return windowTitle();
}

void TTabSheet::setCaption(const QString& caption) {
    setWindowTitle(caption);
    if (QTabWidget* pages = pageControl())
        pages->setTabText(pages->indexOf(this), caption);
}

TFrame::TFrame(QWidget* parent) : QFrame(parent) {}

} // namespace platform

#include "controls/KvDbCtrX.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace controls {

namespace {

// The window's own font (the edit has one of its own).
QFont formFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

QFont editFont() {
    QFont font(QStringLiteral("Arial CE"));
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

void paintYellow(QWidget& widget, const QColor& text) {
    QPalette palette = widget.palette();
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, Qt::yellow);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace

TfLookupSearch::TfLookupSearch(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      e_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("fLookupSearch"));
    setModal(true);
    setFont(formFont());
    paintYellow(*this, Qt::black);
    move(200, 110);
    resize(112, 18);

    e_->setObjectName(QStringLiteral("e"));
    e_->setFrame(false);
    e_->setFont(editFont());
    paintYellow(*e_, Qt::red);
    e_->setTextMargins(0, 0, 0, 0);
    e_->setGeometry(2, 1, 110, 17);
    e_->installEventFilter(this);
    setFocusProxy(e_);
}

bool TfLookupSearch::Execute(int x, int y, QString& text, const QString& firstChar, int height,
                             int width) {
    move(x, y);
    e_->resize(width - 2, height - 1);
    resize(width, height);
    e_->setText(firstChar);
    e_->deselect();
    e_->setCursorPosition(static_cast<int>(firstChar.size()));
    e_->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    text = e_->text();
    return true;
}

// Enter and Tab confirm, Escape cancels; every other key edits. The edit does not
// select its text when the window shows it.
bool TfLookupSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == e_ && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::OtherFocusReason) {
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(e_, &plain);
        return true;
    }
    if (watched == e_ && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            accept();
            return true;
        case Qt::Key_Escape:
            reject();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

TfLookupSearch& fLookupSearch() {
    static QPointer<TfLookupSearch> instance;
    if (!instance) {
        instance = new TfLookupSearch;
        // Widgets must go before the application object; its post routines run first.
        qAddPostRoutine([] { delete instance.data(); });
    }
    return *instance;
}

} // namespace controls

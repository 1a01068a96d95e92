#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>

class QButtonGroup;
class QTabWidget;
class QVBoxLayout;

// The system's plain controls that Qt has no class of its own for, so that the
// component model (platform/Components.h) can tell them apart by class: a bitmap button
// from a push button, a panel from any other frame, a radio group from a group box, a
// tab sheet and a frame from a plain widget.

namespace platform {

// A push button that shows a glyph beside its caption.
class TBitBtn : public QPushButton {
    Q_OBJECT
public:
    explicit TBitBtn(QWidget* parent = nullptr);
    TBitBtn(const QString& caption, QWidget* parent = nullptr);
};

// A raised panel that may show a caption in its middle. Assistive tools read the
// caption as the panel's name.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

// A group box of radio buttons, one per item; ItemIndex is the checked one (-1 none).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    QStringList items() const;
    // Replaces the items; nothing is checked afterwards.
    void setItems(const QStringList& items);
    // Changes the text of one item; an index out of range does nothing.
    void setItem(int index, const QString& text);

    int itemIndex() const;
    void setItemIndex(int index);

Q_SIGNALS:
    void itemIndexChanged(int index);

private:
    QButtonGroup* buttons_;
    QVBoxLayout* layout_;
};

// A page of a page control (QTabWidget). Its caption is its tab's text.
class TTabSheet : public QWidget {
    Q_OBJECT
public:
    explicit TTabSheet(QWidget* parent = nullptr);

    // The page control that shows the sheet; null while it is in none.
    QTabWidget* pageControl() const;
    QString caption() const;
    void setCaption(const QString& caption);
};

// A reusable group of components placed on a form as one component.
class TFrame : public QFrame {
    Q_OBJECT
public:
    explicit TFrame(QWidget* parent = nullptr);
};

} // namespace platform

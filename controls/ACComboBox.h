#pragma once

#include <QComboBox>

namespace controls {

// The key code of the system's keyboard layer (the Windows virtual-key codes) for a Qt
// key: letters and digits keep their codes, the space is 32, other printable characters
// count as the layout's own keys (186 and above), function keys from 112, and the
// navigation, editing and modifier keys below 47 (Delete 46, Backspace 8).
int virtualKeyCode(int qtKey);

// An editable combo box that completes the typed text to the first item that begins
// with it, may refuse text that no item begins with, and reports each match.
//
// Completion runs after a key is released, for keys from code 47 on (virtualKeyCode)
// without Alt or Ctrl, so Backspace and Delete shorten the text without completing it
// again. Typing compares with the locale's upper-casing; FindMatch and the whole-item
// test of SelectOnFound compare after plain ASCII upper-casing.
//
// Published, after Qt's own combo box properties: AutoComplete [true], SelectOnFound
// [true], ExactMatch [true], OnMatch.
class TACComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(bool AutoComplete READ autoComplete WRITE setAutoComplete)
    Q_PROPERTY(bool SelectOnFound READ selectOnFound WRITE setSelectOnFound)
    Q_PROPERTY(bool ExactMatch READ exactMatch WRITE setExactMatch)
public:
    explicit TACComboBox(QWidget* parent = nullptr);

    bool autoComplete() const { return autoComplete_; }
    void setAutoComplete(bool on) { autoComplete_ = on; }
    // Refuse a typed character after which no item begins with the text.
    bool exactMatch() const { return exactMatch_; }
    void setExactMatch(bool on) { exactMatch_ = on; }
    // Select the whole text when the typed text is a whole item.
    bool selectOnFound() const { return selectOnFound_; }
    void setSelectOnFound(bool on) { selectOnFound_ = on; }

    // Selects the first item that begins with the text (ASCII letters compared without
    // regard to case): the text becomes the item, caret at 0 with nothing selected, and
    // OnMatch fires. An empty text or no match changes nothing.
    void FindMatch();

Q_SIGNALS:
    // After each match, while typing or through FindMatch. A handler that may raise is
    // connected through platform::guarded.
    void OnMatch();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool completesAfter(const QKeyEvent* event) const;
    void completeTypedText();

    bool autoComplete_ = true;
    bool exactMatch_ = true;
    bool selectOnFound_ = true;
};

} // namespace controls

#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace controls {

// The lookup search editor: a borderless yellow one-line window that stays on top and
// is laid over a lookup combo box, in which the whole search prefix is typed before
// the list is narrowed once. Enter and Tab confirm it; Escape, and closing it in any
// other way, cancel it.
class TfLookupSearch : public QDialog {
    Q_OBJECT
public:
    explicit TfLookupSearch(QWidget* parent = nullptr);

    // Moves the window to (x, y) in screen coordinates, makes it width × height (the
    // edit width − 2 × height − 1), puts firstChar into the edit as its whole text with
    // the caret after it and nothing selected, and shows the window modally. Answers
    // true and sets text to the edited text when the user confirmed; otherwise text is
    // left as it was and the answer is false.
    bool Execute(int x, int y, QString& text, const QString& firstChar, int height, int width);

    // The edit `e`.
    QLineEdit* edit() const { return e_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* e_;
};

// The one shared search editor, created on first use and destroyed when the
// application object ends.
TfLookupSearch& fLookupSearch();

} // namespace controls

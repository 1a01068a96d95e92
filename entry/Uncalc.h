#pragma once

#include "translation/Udialog.h"

#include <QChar>
#include <QLabel>
#include <QString>

class QToolButton;

namespace platform {
class TBitBtn;
class TPanel;
} // namespace platform

namespace entry {

// The calculator's display: assistive tools read it as "Display" with the number it
// shows as its value, and are told when the number changes.
class TCalcDisplay : public QLabel {
    Q_OBJECT
public:
    explicit TCalcDisplay(QWidget* parent);
    void showNumber(const QString& text);
};

// The pop-up calculator (form "nCalc"): worked with the mouse, it evaluates strictly from
// left to right without operator precedence, in extended precision, and hands back its
// accumulator on OK. The OK button is disabled from an operator until the next "=", so a
// half-finished calculation cannot be confirmed. One instance serves the program.
class TnCalc : public translation::TDialog {
    Q_OBJECT
public:
    explicit TnCalc(QWidget* parent = nullptr);

    // Shows the value modally. On OK the value becomes the accumulator and the answer is
    // true; on Cancel or closing the window the value stays and the answer is false.
    bool Execute(long double& value);
    // Back to the opening state with 0 and an empty display.
    void ClearAll();
    // One key: a digit, "," (decimal comma), "B" (backspace), an operator "+", "-", "x",
    // "/" or "=". Any other character does nothing. Dividing by zero raises the
    // platform's floating-point error and keeps the accumulator, the entry, the display
    // and the pending operator; a result too large to be shown raises the overflow error the
    // same way.
    void PressKey(QChar key);

    // The text of the display.
    QString DisplayText() const;

    // The accumulator, the number being entered, the operator waiting for its second
    // operand ('=' for none), and whether the next digit starts a new number.
    long double accumulator() const { return Accumulator; }
    long double entryValue() const { return EntryValue; }
    QChar pendingOperator() const { return PendingOp; }
    bool startsNewEntry() const { return StartNewEntry; }

private:
    // State.
    long double EntryValue = 0;
    long double Accumulator = 0;
    QChar PendingOp = QLatin1Char('=');
    bool StartNewEntry = false;

    // Components.
    platform::TPanel* Panel1 = nullptr;
    TCalcDisplay* lblDisplay = nullptr;
    QToolButton* sbBackspace = nullptr;
    QToolButton* sbDigits[10] = {};
    QToolButton* sbPlus = nullptr;
    QToolButton* sbEmpty = nullptr;
    platform::TBitBtn* btnOk = nullptr;
    QToolButton* sbMinus = nullptr;
    QToolButton* sbMultiply = nullptr;
    QToolButton* sbEqual = nullptr;
    platform::TBitBtn* btnCancel = nullptr;
    QToolButton* sbDot = nullptr;
    QToolButton* sbDivide = nullptr;

    QToolButton* speedButton(const char* name, QRect geometry, QChar key);
    QToolButton* digitButton(int digit, QRect geometry);
    QToolButton* operatorButton(const char* name, QRect geometry, QChar key,
                                const QString& glyphText);
    void createDisplay();
    void createButtons();
    void createCloseButtons();
    void pressDigit(QChar digit);
    void pressComma();
    void pressBackspace();
    void pressOperator(QChar op);
    long double applyPendingOp() const;
    void entryFromDisplay();
    void showEntry();
};

// The number a display text stands for: commas read as points, then the plain decimal
// scan of the longest readable beginning; 0 when nothing reads.
long double ReadDisplayNumber(const QString& text);

} // namespace entry

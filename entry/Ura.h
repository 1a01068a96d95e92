#pragma once

#include "platform/DateTime.h"

#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <array>

class QRadioButton;
class QSpinBox;
class QPushButton;
class QFrame;

namespace entry {

class TfUra;

// The clock face of the time picker: paints the hour and the minute hand over the clock
// picture beneath it. Assistive tools read it as a clock whose value is the time shown.
class TClockHands : public QWidget {
    Q_OBJECT
public:
    explicit TClockHands(TfUra* form, QWidget* parent);
    TfUra* form() const { return form_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TfUra* form_;
};

// One of the twelve numerals of the dial: a left click sets the hour, a right click the
// minutes (five times the numeral). Assistive tools see a button with both actions.
class TClockNumeral : public QLabel {
    Q_OBJECT
public:
    TClockNumeral(int numeral, QWidget* parent);
    int numeral() const { return numeral_; }

Q_SIGNALS:
    void pressed(int numeral, Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    int numeral_;
};

// The time picker: an analogue clock whose numerals set the hour (left click) and the
// minutes (right click), two choices of the half of the day the dial stands for
// ("6-18", "18-6") and four spin fields with hours, minutes, seconds and milliseconds.
// A plain form, not translated; one instance serves the program (fUra).
class TfUra : public QDialog {
    Q_OBJECT
public:
    explicit TfUra(QWidget* parent = nullptr);

    // Shows the time of day of the value modally; without milliseconds their field is
    // hidden for good. On OK the value becomes the time of the four fields (whole part
    // 0) and the answer is true; otherwise the value stays and the answer is false.
    bool Execute(platform::TDateTime& time, bool showMilliseconds);

    // The dial takes hour h (0 to 23), minute and second; the half of the day follows
    // the hour (18-6 before 6 and after 17).
    void TakeTime(int h, int m, int s);
    // The spin fields take the dial's time in the chosen half of the day.
    void PutTimeToFields();
    // Places the numerals around the centre of the clock face.
    void PlaceNumerals();
    // The end points of the hands in the clock face's coordinates.
    QPoint HourHandEnd() const;
    QPoint MinuteHandEnd() const;
    QPoint Centre() const { return {CentreX, CentreY}; }

    // The hour (1 to 12) and the minute the dial shows.
    quint16 dialHour() const { return DialHour; }
    quint16 dialMinute() const { return Minute; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Event handlers.
    void seUraChange();
    void rbDayClick();
    void Label12MouseDown(int numeral, Qt::MouseButton button);

    // Dial state.
    bool Updating = false;
    quint16 DialHour = 12;
    quint16 Minute = 0;
    quint16 Second = 0;
    quint16 Millisecond = 0;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    int CentreX = 0;
    int CentreY = 0;

    // Components.
    QFrame* Panel2 = nullptr;
    QRadioButton* rbDay = nullptr;
    QRadioButton* rbNight = nullptr;
    QFrame* Panel1 = nullptr;
    QSpinBox* seUra = nullptr;
    QSpinBox* seMinuta = nullptr;
    QSpinBox* seSekunda = nullptr;
    QSpinBox* seMilisek = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* imgUra = nullptr;
    TClockHands* pbUra = nullptr;
    std::array<TClockNumeral*, 12> Labels{};

    void FormCreate();
    void createHalfOfDay();
    void createFields();
    void createClock();
    QSpinBox* createSpin(const char* name, QRect geometry, int maximum);
    void measureDial();
    QPoint handEnd(double angle, double radius) const;
};

// Paints the picture of the clock face that the time picker shows under its hands.
QImage ClockFacePicture();

} // namespace entry

#pragma once

#include "db/Field.h"
#include "entry/Ufparam.h"
#include "platform/DateTime.h"
#include "platform/EditMask.h"

#include <QColor>
#include <QLineEdit>
#include <QPoint>
#include <functional>

namespace entry {

// When on, a typed edit is made narrower by the widths of its two side buttons while it
// has the focus. Off at start; nothing in the program switches it on.
inline bool NarrowForButtons = false;

// The default font of typed edits and the line heights of the entry family.
struct TypedEditDefaults {
    QString fontName = QStringLiteral("Arial CE");
    int fontSize = 8;
    int lineHeight = 18;
    int titleFontSize = 8;
    QString titleFontName = QStringLiteral("Arial CE");
};

// Reads the defaults from "WIN.INI", section "QOR" (keys "FontName", "FontSize",
// "LineHeight", "TitleFontSize", "TitleFontName"). The entry point calls it once at
// start-up, before the first typed edit is created; until then the built-in defaults
// serve.
void InitTypedEditDefaults();
const TypedEditDefaults& typedEditDefaults();

// A single-line entry field for one typed value (string, number, date, time, date and
// time). It keeps the value itself, shows it through a display picture and turns typed
// text back into the value when the user confirms it: Enter or leaving the field. Text
// typed and not yet confirmed is red (the field is "touched"); text that cannot be read
// raises its error and keeps the focus in the field. Escape clears the field. A value
// can be dragged from one typed edit onto another.
//
// Errors of the handlers (unreadable text, errors of an owner's handlers) leave the
// event handlers; the application's top-level error display shows them.
class TCustomTypedEdit : public QLineEdit {
    Q_OBJECT
public:
    using ZoomHandler = std::function<void()>;
    using DragOverHandler = std::function<bool(QObject* source, const QPoint& position)>;
    using DragDropHandler = std::function<void(QObject* source, const QPoint& position)>;

    explicit TCustomTypedEdit(QWidget* parent = nullptr);
    ~TCustomTypedEdit() override;

    // The value and its display format.
    TFormatParam& ValueParam() { return valueParam_; }
    const TFormatParam& ValueParam() const { return valueParam_; }
    QString displayFormat() const { return valueParam_.displayFormat; }
    void setDisplayFormat(const QString& picture); // re-shows the value

    // State.
    bool Touched() const { return touched_; }
    QColor color() const; // background
    void setColor(const QColor& color);
    QColor fontColor() const;
    QColor SavedColor() const { return savedColor_; }
    QColor SavedFontColor() const { return savedFontColor_; }

    // Options.
    bool ShowSeconds() const { return showSeconds_; }
    void setShowSeconds(bool on);
    bool ShowMilliseconds() const { return showMilliseconds_; }
    void setShowMilliseconds(bool on);
    bool ZoomWhenReadOnly() const { return zoomWhenReadOnly_; }
    void setZoomWhenReadOnly(bool on) { zoomWhenReadOnly_ = on; }
    bool NoClearWhenReadOnly() const { return noClearWhenReadOnly_; }
    void setNoClearWhenReadOnly(bool on) { noClearWhenReadOnly_ = on; }
    bool Narrowed() const { return narrowed_; }

    // Handlers. onZoom replaces the pop-up tool (and the edit mask); the drag handlers
    // are asked only when no typed value is being dragged.
    void setOnZoom(ZoomHandler handler);
    bool hasOnZoom() const { return static_cast<bool>(onZoom_); }
    void setOnDragOver(DragOverHandler handler) { onDragOver_ = std::move(handler); }
    void setOnDragDrop(DragDropHandler handler) { onDragDrop_ = std::move(handler); }

    // The form calls Loaded once after it has created and set up its components: the
    // current font colour becomes the confirmed colour; a date field takes today's
    // date, any other field the value of its text; then the edit mask is applied.
    // Raises as AcceptText.
    virtual void Loaded();

    virtual void Touch();        // the text is being edited: touched, OnTouch
    virtual void ReadText();     // the text into the value; raises the conversion error
    virtual void ValueChanged(); // show the value, confirmed, OnChange
    // ReadText and ValueChanged; on an error the field takes the focus back (when it is
    // showing) and the error is raised again.
    void AcceptText();
    void ShowText();  // the value's display text into the edit; no OnChange
    void ApplyMask(); // the edit mask of the data type
    void Clear();     // null value, confirmed, OnClear

    // Value setters; each ends with ValueChanged. With dataTypeFixed on the value is
    // stored as text and the declared data type stays; with it off the data type
    // follows the value.
    void SetDateTimeValue(platform::TDateTime value);
    void SetDateValue(platform::TDateTime value);
    void SetFloatValue(double value);
    void SetTextValue(const QString& value);
    // The value as a date-time; 0 when null. Raises the conversion error of a text
    // that does not read as a date.
    platform::TDateTime GetDateTimeValue() const;

    // The pop-up tool of the value's type, or onZoom when it is assigned (and the field
    // is enabled). The tool button and double click pass false, Enter passes true.
    // Strings open the on-screen keyboard (not from the keyboard), floats the calculator,
    // dates the calendar, times the time picker, date and time the calendar and then the
    // time picker; the chosen value is set when the tool is confirmed. Each tool is
    // created on first use and kept until the program ends. Raises what onZoom raises.
    void OpenTool(bool fromKeyboard);

    // The side buttons, while the field has the focus: the tool button (pool button 2,
    // with the glyph of the type) and the clear button (pool button 1) to its right.
    // Both are borrowed from the shared pool on entry and given back on leaving.
    // Enabled: the tool button unless read-only (ZoomWhenReadOnly keeps it), the clear
    // button unless read-only with NoClearWhenReadOnly.
    // The glyph number of the tool button for the field's type (0 for none).
    int ToolGlyphNumber() const;
    // What a click on a side button does: the clear button clears an enabled field, the
    // tool button opens the tool. Raises as OpenTool; a click runs it behind the handler
    // guard.
    void SideButtonClick(QObject* button);

    // Drop target rules, as the drag events apply them. DragDrop raises what the drop
    // handler raises.
    bool DragOver(QObject* source, const QPoint& position);
    void DragDrop(QObject* source, const QPoint& position);

Q_SIGNALS:
    void OnChange();
    void OnTouch();
    void OnClear();

protected:
    db::FieldType dataType() const { return valueParam_.dataType(); }
    void setDataType(db::FieldType type); // re-applies the mask
    bool dataTypeFixed() const { return dataTypeFixed_; }
    void setDataTypeFixed(bool on) { dataTypeFixed_ = on; }

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void touchOnce();
    void setFontColor(const QColor& color);
    void textWasChanged();
    QString classicMask() const;
    void leaveField();
    void checkMask();
    void regainFocus();
    void startValueDrag();
    void placeSideButtons();
    void removeSideButtons();
    void openPopUpTool(bool fromKeyboard);
    void openKeyboard(bool fromKeyboard);
    void openCalculator();
    platform::TDateTime toolStartValue() const;
    void openCalendar();
    void openTimePicker();
    void openCalendarAndTimePicker();
    void placeSideButton(QWidget* button, int left);
    void dropSideButtonClicks();

    TFormatParam valueParam_;
    platform::EditMask editMask_;
    QColor savedColor_;
    QColor savedFontColor_;
    bool dataTypeFixed_ = true;
    bool touched_ = false;
    bool showSeconds_ = false;
    bool showMilliseconds_ = false;
    bool zoomWhenReadOnly_ = false;
    bool noClearWhenReadOnly_ = false;
    bool narrowed_ = false;
    bool applyingMask_ = false;
    bool leavingField_ = false;
    bool dragPending_ = false;
    QPoint dragStart_;
    QMetaObject::Connection toolClick_;
    QMetaObject::Connection clearClick_;
    ZoomHandler onZoom_;
    DragOverHandler onDragOver_;
    DragDropHandler onDragDrop_;
};

// The typed edit with its data type published.
class TTypedEdit : public TCustomTypedEdit {
    Q_OBJECT
public:
    using TCustomTypedEdit::dataType;
    using TCustomTypedEdit::dataTypeFixed;
    using TCustomTypedEdit::setDataType;
    using TCustomTypedEdit::setDataTypeFixed;
    using TCustomTypedEdit::TCustomTypedEdit;
};

} // namespace entry

#pragma once

#include "db/FieldDataLink.h"
#include "platform/MaskEdit.h"

#include <functional>

namespace db {
class DataSource;
class Field;
} // namespace db

namespace controls {

// True when the field takes the character as typed input: digits and signs for
// integers, also the decimal separator and the exponent for floats and currencies;
// every character for the other types.
bool fieldAcceptsCharacter(const db::Field& field, QChar character);

// A masked single-line edit bound to one field of a data set.
//
// It is read-only until its link edits: the first change (a typed character,
// Backspace, Delete, paste or cut) puts the data set into edit state, and the text goes
// into the field when the record is updated (on leaving the edit, or when the record is
// posted). A character the field does not accept is dropped with the system beep;
// Escape shows the field's value again and selects it. While the edit does not have the
// focus, a right-aligned or centred field is shown in its alignment; with the focus the
// edit shows the field's plain edit text.
//
// Published, besides Qt's own (font, colour, enabled, visible, tab order, hint):
// AutoSelect [true], AutoSize [true], BorderStyle [single] (hasFrame), CharCase [normal],
// DataField, DataSource, MaxLength [0], PasswordChar [none], ReadOnly [false] (the
// link's: fieldReadOnly), OnChange, OnEnter, OnExit, OnKeyPress.
class TPDBEdit : public platform::TMaskEdit {
    Q_OBJECT
    Q_CLASSINFO("ComponentKind", "data-bound edit")
public:
    enum class CharCase { Normal, UpperCase, LowerCase };

    explicit TPDBEdit(QWidget* parent = nullptr);
    ~TPDBEdit() override;

    db::DataSource* dataSource() const;
    // Links the edit to the data source; a source destroyed later unlinks itself.
    void setDataSource(db::DataSource* source);
    QString dataField() const;
    void setDataField(const QString& fieldName);
    // The field shown; null while the data set is closed or has no such field.
    db::Field* field() const;
    // ReadOnly: the field is never changed through this edit.
    bool fieldReadOnly() const;
    void setFieldReadOnly(bool readOnly);

    // Alignment of the bound field's text; left without a field.
    Qt::Alignment fieldAlignment() const { return fieldAlignment_; }
    bool isFocused() const { return focused_; }
    // The margin of the text that the edit paints itself: the smaller of the heights of
    // the system font and of the edit's font, divided by 4.
    int textMargin() const { return textMargin_; }

    bool autoSelect() const { return autoSelect_; }
    void setAutoSelect(bool on) { autoSelect_ = on; }
    CharCase charCase() const { return charCase_; }
    void setCharCase(CharCase charCase) { charCase_ = charCase; }
    // The character shown in place of every character of the text; none when null.
    QChar passwordChar() const { return passwordChar_; }
    void setPasswordChar(QChar character);

    // Design mode: without a field the edit shows its own name instead of nothing.
    bool designing() const { return designing_; }
    void setDesigning(bool on);

    // Puts the link into edit state and answers whether the text may change now. This and
    // the clipboard operations below raise what putting the data set into edit state
    // raises (typed keys and the menu's items show that error in the error display).
    bool editCanModify();
    // Shows the field's value again and selects all text.
    void reset();
    // Clipboard operations that first put the link into edit state.
    void pasteIntoField();
    void cutFromField();

    // Shows the field (or its absence) in the edit: text, mask, maximum length and
    // alignment. The link calls it whenever the field's value or the record changes.
    virtual void DataChange();

    // Asked for each typed character; a handler that sets it to null drops it.
    std::function<void(QChar& key)> OnKeyPress;

Q_SIGNALS:
    // Notifications. A handler that may raise is connected through platform::guarded.
    void OnChange(); // the text changed, typed or shown
    void OnEnter();  // the edit got the focus
    void OnExit();   // the edit gave the focus away after its text went into the field

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void showField();
    void editingChanged();
    void updateFieldFromText();
    void textWasChanged();
    void setFocused(bool focused);
    void showText(const QString& text);
    void computeTextMargin();
    bool paintsItself() const;
    QString paintedText() const;
    bool dropsCharacter(QKeyEvent* event);
    static bool startsEditing(const QKeyEvent* event);
    bool handleExitUpdate();

    // The edit's link: tells the edit of the field's changes.
    class Link : public db::FieldDataLink {
    public:
        explicit Link(TPDBEdit& edit) : edit_(edit) {}

    protected:
        void fieldDataChange() override { edit_.DataChange(); }
        void fieldEditingChange() override { edit_.editingChanged(); }
        void writeFieldData() override { edit_.updateFieldFromText(); }

    private:
        TPDBEdit& edit_;
    };

    Link link_{*this};
    Qt::Alignment fieldAlignment_ = Qt::AlignLeft;
    bool focused_ = false;
    int textMargin_ = 0;
    bool autoSelect_ = true;
    CharCase charCase_ = CharCase::Normal;
    QChar passwordChar_;
    bool designing_ = false;
    bool loading_ = false;
};

} // namespace controls

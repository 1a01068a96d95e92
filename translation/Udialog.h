#pragma once

#include "platform/ControlLook.h"
#include "translation/uColorForm.h"

#include <QEvent>
#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace translation {

class TQorPrevod;

// The notification a translatable form sends to the application object after it has
// been shown; the event carries the form. Nothing in the program handles it.
inline constexpr QEvent::Type FormShownEvent = static_cast<QEvent::Type>(QEvent::User + 0x0471);

// Sent to the application object by a translatable form that has been shown.
class TFormShownEvent : public QEvent {
public:
    explicit TFormShownEvent(QWidget* form) : QEvent(FormShownEvent), form_(form) {}
    QWidget* form() const { return form_; }

private:
    QWidget* form_;
};

// A form that translates itself: its construction (after the layout and the colour pass)
// creates the form's translation engine as the form's last component, and the engine
// walks the form. On activation the active control is entered again; after showing, the
// application is told.
class TTranslatable : public TQorColorForm {
    Q_OBJECT
public:
    explicit TTranslatable(QWidget* parent = nullptr);
    ~TTranslatable() override;

    // The form's engine; none before AfterConstruction.
    TQorPrevod* Prevod() const;

protected:
    // The colour pass, then the engine.
    void CreateForm() override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TQorPrevod* prevod_ = nullptr; // owned by the form
};

// A translatable form that takes its pixel density from the screen and detaches the
// shared standard buttons before it is destroyed, so that they are not destroyed with it.
class TWForm : public TTranslatable {
    Q_OBJECT
public:
    explicit TWForm(QWidget* parent = nullptr);
    ~TWForm() override;

    // The logical pixel density of the form's screen, taken at construction.
    int PixelsPerInch() const { return pixelsPerInch_; }

protected:
    void CreateForm() override;

private:
    int pixelsPerInch_ = 96;
};

// A modal translatable dialog whose native window is released whenever it is hidden and
// built again when it is shown.
class TDialog : public TWForm {
    Q_OBJECT
public:
    explicit TDialog(QWidget* parent = nullptr);
    ~TDialog() override;

    void setVisible(bool visible) override;
};

// Translates the texts of one component with a lookup of its engine: the walk of a form
// makes one for each component it owns. The first matching kind decides which texts are
// looked up and under which names (the component's name; name + "_Hint" for a hint;
// name + "_" + i for item i of a radio group); Tag 1 keeps labels, buttons, bitmap
// buttons, check boxes, radio buttons, radio groups and panels out. In write mode the
// control is highlighted while its lookup runs.
class TPrevodInterface {
public:
    // The engine's lookup: the text under the name, given the source text; the result
    // is written into the last argument.
    using Lookup = std::function<void(const QString& name, const QString& source, QString& result)>;

    void Bind(Lookup lookup, TQorPrevod* engine);
    void SetWriteMode(bool on);
    bool WriteMode() const { return writeMode_; }
    TQorPrevod* Engine() const { return engine_; }

    // Raises what the lookup raises.
    void TranslateComponent(QObject* component);

private:
    enum class Highlight { None, FontColour, ColourAndFontColour };
    class HighlightScope {
    public:
        HighlightScope(QWidget* control, Highlight highlight);
        ~HighlightScope();
        HighlightScope(const HighlightScope&) = delete;
        HighlightScope& operator=(const HighlightScope&) = delete;

    private:
        QWidget* control_;
        platform::SavedLook saved_;
    };

    void translateMenuItem(QObject* item);
    void translateCaption(QObject* component, Highlight highlight);
    void translateButton(QObject* button, bool emptyCaptionToo);
    void translateRadioGroup(QObject* group);
    QString lookUp(const QString& name, const QString& source) const;

    Lookup lookup_;
    TQorPrevod* engine_ = nullptr;
    bool writeMode_ = false;
};

} // namespace translation

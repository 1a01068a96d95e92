#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>
#include <memory>
#include <utility>

namespace translation {

// The colour-scheme switches of the workstation, file "NewLook.ini" beside the program,
// section "QOR". NEWLOOK runs the colour pass when a colour form is created; USECOLORS
// lets the pass apply colours, fonts and the focus colouring.
struct NewLookSettings {
    bool newLook = true;
    bool useColors = true;
};

// Reads the switches once; the entry point calls it at start-up, before the first form.
// A missing file gives the defaults. The overload with a path serves tests.
void InitNewLook();
void InitNewLook(const QString& path);
const NewLookSettings& newLookSettings();
// Replaces the switches (tests, and a program that sets them without the file).
void setNewLookSettings(const NewLookSettings& settings);

// The three process-wide fonts of the scheme, made on first use and shared by all forms:
// edit-like controls; the form, labels, check boxes, radio buttons and buttons; grids.
const QFont& EditFont();
const QFont& FormFont();
const QFont& GridFont();

// The colours of the scheme.
namespace scheme {
inline const QColor FormBackground{0xDB, 0xDB, 0xDB};
inline const QColor FormText{0, 0, 0};
inline const QColor EditBackground{0xFF, 0xFF, 0xFF};
inline const QColor EditText{0, 0, 0};
// Red 255, green 255, blue 193: the background of an edit holding the focus.
inline const QColor FocusBackground{0xFF, 0xFF, 0xC1};
inline const QColor FocusText{0, 0, 0};
} // namespace scheme

// Tags that a form's constructor gives a control to keep the look it set itself: a
// control with KeepOwnLook keeps its colours and font (it still gets the focus
// colouring when it is editable); a panel with KeepOwnPanelColour keeps its colour, and
// its font as any panel whose Tag is not 0.
inline constexpr int KeepOwnLook = 100;
inline constexpr int KeepOwnPanelColour = -2;

// Runs the colour pass on a form or frame and every component it owns: form colours,
// then the control treatment of each component (colours, fonts, focus colouring), and
// sets the component's Tag to 1. Does nothing to colours and fonts while USECOLORS is
// off.
void ColorPass(QWidget* component);

// The focus colouring that the pass gives editable controls without entry or exit
// handlers of their own: on entry the focus background, on exit white; black text.
void EntryColouring(QWidget* control);
void ExitColouring(QWidget* control);

// The base of every translatable form. A form builds its components in its constructor
// (what the platform loads as the stored layout). AfterConstruction, run once when the
// constructors have finished, completes the construction in this order: the form's
// creation handler FormCreate (the texts it sets are part of the layout), then the
// creation steps of the class tree (here the colour pass when NEWLOOK is on; the
// translatable forms then create their translation engine, which walks the form). So the
// walk sees, and translates, the texts that the constructor and FormCreate set.
// create() builds a form and runs AfterConstruction.
class TQorColorForm : public QDialog {
    Q_OBJECT
public:
    explicit TQorColorForm(QWidget* parent = nullptr);
    ~TQorColorForm() override;

    // Builds a form of class Form and finishes its construction.
    template <class Form, class... Args> static std::unique_ptr<Form> create(Args&&... args) {
        auto form = std::make_unique<Form>(std::forward<Args>(args)...);
        form->AfterConstruction();
        return form;
    }

    // The end of construction; later calls do nothing.
    void AfterConstruction();
    bool Constructed() const { return constructed_; }

    // The form's Tag: the colour pass leaves 1, the translation walk -1 (see the
    // component model).
    int Tag() const;
    void setTag(int tag);

protected:
    // The creation steps of the class tree; an override runs the base's steps first.
    virtual void CreateForm();
    // The creation handler: runs before the creation steps, so before the colour pass and
    // the translation walk.
    virtual void FormCreate() {}

private:
    bool constructed_ = false;
};

} // namespace translation

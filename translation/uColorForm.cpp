#include "translation/uColorForm.h"

#include "platform/Files.h"
#include "platform/ProfileFile.h"

#include <QPalette>

namespace translation {

namespace {

NewLookSettings& settingsStore() {
    static NewLookSettings settings;
    return settings;
}

QFont schemeFont(int points) {
    QFont font(QStringLiteral("Tahoma"), points);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

void setColours(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), background);
    palette.setColor(widget->foregroundRole(), text);
    widget->setPalette(palette);
}

void applyFormColours(TQorColorForm* form) {
    if (!newLookSettings().useColors || form->Tag() >= 100)
        return;
    form->setFont(FormFont());
    if (form->Tag() == 2)
        setColours(form, scheme::FormText, scheme::FormBackground);
    else
        setColours(form, scheme::FormBackground, scheme::FormText);
}

} // namespace

void InitNewLook() {
    InitNewLook(platform::executableFolder() + QStringLiteral("NewLook.ini"));
}

void InitNewLook(const QString& path) {
    const platform::ProfileFile file(path);
    NewLookSettings settings;
    settings.newLook = file.readBool(QStringLiteral("QOR"), QStringLiteral("NEWLOOK"), true);
    settings.useColors = file.readBool(QStringLiteral("QOR"), QStringLiteral("USECOLORS"), true);
    settingsStore() = settings;
}

const NewLookSettings& newLookSettings() {
    return settingsStore();
}

void setNewLookSettings(const NewLookSettings& settings) {
    settingsStore() = settings;
}

const QFont& EditFont() {
    static const QFont font = schemeFont(8);
    return font;
}

const QFont& FormFont() {
    static const QFont font = schemeFont(8);
    return font;
}

const QFont& GridFont() {
    static const QFont font = schemeFont(9);
    return font;
}

void ColorPass(QWidget* component) {
    if (auto* form = qobject_cast<TQorColorForm*>(component)) {
        applyFormColours(form);
        form->setTag(1);
    }
}

void EntryColouring(QWidget* control) {
    setColours(control, scheme::FocusBackground, scheme::FocusText);
}

void ExitColouring(QWidget* control) {
    setColours(control, scheme::EditBackground, scheme::EditText);
}

TQorColorForm::TQorColorForm(QWidget* parent) : QDialog(parent) {}

TQorColorForm::~TQorColorForm() = default;

void TQorColorForm::AfterConstruction() {
    if (constructed_)
        return;
    constructed_ = true;
    CreateForm();
    FormCreate();
}

int TQorColorForm::Tag() const {
    return tag_;
}

void TQorColorForm::setTag(int tag) {
    tag_ = tag;
}

void TQorColorForm::CreateForm() {
    if (newLookSettings().newLook)
        ColorPass(this);
}

} // namespace translation

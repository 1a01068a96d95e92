// The actions that open the pop-up tools from the typed edits of the page "Typed edits",
// as the tool button does, for the pictures in docs/: "calendar", "calculator",
// "time-picker", "keyboard".
#include "entry/UTypedEd.h"
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/DateTime.h"

#include <QTimer>

namespace {

entry::TTypedEdit* focusedField(gallery::GalleryContext& context, const char* name) {
    context.window.showPage(QStringLiteral("Typed edits"));
    context.window.activateWindow();
    auto* edit = context.window.findChild<entry::TTypedEdit*>(QLatin1String(name));
    if (edit)
        edit->setFocus();
    return edit;
}

// Opens the field's tool once the event loop runs, so that the action returns first.
void openToolOf(entry::TTypedEdit* edit) {
    if (edit)
        QTimer::singleShot(0, edit, platform::guarded([edit] { edit->OpenTool(false); }));
}

void openCalendar(gallery::GalleryContext& context) {
    entry::TTypedEdit* edit = focusedField(context, "pteDate");
    if (edit)
        edit->SetDateValue(platform::encodeDate(2021, 6, 15));
    openToolOf(edit);
}

void openCalculator(gallery::GalleryContext& context) {
    entry::TTypedEdit* edit = focusedField(context, "pteFloat");
    if (edit)
        edit->SetFloatValue(1234.5);
    openToolOf(edit);
}

void openTimePicker(gallery::GalleryContext& context) {
    entry::TTypedEdit* edit = focusedField(context, "pteTime");
    if (edit)
        edit->SetDateTimeValue(platform::encodeTime(14, 35, 20, 250));
    openToolOf(edit);
}

void openKeyboard(gallery::GalleryContext& context) {
    entry::TTypedEdit* edit = focusedField(context, "pteString");
    if (edit)
        edit->SetTextValue(QStringLiteral("ABC"));
    openToolOf(edit);
}

const bool registered = gallery::registerAction({QStringLiteral("calendar"), &openCalendar}) &&
                        gallery::registerAction({QStringLiteral("calculator"), &openCalculator}) &&
                        gallery::registerAction({QStringLiteral("time-picker"), &openTimePicker}) &&
                        gallery::registerAction({QStringLiteral("keyboard"), &openKeyboard});

} // namespace

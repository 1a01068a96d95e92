// The page "Typed edits": one typed edit of each data type.
#include "db/Field.h"
#include "entry/UTypedEd.h"
#include "gallery/Gallery.h"
#include "platform/Components.h"

#include <QGridLayout>
#include <QTimer>

namespace {

struct TypedEditSample {
    const char* caption;
    const char* name;
    db::FieldType type;
};

const TypedEditSample kSamples[] = {
    {"String", "pteString", db::FieldType::String},
    {"Float", "pteFloat", db::FieldType::Float},
    {"Date", "pteDate", db::FieldType::Date},
    {"Time", "pteTime", db::FieldType::Time},
    {"Date-time", "pteDateTime", db::FieldType::DateTime},
};

entry::TTypedEdit* typedEdit(QWidget* page, const TypedEditSample& sample) {
    auto* edit = new entry::TTypedEdit(page);
    platform::setComponentName(edit, QLatin1String(sample.name));
    edit->setDataType(sample.type);
    edit->setDataTypeFixed(true);
    edit->setMinimumWidth(180);
    return edit;
}

QWidget* buildTypedEditsPage(gallery::GalleryContext&) {
    auto* page = new QWidget;
    QGridLayout* grid = gallery::formGrid(page);
    for (const TypedEditSample& sample : kSamples) {
        entry::TTypedEdit* edit = typedEdit(page, sample);
        gallery::addRow(grid, QLatin1String(sample.caption), edit);
        edit->Loaded();
    }
    return page;
}

const bool registered =
    gallery::registerPage({QStringLiteral("Typed edits"), 10, &buildTypedEditsPage});

} // namespace

namespace {

// The page with the focus in the date field, which then shows its side buttons. The
// focus moves once the window is active, as a Tab would move it.
void focusDateEdit(gallery::GalleryContext& context) {
    context.window.showPage(QStringLiteral("Typed edits"));
    context.window.activateWindow();
    QWidget* string = context.window.findChild<QWidget*>(QStringLiteral("pteString"));
    QWidget* date = context.window.findChild<QWidget*>(QStringLiteral("pteDate"));
    if (!string || !date)
        return;
    QTimer::singleShot(300, date, [string, date] {
        string->setFocus(Qt::TabFocusReason);
        date->setFocus(Qt::TabFocusReason);
    });
}

const bool actionRegistered =
    gallery::registerAction({QStringLiteral("typed-edit-focus"), &focusDateEdit});

} // namespace

#pragma once

#include "platform/Components.h"

#include <QLatin1String>
#include <QObject>
#include <QString>
#include <QtGlobal>

// A control or action of a form, found by its component name as the translation walk
// and assistive tools find it. A form keeps its parts private; tests reach them this way.
// A missing part, or one of another kind, ends the test run with its name.
template <typename Part> Part* formPart(const QObject& form, const QString& name) {
    auto* part = qobject_cast<Part*>(platform::findComponent(&form, name));
    if (!part)
        qFatal("The form %s has no part %s of the expected kind", qPrintable(form.objectName()),
               qPrintable(name));
    return part;
}

template <typename Part> Part* formPart(const QObject& form, const char* name) {
    return formPart<Part>(form, QString(QLatin1String(name)));
}

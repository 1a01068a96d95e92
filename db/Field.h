#pragma once

#include "platform/DateTime.h"

#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>

namespace db {

class DataSet;

// The data layer's field-type codes.
enum class FieldType {
    Unknown = 0,
    String = 1,
    SmallInt = 2,
    Integer = 3,
    Word = 4,
    Boolean = 5,
    Float = 6,
    Currency = 7,
    Date = 9,
    Time = 10,
    DateTime = 11,
    Memo = 16,
};

bool isTextType(FieldType type);
bool isIntegerType(FieldType type);
bool isNumericType(FieldType type); // integers, Float, Currency
bool isDateType(FieldType type);    // Date, Time, DateTime

enum class FieldKind { Data, Calculated, Lookup };

// Converts a value to the representation a field or parameter of the type keeps:
// texts as QString, integers as qint64, Float and Currency as double, Boolean as
// bool, Date, Time and DateTime as a TDateTime double, null as an invalid QVariant.
// ISO texts ("YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS") and QDate/QDateTime convert to
// dates. Raises platform::VariantError when the value does not fit the type.
QVariant normalizeValue(FieldType type, const QVariant& value);

// Reading a value of the type in another representation. Null reads as empty text,
// zero and false. Texts are read under the process's format settings (ISO date texts
// too); a text that does not convert raises platform::ConvertError.
QString valueToText(FieldType type, const QVariant& value); // Float: general form
double valueToFloat(FieldType type, const QVariant& value);
qint64 valueToInteger(FieldType type, const QVariant& value);
platform::TDateTime valueToDateTime(FieldType type, const QVariant& value);
bool valueToBoolean(FieldType type, const QVariant& value);

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS" (also with 'T' and fractions of a second).
bool parseIsoDateTime(const QString& text, platform::TDateTime& result);
// "YYYY-MM-DD" when the time of day is zero, "YYYY-MM-DD HH:MM:SS" otherwise.
QString isoDateTimeText(platform::TDateTime value);

// One column of a data set. Values are those of the data set's current record
// (or, with the *Of/At forms, of a given value or buffered row).
class Field {
public:
    Field(DataSet& owner, QString name, FieldType type, FieldKind kind, int size);

    DataSet& dataSet() const { return owner_; }
    const QString& fieldName() const { return name_; }
    FieldType dataType() const { return type_; }
    FieldKind kind() const { return kind_; }
    bool isCalculated() const { return kind_ == FieldKind::Calculated; }
    bool isLookup() const { return kind_ == FieldKind::Lookup; }
    int index() const { return index_; } // position in the data set's field list

    // Presentation.
    QString displayLabel() const; // the field name when not set
    void setDisplayLabel(const QString& label) { displayLabel_ = label; }
    int displayWidth() const; // characters; the size for texts, 10 otherwise, when not set
    void setDisplayWidth(int width) { displayWidth_ = width; }
    int size() const { return size_; }
    void setSize(int size) { size_ = size; }
    const QString& displayFormat() const { return displayFormat_; }
    void setDisplayFormat(const QString& picture) { displayFormat_ = picture; }
    const QString& editMask() const { return editMask_; }
    void setEditMask(const QString& mask) { editMask_ = mask; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    Qt::Alignment alignment() const; // right for numbers, left otherwise, when not set
    void setAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // Display rule: replaces the display text of every value (grid, edits).
    using TextRule = std::function<QString(const QVariant& value)>;
    void setTextRule(TextRule rule) { textRule_ = std::move(rule); }

    // Lookup definition (kind Lookup): the value is lookupResultField of the row of
    // lookupDataSet whose lookupKeyFields equal this data set's keyFields. The lookup
    // data set may be destroyed first: the field then reads as null.
    QString keyFields;
    QPointer<DataSet> lookupDataSet;
    QString lookupKeyFields;
    QString lookupResultField;

    // Current record.
    QVariant value() const;
    bool isNull() const;
    QString asString() const;               // null: empty; Float: general form, 15 digits
    double asFloat() const;                 // null: 0
    qint64 asInteger() const;               // null: 0
    platform::TDateTime asDateTime() const; // null: 0
    bool asBoolean() const;
    QString displayText() const; // through the display rule or the display format

    void setValue(const QVariant& value);  // normalised to the field's type
    void setAsString(const QString& text); // an empty text clears the field (null)
    void setAsFloat(double value);
    void setAsInteger(qint64 value);
    void setAsDateTime(platform::TDateTime value);
    void clear(); // null

    // The same rules for any value of this field (grid rows, display).
    QString textOf(const QVariant& value) const;
    QString displayTextOf(const QVariant& value) const;

private:
    friend class DataSet;
    DataSet& owner_;
    QString name_;
    FieldType type_;
    FieldKind kind_;
    int size_;
    int index_ = -1;
    QString displayLabel_;
    int displayWidth_ = 0;
    QString displayFormat_;
    QString editMask_;
    bool visible_ = true;
    Qt::Alignment alignment_{};
    bool readOnly_ = false;
    TextRule textRule_;
};

} // namespace db

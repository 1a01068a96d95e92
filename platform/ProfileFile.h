#pragma once

#include "platform/DateTime.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace platform {

// A Windows private-profile (INI) file. Sections and keys match without regard to
// letter case; values are trimmed; a missing key gives the default; an integer that
// does not parse gives the default. The file is read as UTF-8, as UTF-16 after its
// byte-order mark, or as Windows-1250 when it is not valid UTF-8 (platform::decodeText),
// and written as UTF-8. A missing file reads as empty and
// is created on the first write. Every write is saved at once, whole or not at all, and
// starts from the file as it is on disk, so that other writers' keys are kept. Comments
// (lines starting with ';') and lines before the first section are kept. Line breaks in
// written names and values become blanks, so that a value cannot add lines of its own.
// A value enclosed in double or single quotes is read without them (and one written so
// gets another pair). Writing refuses, with InOutError, names that would read back as
// something else: an empty name, a section with ']', a key with '=' or starting with ';'
// or '['.
class ProfileFile {
public:
    explicit ProfileFile(QString path);

    const QString& path() const { return path_; }
    bool exists() const;

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    TDateTime readDateTime(const QString& section, const QString& key,
                           TDateTime defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    // Several values with one save of the file; a value the file holds already changes
    // nothing, and the file is not written when none changes. Raises as writeString,
    // before anything is written.
    struct Value {
        QString section;
        QString key;
        QString value;
    };
    void writeStrings(const std::vector<Value>& values);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeDateTime(const QString& section, const QString& key, TDateTime value);

    QStringList sections() const;                            // file order
    QStringList keys(const QString& section) const;          // file order
    QStringList sectionValues(const QString& section) const; // "key=value" lines, file order
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;

    void deleteKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);

    // Re-reads the file (another program may have changed it).
    void reload();

private:
    // A line of a section: a key and its value, or (with an empty key) a comment or
    // other line that is kept as it stands when the file is written again.
    struct Entry {
        QString key;
        QString value;
        QString verbatim;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };
    struct Content {
        QStringList preamble; // lines before the first section, kept as they stand
        std::vector<Section> sections;
        bool crlf = false;
    };
    struct Stamp {
        bool exists = false;
        qint64 size = 0;
        qint64 modified = 0;
        bool operator==(const Stamp&) const = default;
    };

    const Section* findSection(const QString& name) const;
    void load() const;
    // Reads the file again when it changed on disk since it was last read or written.
    void refresh() const;
    // Applies a change to the file as it is on disk now and saves the result; the
    // object changes only when the file was written.
    template <class Change> void update(Change change);
    Stamp currentStamp() const;

    QString path_;
    mutable Content content_;
    mutable Stamp stamp_;
};

} // namespace platform

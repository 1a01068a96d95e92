#pragma once

#include "platform/DateTime.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace platform {

// A Windows private-profile (INI) file. Sections and keys match without regard to
// letter case; values are trimmed; a missing key gives the default; an integer that
// does not parse gives the default. The file is read as UTF-8, or as Windows-1250
// when it is not valid UTF-8, and written as UTF-8. A missing file reads as empty and
// is created on the first write. Every write is saved at once, whole or not at all.
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
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeDateTime(const QString& section, const QString& key, TDateTime value);

    QStringList sections() const;                       // file order
    QStringList keys(const QString& section) const;     // file order
    QStringList sectionValues(const QString& section) const; // "key=value" lines, file order
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;

    void deleteKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);

    // Re-reads the file (another program may have changed it).
    void reload();

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };
    const Section* findSection(const QString& name) const;
    Section& sectionForWrite(const QString& name);
    void save() const;

    QString path_;
    std::vector<Section> sections_;
};

} // namespace platform

#include "platform/ProfileFile.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Pictures.h"
#include "platform/TextDecoding.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace platform {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString singleLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.trimmed();
}

QString withoutEnclosingQuotes(const QString& value) {
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// A name that would read back as something else (another key, a comment, a new
// section) raises InOutError.
void checkNames(const QString& section, const QString& key) {
    if (section.isEmpty() || section.contains(QLatin1Char(']')))
        throw InOutError(
            QStringLiteral("Invalid section name for a profile file: '%1'").arg(section));
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char(';')) ||
        key.startsWith(QLatin1Char('[')))
        throw InOutError(QStringLiteral("Invalid key name for a profile file: '%1'").arg(key));
}

// The value as written: one that is itself enclosed in quotes gets another pair, which
// reading takes off again.
QString writtenValue(const QString& value) {
    return withoutEnclosingQuotes(value) != value ? u'"' + value + u'"' : value;
}

template <class Sections> auto findSectionIn(Sections& sections, const QString& name) {
    return std::find_if(sections.begin(), sections.end(),
                        [&](const auto& section) { return sameName(section.name, name); });
}

template <class Entries> auto findKeyIn(Entries& entries, const QString& key) {
    return std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
        return !entry.key.isEmpty() && sameName(entry.key, key);
    });
}

} // namespace

ProfileFile::ProfileFile(QString path) : path_(std::move(path)) {
    reload();
}

bool ProfileFile::exists() const {
    return fileExists(path_);
}

ProfileFile::Stamp ProfileFile::currentStamp() const {
    const QFileInfo info(path_);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified().toMSecsSinceEpoch()};
}

void ProfileFile::reload() {
    load();
}

void ProfileFile::load() const {
    content_ = {};
    stamp_ = currentStamp();
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    content_.crlf = bytes.contains("\r\n");
    const QStringList lines = decodeText(bytes).split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.endsWith(QLatin1Char('\r')) ? rawLine.chopped(1) : rawLine;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            content_.sections.push_back({trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed(), {}});
        } else if (content_.sections.empty()) {
            content_.preamble << line;
        } else {
            const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
            auto& entries = content_.sections.back().entries;
            if (trimmed.startsWith(QLatin1Char(';')) || equals <= 0)
                entries.push_back({{}, {}, line});
            else
                entries.push_back(
                    {trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed(), {}});
        }
    }
}

void ProfileFile::refresh() const {
    if (currentStamp() != stamp_)
        load();
}

const ProfileFile::Section* ProfileFile::findSection(const QString& name) const {
    refresh();
    const auto found = findSectionIn(content_.sections, name);
    return found == content_.sections.end() ? nullptr : &*found;
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const Section* found = findSection(section);
    if (!found)
        return defaultValue;
    const auto entry = findKeyIn(found->entries, key);
    return entry == found->entries.end() ? defaultValue : withoutEnclosingQuotes(entry->value);
}

int ProfileFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    bool ok = false;
    const int value = readString(section, key).trimmed().toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TDateTime ProfileFile::readDateTime(const QString& section, const QString& key,
                                    TDateTime defaultValue) const {
    TDateTime value = 0;
    const QString text = readString(section, key);
    return !text.isEmpty() && tryStrToDateTime(text, value) ? value : defaultValue;
}

template <class Change> void ProfileFile::update(Change change) {
    reload();
    Content updated = content_;
    if (!change(updated))
        return;
    QString text;
    const QString lineEnd = updated.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    for (const QString& line : updated.preamble)
        text += line + lineEnd;
    for (const Section& section : updated.sections) {
        if (!text.isEmpty())
            text += lineEnd;
        text += QLatin1Char('[') + section.name + QLatin1Char(']') + lineEnd;
        for (const Entry& entry : section.entries)
            text += (entry.key.isEmpty() ? entry.verbatim
                                         : entry.key + QLatin1Char('=') + entry.value) +
                    lineEnd;
    }
    writeFileAtomically(path_, text.toUtf8());
    content_ = std::move(updated);
    stamp_ = currentStamp();
}

namespace {

// Puts the value under the key; false when the key holds that value already.
template <class Sections, class Entry>
bool putValue(Sections& sections, const QString& sectionName, const QString& keyName,
              const QString& text) {
    auto found = findSectionIn(sections, sectionName);
    if (found == sections.end()) {
        sections.push_back({sectionName, {}});
        found = std::prev(sections.end());
    }
    auto& entries = found->entries;
    const auto entry = findKeyIn(entries, keyName);
    if (entry != entries.end()) {
        if (entry->value == text)
            return false;
        entry->value = text;
        return true;
    }
    // A new key goes after the last key of the section, ahead of trailing comments.
    const auto lastKey = std::find_if(entries.rbegin(), entries.rend(),
                                      [](const Entry& e) { return !e.key.isEmpty(); });
    entries.insert(lastKey.base(), Entry{keyName, text, {}});
    return true;
}

} // namespace

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    writeStrings({{section, key, value}});
}

void ProfileFile::writeStrings(const std::vector<Value>& values) {
    std::vector<Value> written;
    written.reserve(values.size());
    for (const Value& value : values) {
        Value line{singleLine(value.section), singleLine(value.key), {}};
        checkNames(line.section, line.key);
        line.value = writtenValue(singleLine(value.value));
        written.push_back(std::move(line));
    }
    update([&](Content& content) {
        bool changed = false;
        for (const Value& value : written)
            changed |= putValue<std::vector<Section>, Entry>(content.sections, value.section,
                                                             value.key, value.value);
        return changed;
    });
}

void ProfileFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void ProfileFile::writeDateTime(const QString& section, const QString& key, TDateTime value) {
    writeString(section, key, dateTimeToStr(value));
}

QStringList ProfileFile::sections() const {
    refresh();
    QStringList names;
    for (const Section& section : content_.sections) {
        if (!names.contains(section.name, Qt::CaseInsensitive))
            names << section.name;
    }
    return names;
}

QStringList ProfileFile::keys(const QString& section) const {
    QStringList names;
    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries) {
            if (!entry.key.isEmpty() && !names.contains(entry.key, Qt::CaseInsensitive))
                names << entry.key;
        }
    }
    return names;
}

QStringList ProfileFile::sectionValues(const QString& section) const {
    QStringList lines;
    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries) {
            if (!entry.key.isEmpty())
                lines << entry.key + QLatin1Char('=') + entry.value;
        }
    }
    return lines;
}

bool ProfileFile::sectionExists(const QString& section) const {
    return findSection(section) != nullptr;
}

bool ProfileFile::valueExists(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    return found && findKeyIn(found->entries, key) != found->entries.end();
}

void ProfileFile::deleteKey(const QString& section, const QString& key) {
    update([&](Content& content) {
        bool removed = false;
        for (Section& candidate : content.sections) {
            if (!sameName(candidate.name, section))
                continue;
            removed |= std::erase_if(candidate.entries, [&](const Entry& entry) {
                           return !entry.key.isEmpty() && sameName(entry.key, key);
                       }) > 0;
        }
        return removed;
    });
}

void ProfileFile::eraseSection(const QString& section) {
    update([&](Content& content) {
        return std::erase_if(content.sections, [&](const Section& candidate) {
                   return sameName(candidate.name, section);
               }) > 0;
    });
}

} // namespace platform

#pragma once

#include <QCryptographicHash>
#include <QSaveFile>
#include <QString>

namespace platform {

// Folders are returned with a trailing '/'.
QString executablePath();
QString executableFolder();
// Stands for "C:\Temp\" and "C:\".
QString temporaryFolder();
// The user's "WIN.INI" (in the user's configuration folder).
QString winIniPath();

bool fileExists(const QString& path);
bool folderExists(const QString& path);
// Makes the folder and any missing parents; true when the folder exists afterwards.
bool createFolder(const QString& path);
// Copies unless the target exists; false when nothing was copied.
bool copyFileNoOverwrite(const QString& source, const QString& target);
bool renameFile(const QString& from, const QString& to);
bool deleteFile(const QString& path);
// Raises InOutError when the folder cannot be made current.
void setCurrentFolder(const QString& path);
QString currentFolder();
QString computerName();
quint64 tickCount();                                     // milliseconds since an arbitrary start
QString includeTrailingSeparator(const QString& folder); // "" stays ""
QString fileNameOf(const QString& path);
QString folderOf(const QString& path);                                  // with trailing '/'
QString changeExtension(const QString& path, const QString& extension); // ".bad"

// A file written piece by piece that appears whole or not at all: the pieces go to a
// temporary file in the same folder, which commit() renames to the path once every
// byte has been written out and synced to the disk (a disk that fills up on the last
// buffered write fails the commit, and the path keeps its old file). Destroyed
// without a commit (an error on the way), the writer leaves the path as it was and no
// temporary file behind. Every error raises InOutError with the system's reason.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString& path);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const char* data, qsizetype size);
    void write(const QByteArray& data) { write(data.constData(), data.size()); }
    // Puts the file in place; nothing may be written afterwards.
    void commit();
    const QString& path() const { return path_; }

private:
    [[noreturn]] void fail();
    [[noreturn]] void fail(const QString& reason);

    QString path_;
    QSaveFile file_;
};

// The length and SHA-1 digest of a text: two texts with the same fingerprint are taken
// to be the same bytes (a check against truncation and damage, not against forgery).
struct ContentFingerprint {
    qint64 size = 0;
    QByteArray digest;
    bool operator==(const ContentFingerprint&) const = default;
};

// Takes a text piece by piece, for its fingerprint.
class FingerprintBuilder {
public:
    void add(const char* data, qsizetype size);
    void add(const QByteArray& data) { add(data.constData(), data.size()); }
    ContentFingerprint result() const;

private:
    QCryptographicHash hash_{QCryptographicHash::Sha1};
    qint64 size_ = 0;
};

// Writes the file so that it appears whole or not at all (an AtomicFileWriter).
// Raises InOutError with the system's reason.
void writeFileAtomically(const QString& path, const QByteArray& content);
// Appends one line (text + CR LF) and closes the file; raises InOutError.
void appendLine(const QString& path, const QString& line);

} // namespace platform

#include "platform/Files.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <chrono>

#include <cerrno>
#include <unistd.h>

namespace platform {

QString executablePath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString executableFolder() {
    if (QCoreApplication::instance())
        return includeTrailingSeparator(QCoreApplication::applicationDirPath());
    return folderOf(executablePath());
}

QString temporaryFolder() {
    return includeTrailingSeparator(QDir::tempPath());
}

QString winIniPath() {
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QStringList existing = folder.entryList({QStringLiteral("win.ini")}, QDir::Files);
    const QString name = existing.isEmpty() ? QStringLiteral("WIN.INI") : existing.first();
    return folder.filePath(name);
}

bool fileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool folderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool createFolder(const QString& path) {
    return !path.isEmpty() && QDir().mkpath(path);
}

bool copyFileNoOverwrite(const QString& source, const QString& target) {
    if (QFileInfo::exists(target))
        return false;
    return QFile::copy(source, target);
}

bool renameFile(const QString& from, const QString& to) {
    return QFile::rename(from, to);
}

bool deleteFile(const QString& path) {
    return fileExists(path) && QFile::remove(path);
}

void setCurrentFolder(const QString& path) {
    if (path.isEmpty() || !QDir::setCurrent(path))
        throw InOutError(QStringLiteral("Cannot change the current folder to \"%1\".").arg(path));
}

QString currentFolder() {
    return includeTrailingSeparator(QDir::currentPath());
}

QString computerName() {
    return QSysInfo::machineHostName();
}

quint64 tickCount() {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return quint64(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

QString includeTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString changeExtension(const QString& path, const QString& extension) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype stemEnd = dot >= nameStart ? dot : path.size();
    return path.left(stemEnd) + extension;
}

AtomicFileWriter::AtomicFileWriter(const QString& path) : path_(path), file_(path) {
    if (!file_.open(QIODevice::WriteOnly))
        fail();
}

void AtomicFileWriter::write(const char* data, qsizetype size) {
    if (file_.write(data, size) != size)
        fail();
}

// QSaveFile writes the last buffered bytes while it commits and renames the file into
// place even when that write fails, so the buffer is flushed first, and the bytes
// synced: a full disk or a failing device then fails here, before the rename.
void AtomicFileWriter::commit() {
    if (!file_.flush())
        fail();
    if (::fsync(file_.handle()) != 0)
        fail(qt_error_string(errno));
    if (!file_.commit())
        fail();
}

void AtomicFileWriter::fail() {
    fail(file_.errorString());
}

void AtomicFileWriter::fail(const QString& reason) {
    throw InOutError(QStringLiteral("Cannot write file \"%1\": %2").arg(path_, reason));
}

void FingerprintBuilder::add(const char* data, qsizetype size) {
    hash_.addData(QByteArrayView(data, size));
    size_ += size;
}

ContentFingerprint FingerprintBuilder::result() const {
    return {size_, hash_.result()};
}

void writeFileAtomically(const QString& path, const QByteArray& content) {
    AtomicFileWriter file(path);
    file.write(content);
    file.commit();
}

void appendLine(const QString& path, const QString& line) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw InOutError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(path, file.errorString()));
    const QByteArray bytes = line.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw InOutError(
            QStringLiteral("Cannot write file \"%1\": %2").arg(path, file.errorString()));
    file.close();
}

} // namespace platform

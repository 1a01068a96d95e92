#pragma once

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

// Writes the file so that it appears whole or not at all: a temporary file in the
// same folder, then a rename. Raises InOutError with the system's reason.
void writeFileAtomically(const QString& path, const QByteArray& content);
// Appends one line (text + CR LF) and closes the file; raises InOutError.
void appendLine(const QString& path, const QString& line);

} // namespace platform

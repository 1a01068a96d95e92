#pragma once

#include <QString>

// The debug log: progress lines of the report flow appended to "Log.txt" in the
// program's folder for written files while the "Debug" switch of ZEV.ini is on. Each line is the
// date-time text, " : " and the message, in UTF-8 with CR LF. The file is opened and
// closed for every line, so another program may read it in between.
class DebugLog {
public:
    // folder: where "Log.txt" lives; where platform::programFile puts it when empty.
    explicit DebugLog(bool on, const QString& folder = {});

    const QString& path() const { return path_; }

    // NapakavLog: appends one line when on; raises InOutError when the file cannot
    // be written.
    void write(const QString& message) const;

private:
    const bool on_;
    const QString path_;
};

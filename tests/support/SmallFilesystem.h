#pragma once

#include <QString>
#include <QTemporaryDir>

// A filesystem of its own for one test, mounted on a new folder: a tmpfs of the given
// size, to be filled up or made read-only, for tests of what the program does on a full
// or read-only disk. Only a process that may mount (root) gets one; mounted() says
// whether it did. Unmounted and removed on destruction.
class SmallFilesystem {
public:
    explicit SmallFilesystem(qint64 bytes);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    QString folder() const; // with a trailing '/'

    // Takes up what is left with the file "filler", so that the next write fails with
    // "No space left on device".
    void fill() const;
    // Mounts it again read-only: every write fails with "Read-only file system", also
    // for root.
    void makeReadOnly() const;

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

#include "SmallFilesystem.h"

#include <QByteArray>
#include <QtTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

SmallFilesystem::SmallFilesystem(qint64 bytes) {
    const QByteArray target = dir_.path().toUtf8();
    const QByteArray options = "size=" + QByteArray::number(bytes);
    mounted_ = ::mount("tmpfs", target.constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallFilesystem::~SmallFilesystem() {
    if (mounted_)
        ::umount2(dir_.path().toUtf8().constData(), MNT_DETACH);
}

QString SmallFilesystem::folder() const {
    return dir_.path() + QLatin1Char('/');
}

void SmallFilesystem::fill() const {
    const QByteArray path = (folder() + QStringLiteral("filler")).toUtf8();
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(file >= 0);
    const QByteArray block(4096, 'f');
    while (::write(file, block.constData(), size_t(block.size())) > 0) {
    }
    // The last partial block, byte by byte.
    while (::write(file, block.constData(), 1) > 0) {
    }
    ::close(file);
}

void SmallFilesystem::makeReadOnly() const {
    const QByteArray target = dir_.path().toUtf8();
    QVERIFY(::mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
}

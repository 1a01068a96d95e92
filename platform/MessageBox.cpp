#include "platform/MessageBox.h"

#include "platform/Errors.h"

#include <QTextStream>
#include <cstdio>
#include <utility>

namespace platform {

namespace {

MessageSink& currentSink() {
    static MessageSink sink;
    return sink;
}

WindowPresenter& presenter() {
    static WindowPresenter windows;
    return windows;
}

// Without a window: one line, information to standard output and the rest to standard
// error. A question nobody can answer is answered No.
MessageResult printLine(MessageKind kind, const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    FILE* stream = kind == MessageKind::Information ? stdout : stderr;
    std::fputs(line.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
    return kind == MessageKind::Confirmation ? MessageResult::No : MessageResult::Ok;
}

} // namespace

MessageResult showMessage(MessageKind kind, const QString& text) {
    if (const MessageSink& sink = currentSink())
        return sink(kind, text);
    if (presenter().show)
        return presenter().show(kind, text);
    return printLine(kind, text);
}

void setWindowPresenter(WindowPresenter windows) {
    presenter() = std::move(windows);
}

void setMessageSink(MessageSink sink) {
    currentSink() = std::move(sink);
}

void clearMessageSink() {
    currentSink() = nullptr;
}

ScopedMessageSink::ScopedMessageSink(MessageSink sink) : previous_(std::move(currentSink())) {
    currentSink() = std::move(sink);
}

ScopedMessageSink::~ScopedMessageSink() {
    currentSink() = std::move(previous_);
}

void showException(const std::exception& error) {
    if (dynamic_cast<const Abort*>(&error))
        return; // a silent abort has nothing to tell
    showMessage(MessageKind::Error, errorMessage(error));
}

namespace {
int beeps = 0;
} // namespace

void beep() {
    ++beeps;
    if (presenter().beep)
        presenter().beep();
}

int beepCount() {
    return beeps;
}

} // namespace platform

#pragma once

#include <QString>
#include <functional>

namespace platform {

enum class MessageKind { Information, Warning, Error, Confirmation };
enum class MessageResult { Ok, Yes, No, Cancel };

// Every message the program shows goes through here. Without a sink the message is
// shown by the window presenter, in a modal box (or, in a program without windows,
// printed: information to standard output, the rest to standard error). A sink
// installed by the batch mode or a test receives the message instead and answers for
// the operator.
MessageResult showMessage(MessageKind kind, const QString& text);

using MessageSink = std::function<MessageResult(MessageKind, const QString&)>;

// How a program with windows shows a message and sounds the beep. This unit needs no
// window system; the application object (platform::Application) installs the
// presenter that does.
struct WindowPresenter {
    MessageSink show;
    std::function<void()> beep;
};
void setWindowPresenter(WindowPresenter windows);

void setMessageSink(MessageSink sink);
void clearMessageSink();

// Installs a sink for the lifetime of the object and restores the previous one.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink sink);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink previous_;
};

// The application's top-level error display: shows the message of an error that an
// event handler let through, as an error box.
void showException(const std::exception& error);

// The system beep: the answer to wrong input in a control.
void beep();
// How many times the program has beeped, so that a test can tell that a control did.
int beepCount();

} // namespace platform

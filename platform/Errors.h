#pragma once

#include <QString>
#include <exception>

namespace platform {

// Errors carry the message text the operator sees. className() names the kind of
// error the way the back office reports it ("EDBEngineError"), for messages that
// quote it.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& message() const { return message_; }
    virtual QString className() const { return QStringLiteral("Exception"); }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Text that does not convert to a number or a date.
class ConvertError : public Exception {
public:
    using Exception::Exception;
    QString className() const override { return QStringLiteral("EConvertError"); }
};

// A value that cannot be converted to the type asked for.
class VariantError : public Exception {
public:
    using Exception::Exception;
    QString className() const override { return QStringLiteral("EVariantError"); }
};

// Files and folders.
class InOutError : public Exception {
public:
    using Exception::Exception;
    QString className() const override { return QStringLiteral("EInOutError"); }
};

// Misuse of the data access layer (missing field, wrong state).
class DatabaseError : public Exception {
public:
    using Exception::Exception;
    QString className() const override { return QStringLiteral("EDatabaseError"); }
};

// Failures reported by the database engine itself; the message is the engine's text.
class EngineError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
    QString className() const override { return QStringLiteral("EDBEngineError"); }
};

// Floating-point arithmetic without a result.
class MathError : public Exception {
public:
    using Exception::Exception;
    QString className() const override { return QStringLiteral("EMathError"); }
};

// A number divided by zero: "Floating point division by zero".
class ZeroDivideError : public MathError {
public:
    ZeroDivideError();
    QString className() const override { return QStringLiteral("EZeroDivide"); }
};

// An operation without any value, such as 0 divided by 0: "Invalid floating point
// operation".
class InvalidOpError : public MathError {
public:
    InvalidOpError();
    QString className() const override { return QStringLiteral("EInvalidOp"); }
};

// A result too large for the floating-point type: "Floating point overflow".
class OverflowError : public MathError {
public:
    OverflowError();
    QString className() const override { return QStringLiteral("EOverflow"); }
};

// A silent abort: ends an operation without a message; the top-level error display
// shows nothing for it.
class Abort : public Exception {
public:
    Abort() : Exception(QStringLiteral("Operation aborted")) {}
    QString className() const override { return QStringLiteral("EAbort"); }
};

// The text the operator sees of any error: an Exception's message, else what() read
// as UTF-8.
QString errorMessage(const std::exception& error);

// Runs the body, then the cleanup, also when the body raises; what the body raises
// passes on. Unlike a scope guard, nothing runs in a destructor, so an error the cleanup
// raises reaches the caller too instead of ending the program.
template <typename Body, typename Cleanup> void withCleanup(Body&& body, Cleanup&& cleanup) {
    try {
        body();
    } catch (...) {
        cleanup();
        throw;
    }
    cleanup();
}

} // namespace platform

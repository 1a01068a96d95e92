#include "db/StatementProgress.h"

#include "db/Session.h"

namespace db {

namespace {

int runningHandlers = 0;

} // namespace

StatementProgress::StatementProgress(Database& database, Handler handler, int intervalMs)
    : database_(database), handler_(std::move(handler)),
      intervalNs_(static_cast<qint64>(intervalMs) * 1000000), previous_(database.progress()) {
    sinceLastCall_.start();
    database_.setProgress(this);
}

StatementProgress::~StatementProgress() {
    database_.setProgress(previous_);
}

bool StatementProgress::tick() noexcept {
    if (running_ || failed_ || !handler_ || sinceLastCall_.nsecsElapsed() < intervalNs_)
        return true;
    running_ = true;
    ++runningHandlers;
    try {
        ++calls_;
        handler_();
    } catch (...) {
        error_ = std::current_exception();
        failed_ = true;
    }
    --runningHandlers;
    running_ = false;
    sinceLastCall_.restart();
    return !failed_;
}

std::exception_ptr StatementProgress::takeError() {
    return std::exchange(error_, nullptr);
}

bool StatementProgress::handlerRunning() {
    return runningHandlers > 0;
}

} // namespace db

#include "application_session.h"

#include "open_workbook.h"

namespace excel {

ApplicationSession::ApplicationSession(ApplicationFactory& factory, const std::string& path)
    : application_(OpenWorkbook(factory, path)) {}

ApplicationSession::~ApplicationSession() {
    if (ended_ || !application_) return;
    try {
        application_->quit();
    } catch (...) {
        // Leaving anyway; the application is released below all the same.
    }
}

std::shared_ptr<Workbook> ApplicationSession::newestWorkbook() {
    auto books = application_->workbooks();
    return books->item(books->count());
}

std::shared_ptr<Workbook> ApplicationSession::open(const std::string& path) {
    return application_->workbooks()->open(path);
}

void ApplicationSession::alertsOff() {
    application_->setDisplayAlerts(false);
}

void ApplicationSession::saveTogether(Workbook& first, Workbook& second) {
    application_->workbooks()->saveTogether(first, second, 1033);
}

void ApplicationSession::closeWorkbooks() {
    application_->workbooks()->close();
}

void ApplicationSession::quit() {
    application_->quit();
    ended_ = true;
}

void ApplicationSession::releaseWithoutQuit() {
    ended_ = true;
    application_.reset();
}

}  // namespace excel

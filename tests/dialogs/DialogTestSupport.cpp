#include "DialogTestSupport.h"

#include <QDesktopServices>

namespace kelvan::dialogs::test {

RecordingBackend::RecordingBackend(std::vector<int>& escapes)
    : real_(serial::createPortBackend()), escapes_(escapes) {}
serial::OpenResult RecordingBackend::open(const std::string& name) {
    return real_->open(name);
}
bool RecordingBackend::isOpen() const {
    return real_->isOpen();
}
bool RecordingBackend::getState(serial::LineSettings& settings) {
    return real_->getState(settings);
}
bool RecordingBackend::setState(const serial::LineSettings& settings) {
    return real_->setState(settings);
}
bool RecordingBackend::setupQueues(std::uint32_t rxSize, std::uint32_t txSize) {
    return real_->setupQueues(rxSize, txSize);
}
bool RecordingBackend::createStopEvent() {
    return real_->createStopEvent();
}
bool RecordingBackend::startReceiveThread(serial::CommNotifier& notifier) {
    return real_->startReceiveThread(notifier);
}
bool RecordingBackend::startTransmitThread(serial::CommNotifier& notifier) {
    return real_->startTransmitThread(notifier);
}
bool RecordingBackend::send(std::span<const std::uint8_t> bytes) {
    return real_->send(bytes);
}
bool RecordingBackend::escape(int code) {
    escapes_.push_back(code);
    return real_->escape(code);
}
void RecordingBackend::close() {
    real_->close();
}

FakeHost::FakeHost() : comm_(notifier_, std::make_unique<RecordingBackend>(escapes)) {}

void FakeHost::startWatchdog() {
    calls << "watchdog";
}

void FakeHost::setCurrentFolder(const QString& path) {
    calls << "folder " + path;
    folder = path;
}

UrlRecorder::UrlRecorder() {
    QDesktopServices::setUrlHandler("file", this, "open");
}

UrlRecorder::~UrlRecorder() {
    QDesktopServices::unsetUrlHandler("file");
}

void UrlRecorder::open(const QUrl& url) {
    opened << url;
}

}  // namespace kelvan::dialogs::test

#include "DialogTestSupport.h"

#include <QDesktopServices>

namespace kelvan::dialogs::test {

FakeHost::FakeHost() : session_(view_, std::make_unique<RecordingBackend>(escapes)) {}

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

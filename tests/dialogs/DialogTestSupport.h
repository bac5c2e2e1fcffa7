#pragma once

// What the dialog tests share: a settings store of their own, a host for the settings dialog
// whose session's port is a real TComm32 on the platform backend, and a recorder for opened
// URLs and error boxes. A port to open is a devsim::PseudoTerminal.

#include "ErrorBoxRecorder.h"
#include "SettingsTestSupport.h"
#include "dialogs/TForm3.h"
#include "ForwardingBackend.h"
#include "link/StandInPorts.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <string>
#include <vector>

namespace kelvan::dialogs::test {

// The platform backend, recording the escape codes that reach it.
class RecordingBackend : public serial::ForwardingBackend {
  public:
    explicit RecordingBackend(std::vector<int>& escapes) : escapes_(escapes) {}
    bool escape(int code) override {
        escapes_.push_back(code);
        return ForwardingBackend::escape(code);
    }

  private:
    std::vector<int>& escapes_;
};

// The main window as the settings dialog sees it; records what the dialog asks of it.
class FakeHost : public TForm3::Host {
  public:
    FakeHost();
    session::ProgrammerSession& session() override { return session_; }
    serial::TComm32& comm() { return session_.comm(); }
    void startWatchdog() override;
    QString currentFolder() const override { return folder; }
    void setCurrentFolder(const QString& path) override;
    void portSettingsSaved(const session::PortSettings& settings, QWidget*) override {
        saved.push_back(settings);
    }

    QString folder;            // the tree's folder; "" when none is selected
    QStringList calls;         // "watchdog", "folder <path>", in order
    std::vector<int> escapes;  // EscapeFunction codes that reached the port
    std::vector<session::PortSettings> saved;  // what "Сохранить" handed over

  private:
    link::NullLinkView view_;
    session::ProgrammerSession session_;
};

// Receives the URLs that QDesktopServices is asked to open for the "file" scheme.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    UrlRecorder();
    ~UrlRecorder() override;
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url);
};

}  // namespace kelvan::dialogs::test

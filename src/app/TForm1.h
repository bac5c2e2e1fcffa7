#pragma once

// The main window: the file browser, the chip and command lists, the data grid, the tool bar
// and the status bar, their layout, and the routing of user input to the programmer session.
// It hosts the settings dialog; the serial component, the watchdog timer, the link and the
// command sequences live in the session, which reports to the window through WindowLinkView.

#include <QWidget>
#include <memory>

#include "app/WindowLinkView.h"
#include "app/WindowOperationHost.h"
#include "bufferview/FileBrowser.h"
#include "dialogs/TForm3.h"
#include "image/ProgramBuffer.h"
#include "link/LinkPorts.h"
#include "link/ProgrammerLink.h"
#include "serial/TComm32.h"
#include "session/ProgrammerSession.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kelvan::bufferview {
class BufferFileActions;
class HexGrid;
}  // namespace kelvan::bufferview

namespace kelvan::widgets {
class Prompter;
class StatusLine;
}  // namespace kelvan::widgets

namespace kelvan::app {

class Application;

class TForm1 : public QWidget, public dialogs::TForm3::Host {
    Q_OBJECT
  public:
    TForm1(Application& application, widgets::Prompter& prompter);
    ~TForm1() override;

    // Handlers of the window's own events.
    void FormResize();
    void FormShow();
    // The closing sequence. Returns false when the user kept the window open. While commands
    // of an operation are queued it first asks whether to interrupt it (default: no).
    bool FormClose();
    // Closes the window when no one can answer a box (the program is ended by a signal): the
    // closing sequence without the interrupt question, edits to the buffer kept in a file of
    // their own instead of the save question (see BufferFileActions::keepChangesUnasked).
    // False when the window did not close (a close already under way).
    bool closeUnasked();
    // Opens `file` as picking it up in the file list would (a dropped file, the command line's).
    void openFile(const QString& file);
    // "Прервать" in the progress window, or Esc: cancels the operation whose commands are
    // queued; nothing happens while none is.
    void cancelOperation();

    // Handlers of the controls.
    void ToolButton2Click();
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton8Click();
    void ListBox1Click();
    void ListBox1MouseUp();
    void ListBox1KeyUp(int key);
    void ListBox2Click();
    void ListBox2MouseUp();
    void ListBox2KeyUp(int key);
    void Comm321ReceiveData(const std::uint8_t* buffer, std::uint16_t length,
                            serial::ReceiveTime receivedAt);

    link::ProgrammerLink& link() { return session_.link(); }
    // Where the link reports: the caption, the status line, the lists and the other windows.
    link::LinkView& linkView() { return linkView_; }
    ProgramBuffer& buffer() { return session_.buffer(); }
    // WorkingFile, the loads and the save.
    bufferview::BufferFileActions& files() { return *files_; }
    bool layoutEnabled() const { return LayoutEnabled; }
    QString statusText() const;
    QColor statusColour() const;

    // TForm3::Host
    // The buffer, the serial component (Comm321), the watchdog timer (Timer2) and the link.
    session::ProgrammerSession& session() override { return session_; }
    void startWatchdog() override;
    QString currentFolder() const override;
    void setCurrentFolder(const QString& folder) override;
    // New port values: used at once while the port is down; while it works, the user is asked
    // whether to reconnect with them now.
    void portSettingsSaved(const session::PortSettings& settings, QWidget* boxParent) override;

    // Controls, named as the rest of the program refers to them.
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    widgets::StatusLine* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ShellComboBox1 = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QTreeView* ShellListView1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    bufferview::HexGrid* StringGrid1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;  // the session's watchdog timer

  signals:
    // The closing sequence ran to its end and the window closed.
    void closed();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createToolBar();
    void placeBars();
    void applyMinimumSize();

    Application& application_;
    widgets::Prompter& prompter_;

    // Cleared by the closing sequence; while false a size change moves nothing.
    bool LayoutEnabled = true;
    bool shown_ = false;
    bool unasked_ = false;  // the close under way is closeUnasked's

    WindowLinkView linkView_{application_, *this, prompter_};
    session::ProgrammerSession session_{linkView_};
    serial::TComm32& Comm321 = session_.comm();
    SettingsDialogOptions options_{application_};
    std::unique_ptr<bufferview::BufferFileActions> files_;
    bufferview::FileBrowser* fileBrowser_ = nullptr;
    std::unique_ptr<WindowOperationHost> operationHost_;
};

}  // namespace kelvan::app

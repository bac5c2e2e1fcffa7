#pragma once

#include "dialogs/NinthBitBox.h"
#include "session/DetectedPorts.h"
#include "session/ProgrammerSession.h"
#include "widgets/FixedDialog.h"
#include "widgets/TysIntEdit.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kelvan::session {
class SettingsStore;
}

namespace kelvan::dialogs {

// The settings dialog "Настройки": the serial port's name, bit rate and ninth bit, and twelve
// options that other parts read live from its check boxes. Creating it loads the stored settings,
// configures and opens the port and restores the working folder and the options; destroying it
// stores the folder and the options. The port values are stored only by "Сохранить".
class TForm3 : public widgets::FixedDialog {
    Q_OBJECT
  public:
    // What the settings dialog uses of the main window.
    class Host {
      public:
        virtual ~Host() = default;
        virtual session::ProgrammerSession& session() = 0;  // Comm321 and the link
        virtual void startWatchdog() = 0;                   // enable Timer2
        virtual QString currentFolder() const = 0;  // ShellTreeView1's folder, "" when none
        virtual void setCurrentFolder(const QString& path) = 0;
        // "Сохранить" stored these port values; a box it shows belongs to boxParent.
        virtual void portSettingsSaved(const session::PortSettings& settings,
                                       QWidget* boxParent) = 0;
    };

    // Builds the dialog and runs the start-up sequence (FormCreate). A port that cannot be opened
    // or settings that cannot be written do not stop it; their error texts wait for
    // showStartupErrors.
    explicit TForm3(Host& host, QWidget* parent = nullptr);
    // FormDestroy: stores "Path" and "Check1".."Check12".
    ~TForm3() override;

    // Shows the start-up failures in the error box, in the order they arose, and forgets them.
    // Start-up keeps them back because a box runs the event loop, and with it the link's
    // watchdog, which must not reach windows that are not created yet.
    void showStartupErrors();

    // Option `number` (1..12) is ticked: CheckBoxN, the live setting.
    bool option(int number) const;
    QCheckBox* CheckBox(int number);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    widgets::TysIntEdit* ysIntEdit1 = nullptr;
    NinthBitBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox7 = nullptr;
    QCheckBox* CheckBox8 = nullptr;
    QCheckBox* CheckBox9 = nullptr;
    QCheckBox* CheckBox10 = nullptr;
    QCheckBox* CheckBox11 = nullptr;
    QCheckBox* CheckBox12 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // The arrow inside Edit1 that lists the serial ports present, and its list: choosing one
    // puts its name into Edit1, which still takes any name typed (a pseudo-terminal, say).
    QAction* detectedPortsAction() const { return detectedPortsAction_; }
    QMenu* detectedPortsMenu() const { return detectedPortsMenu_; }
    // Where the list comes from: session::detectedPorts unless replaced.
    using PortLister = std::function<QList<session::DetectedPort>()>;
    void setPortLister(PortLister lister) { listPorts_ = std::move(lister); }

    // Loads "ComPort", "Bitrate" and "Parity" into the fields (storing a field's value for any
    // that is missing or unreadable) and hands the fields' values to the port.
    void ReadRegistry();
    // Stores the three port values from the fields. Applies nothing to the port.
    void WriteRegistry();
    // The port values in the fields.
    session::PortSettings portSettings() const;

  private:
    void buildControls();
    void FormCreate();
    void FormDestroy();
    void Button1Click();
    // Writes the store through, reporting in the error box when that fails.
    void syncStore(session::SettingsStore& store);
    // The error box, or the list of start-up failures while the start-up sequence runs.
    void reportError(const QString& text);
    void setPortName(const QString& name);
    // Fills the list of detected ports afresh and opens it under Edit1.
    void showDetectedPorts();

    Host& host_;
    std::array<QCheckBox*, 12> options_{};
    bool startingUp_ = false;
    QStringList startupErrors_;
    QAction* detectedPortsAction_ = nullptr;
    QMenu* detectedPortsMenu_ = nullptr;
    PortLister listPorts_ = session::detectedPorts;
};

}  // namespace kelvan::dialogs

#pragma once

#include "dialogs/FixedDialog.h"
#include "dialogs/TysIntEdit.h"
#include "serial/TComm32.h"

#include <QString>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kelvan::dialogs {

class SettingsStore;

// The settings dialog "Настройки": the serial port's name, bit rate and ninth bit, and twelve
// options that other parts read live from its check boxes. Creating it loads the stored settings,
// configures and opens the port and restores the working folder and the options; destroying it
// stores the folder and the options. The port values are stored only by "Сохранить".
class TForm3 : public FixedDialog {
    Q_OBJECT
  public:
    // What the settings dialog uses of the main window.
    class Host {
      public:
        virtual ~Host() = default;
        virtual serial::TComm32& comm() = 0;        // Comm321
        virtual void startWatchdog() = 0;           // enable Timer2
        virtual QString currentFolder() const = 0;  // ShellTreeView1's folder, "" when none
        virtual void setCurrentFolder(const QString& path) = 0;
    };

    // Builds the dialog and runs the start-up sequence (FormCreate). A port that cannot be opened
    // is reported in the error box and start-up goes on.
    explicit TForm3(Host& host, QWidget* parent = nullptr);
    // FormDestroy: stores "Path" and "Check1".."Check12".
    ~TForm3() override;

    // Option `number` (1..12) is ticked: CheckBoxN, the live setting.
    bool option(int number) const;
    QCheckBox* CheckBox(int number);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QGroupBox* GroupBox3;
    QGroupBox* GroupBox4;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Edit1;
    TysIntEdit* ysIntEdit1;
    QComboBox* ComboBox1;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QCheckBox* CheckBox5;
    QCheckBox* CheckBox6;
    QCheckBox* CheckBox7;
    QCheckBox* CheckBox8;
    QCheckBox* CheckBox9;
    QCheckBox* CheckBox10;
    QCheckBox* CheckBox11;
    QCheckBox* CheckBox12;
    QPushButton* Button1;
    QPushButton* Button2;

    // Loads "ComPort", "Bitrate" and "Parity" into the fields (storing a field's value for any
    // that is missing or unreadable) and hands the fields' values to the port.
    void ReadRegistry();
    // Stores the three port values from the fields. Applies nothing to the port.
    void WriteRegistry();

  private:
    void buildControls();
    void FormCreate();
    void FormDestroy();
    void Button1Click();
    // Writes the store through, reporting in the error box when that fails.
    void syncStore(SettingsStore& store);
    void setPortName(const QString& name);

    Host& m_host;
    std::array<QCheckBox*, 12> m_options{};
};

}  // namespace kelvan::dialogs

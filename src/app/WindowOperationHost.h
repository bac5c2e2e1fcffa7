#pragma once

#include "operations/OperationPorts.h"

class QWidget;

namespace kelvan::bufferview {
class BufferFileActions;
class HexGrid;
}  // namespace kelvan::bufferview

namespace kelvan::widgets {
class Prompter;
}  // namespace kelvan::widgets

namespace kelvan::app {

class Application;
class TForm1;

// The settings dialog's check boxes CheckBox1..CheckBox12 as the live options; once the closing
// sequence has destroyed the dialog, their defaults.
class SettingsDialogOptions : public operations::OptionSource {
  public:
    explicit SettingsDialogOptions(Application& application) : application_(application) {}

    bool isSet(operations::Option option) const override;

  private:
    Application& application_;
};

// What the command sequences ask of the program's windows: the main window's status bar, grid
// and working-file load, the bit dialogs and the warning box.
class WindowOperationHost : public operations::OperationHost {
  public:
    WindowOperationHost(Application& application, TForm1& window, bufferview::HexGrid& grid,
                        bufferview::BufferFileActions& files, widgets::Prompter& prompter)
        : application_(application),
          window_(window),
          grid_(grid),
          files_(files),
          prompter_(prompter) {}

    link::StatusDisplay& status() override;
    void fitGridToBuffer() override;
    // Shows and raises the dialog, if it exists, with "Записать" enabled or disabled.
    void showBitDialog(link::BitKind dialog, bool writable) override;
    void showSizeWarning(std::string_view utf8) override;
    image::LoadOutcome reloadWorkingFile() override;

  private:
    Application& application_;
    TForm1& window_;
    bufferview::HexGrid& grid_;
    bufferview::BufferFileActions& files_;
    widgets::Prompter& prompter_;
};

}  // namespace kelvan::app

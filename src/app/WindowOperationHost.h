#pragma once

#include "operations/OperationPorts.h"

class QWidget;

namespace kelvan::buffer {
class BufferFileActions;
class HexGrid;
}  // namespace kelvan::buffer

namespace kelvan::dialogs {
class Prompter;
}

namespace kelvan::app {

class Application;
class TForm1;

// What the command sequences ask of the program's windows: the main window's status bar, grid
// and working-file load, the bit dialogs, the warning box, and the settings dialog's check
// boxes as the live options.
class WindowOperationHost : public operations::OperationHost, public operations::OptionSource {
  public:
    WindowOperationHost(Application& application, TForm1& window, buffer::HexGrid& grid,
                        buffer::BufferFileActions& files, dialogs::Prompter& prompter)
        : application_(application),
          window_(window),
          grid_(grid),
          files_(files),
          prompter_(prompter) {}

    // OptionSource: CheckBox1..CheckBox12 as they stand; once the closing sequence has
    // destroyed the settings dialog, the design defaults (all set).
    bool isSet(operations::Option option) const override;

    void setStatusText(std::string_view utf8) override;
    void setStatusErrorColour() override;
    void resetStatusColour() override;
    void fitGridToBuffer() override;
    // Shows and raises the dialog, if it exists, with "Записать" enabled or disabled.
    void showBitDialog(link::BitDialog dialog, bool writable) override;
    void showSizeWarning(std::string_view utf8) override;
    buffer::LoadOutcome reloadWorkingFile() override;

  private:
    Application& application_;
    TForm1& window_;
    buffer::HexGrid& grid_;
    buffer::BufferFileActions& files_;
    dialogs::Prompter& prompter_;
};

}  // namespace kelvan::app

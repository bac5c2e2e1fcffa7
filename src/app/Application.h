#pragma once

// The program's six windows, created once each in a fixed order and reached through this one
// object, which owns them.

#include <memory>

#include "app/TForm1.h"

namespace kelvan::dialogs {
class BitDialog;
class TForm3;
class TForm4;
class TForm6;
class TForm7;
}  // namespace kelvan::dialogs

namespace kelvan::app {

class TForm5;

class Application {
  public:
    // Creates Form1, Form3 (which starts the watchdog, loads the settings and opens the port),
    // Form4, Form5, Form6 and Form7, in this order, and then shows the error boxes of Form3's
    // start-up: only then may a box's event loop let the link reach every window. None of the
    // windows is shown. trace, when given, watches the link from before the port opens.
    explicit Application(widgets::Prompter& prompter, link::LinkObserver* trace = nullptr);
    // Destroys Form3 first, while the windows its settings-write error box may let the link
    // reach still exist, then the others in reverse order of creation.
    ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    TForm1& form1() { return *Form1; }
    // Null once the closing sequence has destroyed the settings dialog.
    dialogs::TForm3* form3() { return Form3.get(); }
    // Destroys the settings dialog, which stores the folder and the options as it goes.
    void destroyForm3();
    // The other windows; null while they are not created yet or destroyed already, which the
    // link's handlers can meet inside any box's event loop.
    dialogs::TForm4* form4() { return Form4.get(); }
    TForm5* form5() { return Form5.get(); }
    dialogs::TForm6* form6() { return Form6.get(); }
    dialogs::TForm7* form7() { return Form7.get(); }
    // Form4 for the lock bits, Form6 for the fuse bits; null as above.
    dialogs::BitDialog* bitDialog(link::BitKind dialog);

  private:
    // Declared in creation order, so they are destroyed in the reverse one: the dialogs go
    // before the main window whose serial component and link they use.
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<dialogs::TForm3> Form3;
    std::unique_ptr<dialogs::TForm4> Form4;
    std::unique_ptr<TForm5> Form5;
    std::unique_ptr<dialogs::TForm6> Form6;
    std::unique_ptr<dialogs::TForm7> Form7;
};

}  // namespace kelvan::app

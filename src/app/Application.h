#pragma once

// The program's six windows, created once each in a fixed order and reached through this one
// object instead of module-level references.

#include <memory>

#include "app/TForm1.h"

namespace kelvan::dialogs {
class TForm3;
class TForm4;
class TForm6;
class TForm7;
}  // namespace kelvan::dialogs

namespace kelvan::app {

class TForm5;

class Application {
  public:
    // Creates Form1, Form3 (which loads the settings and opens the port), Form4, Form5, Form6
    // and Form7, in this order. None is shown.
    explicit Application(Prompter& prompter);
    ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    TForm1& form1() { return *Form1; }
    // Null once the closing sequence has destroyed the settings dialog.
    dialogs::TForm3* form3() { return Form3.get(); }
    // Destroys the settings dialog, which stores the folder and the options as it goes.
    void destroyForm3();
    dialogs::TForm4& form4() { return *Form4; }
    TForm5& form5() { return *Form5; }
    dialogs::TForm6& form6() { return *Form6; }
    dialogs::TForm7& form7() { return *Form7; }

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

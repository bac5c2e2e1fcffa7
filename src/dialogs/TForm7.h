#pragma once

#include "widgets/FixedDialog.h"

#include <QString>

#include <vector>

class QLabel;
class QPushButton;

namespace kelvan::widgets {
class TUrl;
}  // namespace kelvan::widgets

namespace kelvan::dialogs {

// The about dialog "О программаторе": the program's name and version, lines of text that the
// programmer supplies, an "ОК" button and the "Помощь" link to the help page help/ruka.htm,
// found below the working directory or beside the program.
class TForm7 : public widgets::FixedDialog {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);

    // Replaces the labels by `count` (0..255) placeholders 30 pixels apart from top 40 and moves
    // the button and the link to 30 * count + 60, the dialog's outer height to 30 * count + 130.
    // With 0 the old labels go and the button, the link and the height stay.
    void CreateAboutLabels(int count);
    // Line `index` of the last CreateAboutLabels; other indexes come from a stale reply and
    // change nothing.
    void setAboutLine(int index, const QString& text);
    int aboutLabelCount() const { return static_cast<int>(aboutLabels_.size()); }
    QLabel* aboutLabel(int index) const;

    // Opens the help page where findHelpPage finds it; says in the error box when it finds none
    // or the system cannot open it. The link below, and F1 in the main window.
    void openHelpPage();

    QLabel* VersionLabel = nullptr;
    QPushButton* Button1 = nullptr;
    widgets::TUrl* Url1 = nullptr;

  private:
    std::vector<QLabel*> aboutLabels_;  // AboutLabels; empty when created
};

}  // namespace kelvan::dialogs

#pragma once

// The main window's tool bar: its four buttons between fixed gaps, and their icons, drawn in
// code so that they stay sharp at any size and need no files.

#include <QIcon>

class QToolBar;
class QToolButton;
class QWidget;

namespace kelvan::app {

struct MainToolBar {
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton2 = nullptr;  // load the working file; hidden
    QToolButton* ToolButton5 = nullptr;  // save the buffer
    QToolButton* ToolButton6 = nullptr;  // settings
    QToolButton* ToolButton8 = nullptr;  // about the programmer
};

// Builds the tool bar inside `window`; the owner places it and connects the buttons.
MainToolBar buildMainToolBar(QWidget* window);

QIcon loadFileIcon();  // a folder with an arrow into it
QIcon saveFileIcon();  // a diskette
QIcon settingsIcon();  // a cog wheel
QIcon aboutIcon();     // an "i" in a blue disc

}  // namespace kelvan::app

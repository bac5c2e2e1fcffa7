#pragma once

// The tool bar's icons, drawn in code so that they stay sharp at any size and need no files.

#include <QIcon>

namespace kelvan::app {

QIcon loadFileIcon();  // a folder with an arrow into it
QIcon saveFileIcon();  // a diskette
QIcon settingsIcon();  // a cog wheel
QIcon aboutIcon();     // an "i" in a blue disc

}  // namespace kelvan::app

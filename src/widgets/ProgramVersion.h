#pragma once

#include <QString>

namespace kelvan::widgets {

// The program's name and version, "Kelvan 0.1": the about box's first line and what
// `kelvan --version` prints. The version is the project's.
QString programVersionLine();

}  // namespace kelvan::widgets

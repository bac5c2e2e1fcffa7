#pragma once

#include <QString>
#include <QStringList>

namespace kelvan::widgets {

// The help page the about box links to, as a path relative to where it is looked for.
inline constexpr char HelpPagePath[] = "help/ruka.htm";

// Where the help page may lie, in the order it is looked for: below the working directory (where
// it has always been looked for), then beside the program: in its folder, and in
// ../share/kelvan/ relative to it, where an installation puts it.
QStringList helpPageCandidates(const QString& workingDirectory, const QString& programDirectory);

// The first candidate that is a file, or an empty string when there is none.
QString findHelpPage(const QString& workingDirectory, const QString& programDirectory);

}  // namespace kelvan::widgets

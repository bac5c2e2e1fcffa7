#include "widgets/HelpPage.h"

#include <QDir>
#include <QFileInfo>

namespace kelvan::widgets {

QStringList helpPageCandidates(const QString& workingDirectory, const QString& programDirectory) {
    const QString page = QString::fromLatin1(HelpPagePath);
    const QDir program(programDirectory);
    return {
        QDir(workingDirectory).filePath(page),
        program.filePath(page),
        QDir::cleanPath(program.filePath(QStringLiteral("../share/kelvan/") + page)),
    };
}

QString findHelpPage(const QString& workingDirectory, const QString& programDirectory) {
    for (const QString& candidate : helpPageCandidates(workingDirectory, programDirectory)) {
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return {};
}

}  // namespace kelvan::widgets

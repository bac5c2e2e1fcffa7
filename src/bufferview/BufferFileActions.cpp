#include "bufferview/BufferFileActions.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <span>

#include "bufferview/HexGrid.h"
#include "image/OutputFile.h"
#include "image/ProgramBuffer.h"
#include "widgets/Prompter.h"

namespace kelvan::bufferview {
namespace {

// The line breaks are stored as LF CR, as in every other text of the program.
const QString SaveQuestion =
    QStringLiteral("Данные в буфере изменены!\n\rХотите сохранить изменения?");
const QString OverwriteQuestion = QStringLiteral("Перезаписать существующий файл?");
const QString LengthWarning =
    QStringLiteral("Вряд ли Вы хотите запрограммировать\n\rфайл такой длины!");

std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

}  // namespace

BufferFileActions::BufferFileActions(ProgramBuffer& buffer, HexGrid& grid,
                                     widgets::Prompter& prompter, QWidget* boxParent,
                                     std::function<image::LoadOptions()> options)
    : buffer_(buffer),
      grid_(grid),
      prompter_(prompter),
      boxParent_(boxParent),
      options_(std::move(options)) {}

image::LoadOutcome BufferFileActions::LoadFile() {
    buffer_.clear();
    grid_.setRowCount(2);
    return takeLoadResult(image::loadWorkingFile(toPath(workingFile_), options_()));
}

void BufferFileActions::ToolButton2Click() {
    takeLoadResult(image::loadWithButtonRules(toPath(workingFile_), options_().hexFiles));
}

image::LoadOutcome BufferFileActions::takeLoadResult(image::LoadResult result) {
    switch (result.outcome) {
        case image::LoadOutcome::Loaded:
            buffer_.replace(std::move(result.image));
            grid_.FitGridToBuffer();
            break;
        case image::LoadOutcome::LengthWarning:
            prompter_.showWarning(boxParent_, LengthWarning);
            break;
        case image::LoadOutcome::OpenFailed:
            prompter_.showError(boxParent_, QStringLiteral("Не удаётся открыть файл \"%1\": %2")
                                                .arg(QDir::toNativeSeparators(workingFile_),
                                                     QString::fromLocal8Bit(result.reason)));
            break;
        case image::LoadOutcome::NoFile:
        case image::LoadOutcome::IgnoredTooLong:
        case image::LoadOutcome::Abandoned:
            // Said nothing by design: a file that is not there or far too long is passed over,
            // and a broken Intel HEX file ends the user's action in silence.
            break;
    }
    return result.outcome;
}

SaveOutcome BufferFileActions::ToolButton5Click() {
    const auto name = prompter_.askSaveFileName(boxParent_, workingFile_);
    if (!name) {
        return SaveOutcome::NotWritten;
    }
    if (QFileInfo::exists(*name) && !prompter_.askYesNo(boxParent_, OverwriteQuestion)) {
        return SaveOutcome::NotWritten;
    }
    // Whole or nothing: a full disk or a lost permission leaves the old file as it was. A name
    // the loader reads as Intel HEX gets Intel HEX, so that it loads back as this image.
    if (const std::error_code error =
            image::writeImageFile(toPath(*name), buffer_.bytes(), options_())) {
        prompter_.showError(boxParent_,
                            QStringLiteral("Не удаётся записать файл \"%1\": %2")
                                .arg(QDir::toNativeSeparators(*name),
                                     QString::fromLocal8Bit(error.message())));
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

QString BufferFileActions::keepChangesUnasked(const QString& folder) {
    if (!buffer_.modified()) {
        return {};
    }
    buffer_.setModified(false);
    const QString name = QDir(folder).filePath(
        QStringLiteral("kelvan-buffer-%1.bin")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))));
    const auto failure = [&name](const QString& reason) {
        return QStringLiteral("the modified buffer could not be saved to %1: %2")
            .arg(QDir::toNativeSeparators(name), reason);
    };
    if (!QDir().mkpath(folder)) {
        return failure(QStringLiteral("the folder cannot be created"));
    }
    if (const std::error_code error = image::writeOutputFile(toPath(name), buffer_.bytes())) {
        return failure(QString::fromLocal8Bit(error.message()));
    }
    return QStringLiteral("the modified buffer was saved to %1")
        .arg(QDir::toNativeSeparators(name));
}

bool BufferFileActions::offerToSaveChanges() {
    if (buffer_.modified()) {
        switch (prompter_.askYesNoCancel(boxParent_, SaveQuestion)) {
            case widgets::Prompter::Answer::Yes:
                if (ToolButton5Click() == SaveOutcome::Failed) {
                    return false;
                }
                break;
            case widgets::Prompter::Answer::No:
                break;
            case widgets::Prompter::Answer::Cancel:
                return false;
        }
    }
    buffer_.setModified(false);
    return true;
}

}  // namespace kelvan::bufferview

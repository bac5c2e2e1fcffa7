#include "bufferview/BufferFileActions.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <span>

#include "bufferview/HexGrid.h"
#include "image/ProgramBuffer.h"
#include "widgets/Prompter.h"

namespace kelvan::buffer {
namespace {

// The line breaks are stored as LF CR, as in every other text of the program.
const QString SaveQuestion =
    QStringLiteral("Данные в буфере изменены!\n\rХотите сохранить изменения?");
const QString OverwriteQuestion = QStringLiteral("Перезаписать существующий файл?");
const QString LengthWarning =
    QStringLiteral("Вряд ли Вы хотите запрограммировать\n\rфайл такой длины!");

// Writes every byte or fails with the device's error. Unbuffered, a write the disk cuts short
// comes back short here; through a buffer it would be lost in the flush, and the commit would
// put a truncated file in place of the old one.
bool writeAll(QSaveFile& file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const qint64 written = file.write(reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<qint64>(bytes.size()));
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

}  // namespace

BufferFileActions::BufferFileActions(ProgramBuffer& buffer, HexGrid& grid,
                                     dialogs::Prompter& prompter, QWidget* boxParent,
                                     std::function<LoadOptions()> options)
    : buffer_(buffer),
      grid_(grid),
      prompter_(prompter),
      boxParent_(boxParent),
      options_(std::move(options)) {}

LoadOutcome BufferFileActions::LoadFile() {
    buffer_.clear();
    grid_.setRowCount(2);
    return takeLoadResult(loadWorkingFile(toPath(workingFile_), options_()));
}

void BufferFileActions::ToolButton2Click() {
    takeLoadResult(loadWithButtonRules(toPath(workingFile_), options_().hexFiles));
}

LoadOutcome BufferFileActions::takeLoadResult(LoadResult result) {
    switch (result.outcome) {
        case LoadOutcome::Loaded:
            buffer_.replace(std::move(result.image));
            grid_.FitGridToBuffer();
            break;
        case LoadOutcome::LengthWarning:
            prompter_.showWarning(boxParent_, LengthWarning);
            break;
        case LoadOutcome::OpenFailed:
            prompter_.showError(boxParent_, QStringLiteral("Не удаётся открыть файл \"%1\": %2")
                                                .arg(QDir::toNativeSeparators(workingFile_),
                                                     QString::fromLocal8Bit(result.reason)));
            break;
        case LoadOutcome::NoFile:
        case LoadOutcome::IgnoredTooLong:
        case LoadOutcome::Abandoned:
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
    // The bytes go to a new file beside the old one, which replaces it only once everything
    // is written: a full disk or a lost permission leaves the old file as it was.
    QSaveFile file(*name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !writeAll(file, buffer_.bytes()) || !file.commit()) {
        prompter_.showError(boxParent_,
                            QStringLiteral("Не удаётся записать файл \"%1\": %2")
                                .arg(QDir::toNativeSeparators(*name), file.errorString()));
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
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !writeAll(file, buffer_.bytes()) || !file.commit()) {
        return failure(file.errorString());
    }
    return QStringLiteral("the modified buffer was saved to %1")
        .arg(QDir::toNativeSeparators(name));
}

bool BufferFileActions::offerToSaveChanges() {
    if (buffer_.modified()) {
        switch (prompter_.askYesNoCancel(boxParent_, SaveQuestion)) {
            case dialogs::Prompter::Answer::Yes:
                if (ToolButton5Click() == SaveOutcome::Failed) {
                    return false;
                }
                break;
            case dialogs::Prompter::Answer::No:
                break;
            case dialogs::Prompter::Answer::Cancel:
                return false;
        }
    }
    buffer_.setModified(false);
    return true;
}

}  // namespace kelvan::buffer

#pragma once

// The window's file actions on ProgramBuffer: the working-file load, the hidden button's load,
// saving the buffer as raw bytes, and the save question that comes before the buffer is
// replaced or the program closes. The loading itself is ImageLoader's; this turns its outcomes
// into the buffer, the grid and the boxes.

#include <QString>
#include <functional>

#include "image/ImageLoader.h"

class QWidget;

namespace kelvan {
class ProgramBuffer;
}

namespace kelvan::widgets {
class Prompter;
}  // namespace kelvan::widgets

namespace kelvan::bufferview {

class HexGrid;

enum class SaveOutcome {
    Saved,       // the file holds exactly the buffer's bytes
    NotWritten,  // the dialog was cancelled or the overwrite declined: nothing was written
    Failed,      // the file could not be written; the error box has said why
};

class BufferFileActions {
  public:
    // Boxes open over `boxParent`; `options` reads the settings' "понимать HEX-файлы" and
    // "понимать EEP-файлы" at the moment of each load.
    BufferFileActions(ProgramBuffer& buffer, HexGrid& grid, widgets::Prompter& prompter,
                      QWidget* boxParent, std::function<image::LoadOptions()> options);

    // WorkingFile: the full path of the file picked in the browser; empty at start.
    const QString& workingFile() const { return workingFile_; }
    void setWorkingFile(const QString& file) { workingFile_ = file; }

    // Empties the buffer and the grid, then loads WorkingFile. A missing file or one too long
    // is ignored in silence; a length warning or an open error shows its box and leaves the
    // buffer empty; an abandoned Intel HEX load is silent. Returns what happened, so that the
    // caller's action can stop when the file did not load.
    image::LoadOutcome LoadFile();
    // The hidden button "Загрузить файл в буфер": loads WorkingFile by the button's rules
    // without emptying the buffer first; whatever does not load leaves the buffer as it was.
    void ToolButton2Click();

    // "Сохранить буфер в файл": the save dialog preset to WorkingFile, the overwrite question
    // for an existing name, then the buffer's raw bytes written so that a failed save leaves an
    // existing file exactly as it was. The buffer's modified flag is not changed.
    SaveOutcome ToolButton5Click();

    // Before the buffer is replaced or dropped: when it holds edits, asks whether to save them
    // (Yes saves, No drops them, Cancel keeps them). Returns false when the caller must stop:
    // Cancel, or a save that failed. Otherwise clears the buffer's modified flag and returns true.
    bool offerToSaveChanges();
    // The same moment when no one can answer a box (the program is ended by a signal): edits
    // are written without a question to a new file in `folder`, created when missing, and
    // The modified flag is cleared whatever happens, so that the close goes on. Returns what was
    // done for the program's error output: the file written, or why it could not be; empty
    // when the buffer holds no edits.
    QString keepChangesUnasked(const QString& folder);

  private:
    // The second half of a load: a loaded image replaces the buffer and the grid is fitted to it;
    // any other outcome shows its box, or nothing, and leaves the buffer alone.
    image::LoadOutcome takeLoadResult(image::LoadResult result);

    ProgramBuffer& buffer_;
    HexGrid& grid_;
    widgets::Prompter& prompter_;
    QWidget* boxParent_;
    std::function<image::LoadOptions()> options_;
    QString workingFile_;
};

}  // namespace kelvan::bufferview

#include "app/WindowOperationHost.h"

#include <QPushButton>

#include "app/Application.h"
#include "app/TForm1.h"
#include "bufferview/BufferFileActions.h"
#include "bufferview/HexGrid.h"
#include "dialogs/BitDialog.h"
#include "widgets/Prompter.h"
#include "session/SettingsStore.h"
#include "dialogs/TForm3.h"

namespace kelvan::app {

bool SettingsDialogOptions::isSet(operations::Option option) const {
    const dialogs::TForm3* settings = application_.form3();
    return settings == nullptr ? session::DefaultOption
                               : settings->option(static_cast<int>(option));
}

link::StatusDisplay& WindowOperationHost::status() {
    return window_.linkView();
}

void WindowOperationHost::fitGridToBuffer() {
    grid_.FitGridToBuffer();
}

void WindowOperationHost::showBitDialog(link::BitKind dialog, bool writable) {
    dialogs::BitDialog* bits = application_.bitDialog(dialog);
    if (bits == nullptr) {
        return;
    }
    bits->Button1->setEnabled(writable);
    bits->show();
    // A dialog left open behind the main window comes to the front again.
    bits->raise();
    bits->activateWindow();
}

void WindowOperationHost::showSizeWarning(std::string_view utf8) {
    prompter_.showWarning(&window_,
                          QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

image::LoadOutcome WindowOperationHost::reloadWorkingFile() {
    return files_.LoadFile();
}

}  // namespace kelvan::app

#include "app/WindowLinkView.h"

#include <QListWidget>

#include "app/Application.h"
#include "app/TForm1.h"
#include "app/TForm5.h"
#include "bufferview/HexGrid.h"
#include "dialogs/BitDialog.h"
#include "dialogs/TForm7.h"
#include "session/Windows1251.h"
#include "widgets/Prompter.h"
#include "widgets/StatusLine.h"

// Every call below skips a control or a window that does not exist: the link runs inside any
// box's event loop, which can come while the windows are still being created or already being
// destroyed.

namespace kelvan::app {
namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString decoded(const link::DeviceText& text) {
    return session::decodeWindows1251(text.bytes);
}

}  // namespace

void WindowLinkView::setCaption(const link::DeviceText& title) {
    window_.setWindowTitle(decoded(title));
}

void WindowLinkView::setDisconnectedCaption(std::string_view utf8) {
    window_.setWindowTitle(fromUtf8(utf8));
}

void WindowLinkView::setStatusText(std::string_view utf8) {
    if (window_.StatusBar1 != nullptr) {
        window_.StatusBar1->showText(fromUtf8(utf8));
    }
}

void WindowLinkView::setStatusErrorColour() {
    if (window_.StatusBar1 != nullptr) {
        window_.StatusBar1->setErrorColour();
    }
}

void WindowLinkView::resetStatusColour() {
    if (window_.StatusBar1 != nullptr) {
        window_.StatusBar1->resetColour();
    }
}

void WindowLinkView::clearChipList() {
    if (window_.ListBox1 != nullptr) {
        window_.ListBox1->clear();
    }
}

void WindowLinkView::appendChip(const link::DeviceText& name) {
    if (window_.ListBox1 != nullptr) {
        window_.ListBox1->addItem(decoded(name));
    }
}

void WindowLinkView::clearCommandList() {
    if (window_.ListBox2 != nullptr) {
        window_.ListBox2->clear();
    }
}

void WindowLinkView::appendCommand(std::string_view utf8Caption) {
    if (window_.ListBox2 != nullptr) {
        window_.ListBox2->addItem(fromUtf8(utf8Caption));
    }
}

void WindowLinkView::createBitBoxes(link::BitKind dialog, int count) {
    if (dialogs::BitDialog* bits = application_.bitDialog(dialog)) {
        bits->CreateBitBoxes(count);
    }
}

void WindowLinkView::clearBitBoxes(link::BitKind dialog) {
    if (dialogs::BitDialog* bits = application_.bitDialog(dialog)) {
        bits->ClearBitBoxes();
    }
}

void WindowLinkView::setBitCaption(link::BitKind dialog, int index,
                                   const link::DeviceText& caption) {
    if (dialogs::BitDialog* bits = application_.bitDialog(dialog)) {
        bits->setBitCaption(index, decoded(caption));
    }
}

void WindowLinkView::setBitChecked(link::BitKind dialog, int index, bool checked) {
    if (dialogs::BitDialog* bits = application_.bitDialog(dialog)) {
        bits->setBitChecked(index, checked);
    }
}

void WindowLinkView::createAboutLabels(int count) {
    if (dialogs::TForm7* about = application_.form7()) {
        about->CreateAboutLabels(count);
    }
}

void WindowLinkView::setAboutLine(int index, const link::DeviceText& line) {
    if (dialogs::TForm7* about = application_.form7()) {
        about->setAboutLine(index, decoded(line));
    }
}

void WindowLinkView::formatGrid() {
    if (window_.StringGrid1 != nullptr) {
        window_.StringGrid1->FormatGrid();
    }
}

void WindowLinkView::showFailedAddress(std::uint32_t address) {
    if (window_.StringGrid1 != nullptr) {
        window_.StringGrid1->showAddress(address);
    }
}

void WindowLinkView::setProgress(int maximum, int position) {
    if (TForm5* progress = application_.form5()) {
        progress->setQueue(maximum, position);
    }
}

void WindowLinkView::showProgress() {
    if (TForm5* progress = application_.form5()) {
        progress->show();
    }
}

void WindowLinkView::closeProgress() {
    if (TForm5* progress = application_.form5()) {
        progress->hide();
    }
}

void WindowLinkView::showWarning(std::string_view utf8) {
    prompter_.showWarning(&window_, fromUtf8(utf8));
}

void WindowLinkView::showPortState(const QString& failure) {
    widgets::StatusLine* status = window_.StatusBar1;
    if (status == nullptr) {
        return;
    }
    if (failure.isEmpty()) {
        if (!shownPortFailure_.isEmpty() && status->text() == shownPortFailure_) {
            status->showText(QString());
        }
        shownPortFailure_.clear();
        return;
    }
    if (!status->showsError()) {
        // The status line holds one line of text.
        shownPortFailure_ = QString(failure).replace(QLatin1Char('\n'), QLatin1Char(' '));
        status->showText(shownPortFailure_);
    }
}

}  // namespace kelvan::app

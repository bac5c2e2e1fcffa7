#include "dialogs/BitDialog.h"

#include "widgets/EnterKey.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>
#include <optional>

namespace kelvan::dialogs {
namespace {

constexpr int DesignClientHeight = 43;

// The key of a key release, or 0 for any other event and for the releases of auto-repeat.
int releasedKey(const QEvent& event) {
    if (event.type() != QEvent::KeyRelease) {
        return 0;
    }
    const auto& key = static_cast<const QKeyEvent&>(event);
    return key.isAutoRepeat() ? 0 : key.key();
}

}  // namespace

BitDialog::BitDialog(link::BitKind kind, const QString& caption, const QColor& background,
                     int clientWidth, int buttonLeft, QWidget* parent)
    : widgets::FixedDialog(caption, background, QSize(clientWidth, DesignClientHeight), parent),
      kind_(kind) {
    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button1->setGeometry(buttonLeft, 16, 75, 25);
    // The button's click is deliberately unbound: writing follows the release of a mouse
    // button or of Enter, so a space-bar click writes nothing.
    Button1->setAutoDefault(false);
    Button1->installEventFilter(this);
}

void BitDialog::ClearBitBoxes() {
    qDeleteAll(bitBoxes_);
    bitBoxes_.clear();
}

void BitDialog::CreateBitBoxes(int count) {
    ClearBitBoxes();
    bitBoxes_.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        auto* box = new QCheckBox(this);
        box->setChecked(false);
        box->setGeometry(20, 25 + 20 * index, frameGeometry().width(), 17);
        box->installEventFilter(this);
        box->show();
        bitBoxes_.push_back(box);
    }
    setOuterHeight(20 * count + 100);
    Button1->move(Button1->x(), 20 * count + 40);
}

void BitDialog::setBitCaption(int index, const QString& caption) {
    if (QCheckBox* box = bitBox(index)) {
        box->setText(caption);
    }
}

void BitDialog::setBitChecked(int index, bool checked) {
    if (QCheckBox* box = bitBox(index)) {
        box->setChecked(checked);
    }
}

QCheckBox* BitDialog::bitBox(int index) const {
    if (index < 0 || index >= bitCount()) {
        return nullptr;
    }
    return bitBoxes_[static_cast<std::size_t>(index)];
}

void BitDialog::Button1Click() {
    std::vector<bool> states;
    states.reserve(bitBoxes_.size());
    for (const QCheckBox* box : bitBoxes_) {
        states.push_back(box->isChecked());
    }
    if (write && !states.empty()) {
        write(kind_, states);
    }
    close();
}

void BitDialog::Button1MouseUp() {
    Button1Click();
}

void BitDialog::Button1KeyUp(int key) {
    if (widgets::isEnter(key)) {
        Button1Click();
    }
}

void BitDialog::FormKeyUp(int key) {
    if (widgets::isEnter(key)) {
        close();
    }
}

bool BitDialog::eventFilter(QObject* watched, QEvent* event) {
    // A disabled button reacts to nothing.
    if (watched == Button1 && Button1->isEnabled()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            Button1MouseUp();
            return false;  // the button still finishes its press; its click is unbound
        }
        if (const int key = releasedKey(*event)) {
            Button1KeyUp(key);
            // Enter's release on the button is not the dialog's as well.
            return widgets::isEnter(key);
        }
    } else if (std::find(bitBoxes_.begin(), bitBoxes_.end(), watched) != bitBoxes_.end()) {
        if (const int key = releasedKey(*event)) {
            FormKeyUp(key);
            return widgets::isEnter(key);
        }
    }
    return widgets::FixedDialog::eventFilter(watched, event);
}

void BitDialog::keyPressEvent(QKeyEvent* event) {
    // Escape closes without writing, as Enter on a bit box does, also with a disabled button.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    widgets::FixedDialog::keyPressEvent(event);
}

// The dialog takes the keyboard when it opens, its first bit box the focus, so that Space ticks
// that box and Esc closes the dialog without a click first.
void BitDialog::showEvent(QShowEvent* event) {
    widgets::FixedDialog::showEvent(event);
    activateWindow();
    if (QCheckBox* first = bitBox(0)) {
        first->setFocus(Qt::ActiveWindowFocusReason);
    } else {
        setFocus(Qt::ActiveWindowFocusReason);
    }
}

void BitDialog::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        FormKeyUp(event->key());
    }
    widgets::FixedDialog::keyReleaseEvent(event);
}

}  // namespace kelvan::dialogs

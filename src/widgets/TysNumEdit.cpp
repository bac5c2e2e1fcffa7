#include "widgets/TysNumEdit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <limits>

namespace kelvan::widgets {
namespace {

// The characters QLineEdit would insert for this key: printable text that is not a Ctrl or
// Ctrl+Shift shortcut (Ctrl+Alt is AltGr on Windows and does type characters).
bool insertsText(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty() || !text.front().isPrint()) {
        return false;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return modifiers != Qt::ControlModifier &&
           modifiers != (Qt::ControlModifier | Qt::ShiftModifier);
}

// The paste item of QLineEdit's standard context menu: named "edit-paste" by newer Qt versions,
// recognised by its (translated) caption before the shortcut's tab in older ones.
QAction* standardPasteAction(const QMenu& menu) {
    const QString caption = QLineEdit::tr("&Paste");
    for (QAction* action : menu.actions()) {
        if (action->objectName() == QLatin1String("edit-paste") ||
            action->text().section(u'\t', 0, 0) == caption) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<std::int32_t> parseInt32(const QString& text) {
    qsizetype position = 0;
    bool negative = false;
    if (position < text.size() && (text[position] == u'+' || text[position] == u'-')) {
        negative = text[position] == u'-';
        ++position;
    }
    if (position == text.size()) {
        return std::nullopt;
    }
    // Accumulated as a negative number so that the most negative value fits.
    std::int64_t number = 0;
    for (; position < text.size(); ++position) {
        const char16_t c = text[position].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        number = number * 10 - (c - u'0');
        if (number < std::numeric_limits<std::int32_t>::min()) {
            return std::nullopt;
        }
    }
    if (!negative) {
        number = -number;
        if (number > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(number);
}

TysNumEdit::TysNumEdit(QWidget* parent) : TysCustomEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { TextChanged(); });
    setAlignment(TAlignment::taRightJustify);
    // Dropped or composed text would bypass the key filter; the field takes numbers by typing and
    // by paste only.
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void TysNumEdit::setValue(std::int32_t value) {
    if (value == value_) {
        return;
    }
    value_ = value;
    rewriteText();
}

void TysNumEdit::setDigits(std::int32_t digits) {
    if (digits == digits_) {
        return;
    }
    digits_ = digits;
    rewriteText();
}

void TysNumEdit::TextChanged() {
    if (!updating_) {
        value_ = TextToValue();
    }
    if (OnChange) {
        OnChange(*this);
    }
}

void TysNumEdit::RejectChar(QChar) {
    QApplication::beep();
}

void TysNumEdit::rewriteText() {
    updating_ = true;
    UpdateText();
    updating_ = false;
}

void TysNumEdit::pasteFrom(QClipboard::Mode mode) {
    if (!isEnabled() || isReadOnly()) {
        return;
    }
    // Surrounding white space (a copied line's end) is not part of the number.
    const QString clipboardText = QGuiApplication::clipboard()->text(mode).trimmed();
    value_ = parseInt32(clipboardText).value_or(0);
    rewriteText();
}

void TysNumEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        pasteFrom(QClipboard::Clipboard);
        event->accept();
        return;
    }
    if (insertsText(*event)) {
        for (const QChar c : event->text()) {
            if (!IsValidChar(c)) {
                RejectChar(c);
                event->accept();
                return;
            }
        }
    }
    TysCustomEdit::keyPressEvent(event);
}

void TysNumEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The standard paste inserts at the caret; ours replaces the value.
    if (QAction* paste = standardPasteAction(*menu)) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this, [this] { pasteFrom(QClipboard::Clipboard); });
    }
    menu->popup(event->globalPos());
    event->accept();
}

void TysNumEdit::mouseReleaseEvent(QMouseEvent* event) {
    // X11's middle-button paste of the selection is a paste too.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        pasteFrom(QClipboard::Selection);
        event->accept();
        return;
    }
    TysCustomEdit::mouseReleaseEvent(event);
}

}  // namespace kelvan::widgets

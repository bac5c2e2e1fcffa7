#include "widgets/TysIntEdit.h"

namespace kelvan::widgets {

QString paddedDecimal(std::int32_t value, std::int32_t digits) {
    QString text = QString::number(value);
    const qsizetype missing = digits - text.size();
    if (missing > 0) {
        text.insert(value < 0 ? 1 : 0, QString(missing, u'0'));
    }
    return text;
}

TysIntEdit::TysIntEdit(QWidget* parent) : TysNumEdit(parent) {
    rewriteText();
}

bool TysIntEdit::IsValidChar(QChar c) const {
    return c == u'+' || c == u'-' || (c >= u'0' && c <= u'9') || c.unicode() < 32;
}

void TysIntEdit::UpdateText() {
    const QString canonical = paddedDecimal(Value(), Digits());
    if (canonical != text()) {
        setText(canonical);
    }
}

void TysIntEdit::TextChanged() {
    // Through the setter: a different number rewrites the text, which re-enters here nested.
    setValue(parseInt32(text()).value_or(0));
    TysNumEdit::TextChanged();
}

std::int32_t TysIntEdit::TextToValue() const {
    return Value();
}

}  // namespace kelvan::widgets

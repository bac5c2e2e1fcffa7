#pragma once

#include "widgets/TysCustomEdit.h"

#include <QClipboard>

#include <cstdint>
#include <functional>
#include <optional>

namespace kelvan::widgets {

// Converts text to a 32-bit signed integer: an optional sign and decimal digits, nothing else.
// Nothing for empty text, a lone sign, other characters or a number out of range.
std::optional<std::int32_t> parseInt32(const QString& text);

// An edit field that holds a number. Typed characters that the number cannot contain are refused
// with a beep; a paste replaces the whole value; the text is kept canonical by TextChanged, and
// OnChange reports every change of the text. Concrete classes supply the conversions.
class TysNumEdit : public TysCustomEdit {
    Q_OBJECT
  public:
    explicit TysNumEdit(QWidget* parent = nullptr);

    std::int32_t Value() const { return value_; }
    // No effect when `value` equals Value; otherwise stores it and rewrites the text.
    void setValue(std::int32_t value);
    std::int32_t Digits() const { return digits_; }
    // Minimum length of the text, padded with zeros. No effect when unchanged.
    void setDigits(std::int32_t digits);
    QString TextValue() const { return text(); }

    // Raised after every change of the text, with this field.
    std::function<void(TysNumEdit&)> OnChange;

  protected:
    virtual bool IsValidChar(QChar c) const = 0;
    // Writes Value (and Digits) into the text.
    virtual void UpdateText() = 0;
    // Runs on every change of the text: takes the number from the text unless the field is
    // rewriting its own text, then raises OnChange.
    virtual void TextChanged();
    // The number the text stands for.
    virtual std::int32_t TextToValue() const = 0;
    // Tells the user that a typed character was refused: the system's default sound.
    virtual void RejectChar(QChar c);

    // Rewrites the text from Value and Digits with Updating set, so that the change it causes
    // keeps Value as it is. Concrete classes call it once constructed; the setters and the paste
    // call it after storing their value.
    void rewriteText();

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // Replaces Value by the clipboard's text as a number (0 when it is none). Ignored while the
    // field is disabled or read-only.
    void pasteFrom(QClipboard::Mode mode);

    std::int32_t value_ = 0;
    std::int32_t digits_ = 0;
    bool updating_ = false;
};

}  // namespace kelvan::widgets

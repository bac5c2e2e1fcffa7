#pragma once

#include "widgets/TysNumEdit.h"

namespace kelvan::widgets {

// The numeric field for 32-bit signed integers, in decimal. Typing accepts "+", "-", the digits
// and control characters. Starts with Value 0 and the text "0".
class TysIntEdit : public TysNumEdit {
    Q_OBJECT
  public:
    explicit TysIntEdit(QWidget* parent = nullptr);

  protected:
    bool IsValidChar(QChar c) const override;
    void UpdateText() override;
    void TextChanged() override;
    std::int32_t TextToValue() const override;
};

// The text of `value` at least `digits` characters long, padded with zeros after any sign
// ("-005" for -5 in 4 digits) so that it still reads back as the same number.
QString paddedDecimal(std::int32_t value, std::int32_t digits);

}  // namespace kelvan::widgets

#pragma once

#include <QValidator>

namespace kelvan::widgets {

// Accepts any text and turns its letters into capitals as they are typed or pasted.
class UpperCaseValidator : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

}  // namespace kelvan::widgets

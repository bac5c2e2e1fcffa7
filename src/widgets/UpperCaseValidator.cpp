#include "widgets/UpperCaseValidator.h"

namespace kelvan::widgets {

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
    input = input.toUpper();
    return Acceptable;
}

}  // namespace kelvan::widgets

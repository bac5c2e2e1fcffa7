#include "widgets/UpperCaseValidator.h"

namespace kelvan::dialogs {

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
    input = input.toUpper();
    return Acceptable;
}

}  // namespace kelvan::dialogs

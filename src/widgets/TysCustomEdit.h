#pragma once

#include <QLineEdit>

namespace kelvan::widgets {

// Where the text sits in the field. Right and left swap in a right-to-left layout; centred
// stays centred.
enum class TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// A single-line edit with a choice of text alignment.
class TysCustomEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TysCustomEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return alignment_; }
    // Applies `alignment` when it differs from the current one.
    void setAlignment(TAlignment alignment);
    using QLineEdit::setAlignment;

  private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
};

}  // namespace kelvan::widgets

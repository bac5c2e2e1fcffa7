#pragma once

// The main window's modal message boxes, behind an interface so that the window's logic can be
// driven without a user at the screen.

#include <QString>
#include <optional>

class QWidget;

namespace kelvan::widgets {

class Prompter {
  public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompter() = default;

    // Confirmation box with Yes, No and Cancel; closing it any other way answers Cancel.
    virtual Answer askYesNoCancel(QWidget* parent, const QString& text) = 0;
    // Confirmation box with Yes and No; true only for Yes, closing it any other way answers No.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
    // The save-file dialog opened on `preset` (folder and name), with no file-type filter, no
    // default extension and no overwrite question of its own. Nothing when it was cancelled.
    virtual std::optional<QString> askSaveFileName(QWidget* parent, const QString& preset) = 0;
    // Warning box with a single OK button.
    virtual void showWarning(QWidget* parent, const QString& text) = 0;
    // The program's error box.
    virtual void showError(QWidget* parent, const QString& text) = 0;
};

// The real boxes: QMessageBox and the program's error box.
class MessageBoxPrompter : public Prompter {
  public:
    Answer askYesNoCancel(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    std::optional<QString> askSaveFileName(QWidget* parent, const QString& preset) override;
    void showWarning(QWidget* parent, const QString& text) override;
    void showError(QWidget* parent, const QString& text) override;
};

// Texts of the system hold their line breaks as LF CR; a message box would show the stray CR
// as a glyph or an empty line, so this turns each LF CR, CR LF and lone CR into one LF.
QString displayLineBreaks(QString text);

}  // namespace kelvan::widgets

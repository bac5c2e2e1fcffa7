#include "widgets/Prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "widgets/ErrorBox.h"
#include "widgets/FileColumnTexts.h"

namespace kelvan::widgets {

Prompter::Answer MessageBoxPrompter::askYesNoCancel(QWidget* parent, const QString& text) {
    const auto button = QMessageBox::question(
        parent, QApplication::applicationDisplayName(), displayLineBreaks(text),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    switch (button) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

bool MessageBoxPrompter::askYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QApplication::applicationDisplayName(),
                                 displayLineBreaks(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> MessageBoxPrompter::askSaveFileName(QWidget* parent, const QString& preset) {
    QFileDialog dialog(parent, QStringLiteral("Сохранить как"), preset);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Sizes and times as the file list shows them; a system's own dialog ignores it.
    dialog.setProxyModel(new FileColumnTexts(&dialog));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString name = dialog.selectedFiles().front();
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return name;
}

void MessageBoxPrompter::showWarning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), displayLineBreaks(text),
                         QMessageBox::Ok);
}

void MessageBoxPrompter::showError(QWidget* parent, const QString& text) {
    showErrorBox(parent, text);
}

QString displayLineBreaks(QString text) {
    static const QRegularExpression lineBreak(QStringLiteral("\n\r|\r\n|\r"));
    text.replace(lineBreak, QStringLiteral("\n"));
    return text;
}

}  // namespace kelvan::widgets

#include "widgets/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace kelvan::widgets {
namespace {

ErrorBoxHandler& installedHandler() {
    static ErrorBoxHandler handler;
    return handler;
}

QString applicationTitle() {
    const QString title = QApplication::applicationDisplayName();
    return title.isEmpty() ? QStringLiteral("Kelvan") : title;
}

}  // namespace

QString errorBoxText(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.') {
        return text + u'.';
    }
    return text;
}

void showErrorBox(QWidget* parent, const QString& text) {
    const QString shown = errorBoxText(text);
    if (installedHandler()) {
        installedHandler()(parent, shown);
        return;
    }
    QMessageBox::critical(parent, applicationTitle(), shown);
}

ErrorBoxHandler setErrorBoxHandler(ErrorBoxHandler handler) {
    return std::exchange(installedHandler(), std::move(handler));
}

}  // namespace kelvan::widgets

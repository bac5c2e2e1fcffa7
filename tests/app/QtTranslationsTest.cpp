// Qt's own texts speak Russian like the rest of the program once its catalogue is installed.

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/QtTranslations.h"

namespace kelvan::app {
namespace {

TEST(QtTranslations, StandardButtonsReadInRussian) {
    ASSERT_TRUE(installQtTranslations(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kelvan"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    const std::pair<QMessageBox::StandardButton, QString> expected[] = {
        {QMessageBox::Yes, QStringLiteral("&Да")},
        {QMessageBox::No, QStringLiteral("&Нет")},
        {QMessageBox::Cancel, QStringLiteral("Отмена")},
        {QMessageBox::Ok, QStringLiteral("ОК")},
    };
    for (const auto& [button, text] : expected) {
        EXPECT_EQ(box.button(button)->text().toStdString(), text.toStdString());
    }
}

}  // namespace
}  // namespace kelvan::app

#include "DialogTestSupport.h"
#include "devsim/PseudoTerminal.h"
#include "widgets/ErrorBox.h"
#include "dialogs/TForm3.h"
#include "serial/CommNotifier.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kelvan::dialogs::test {
namespace {

using serial::TParity;

const QString MissingPort = QStringLiteral("/nonexistent/kelvan-port");

class TForm3Test : public testing::Test {
  protected:
    void SetUp() override { forgetSettings(); }

    FakeHost host;
    ErrorBoxRecorder errors;
};

TEST(ErrorBoxText, AppendsAFullStopAfterCharactersAboveIt) {
    EXPECT_EQ(widgets::errorBoxText("Задан не COM-порт"), "Задан не COM-порт.");
    EXPECT_EQ(widgets::errorBoxText("Невозможно создать Read thread"),
              "Невозможно создать Read thread.");
    EXPECT_EQ(widgets::errorBoxText("Невозможно открыть порт!"), "Невозможно открыть порт!");
    EXPECT_EQ(widgets::errorBoxText("Готово."), "Готово.");
    EXPECT_EQ(widgets::errorBoxText("(нет)"), "(нет)");
    EXPECT_EQ(widgets::errorBoxText("a/"), "a/.");  // '/' is 0x2F, one above the full stop
    EXPECT_EQ(widgets::errorBoxText(""), "");
}

TEST(ErrorBoxText, AnInstalledHandlerGetsTheShownText) {
    ErrorBoxRecorder recorder;
    widgets::showErrorBox(nullptr, "Задан не COM-порт");
    EXPECT_EQ(recorder.shown, QStringList{"Задан не COM-порт."});
}

TEST_F(TForm3Test, FirstStartWritesThePortValuesAtOnceAndTheRestAtTheEnd) {
    auto form = std::make_unique<TForm3>(host);
    EXPECT_EQ(host.calls.value(0), "watchdog");
    EXPECT_EQ(form->Edit1->text(), "/dev/ttyUSB0");
    EXPECT_EQ(form->ysIntEdit1->Value(), 56000);
    EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox1->shownText(), "Нет");
    EXPECT_EQ(host.comm().CommPort(), "/dev/ttyUSB0");
    EXPECT_EQ(host.comm().BaudRate(), 56000u);
    EXPECT_EQ(host.comm().Parity(), TParity::pNone);
    for (int number = 1; number <= 12; ++number) {
        EXPECT_TRUE(form->option(number)) << number;
    }

    const QString atStart = settingsFileText();
    EXPECT_TRUE(atStart.contains("ComPort=/dev/ttyUSB0")) << atStart.toStdString();
    EXPECT_TRUE(atStart.contains("Bitrate=56000")) << atStart.toStdString();
    EXPECT_TRUE(atStart.contains("Parity=-1")) << atStart.toStdString();
    EXPECT_FALSE(atStart.contains("Path=")) << atStart.toStdString();
    EXPECT_FALSE(atStart.contains("Check")) << atStart.toStdString();

    host.folder = "/tmp";
    form->CheckBox(4)->setChecked(false);
    form.reset();
    const QString atEnd = settingsFileText();
    EXPECT_TRUE(atEnd.contains("Path=/tmp")) << atEnd.toStdString();
    EXPECT_TRUE(atEnd.contains("Check4=0")) << atEnd.toStdString();
    for (int number : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12}) {
        EXPECT_TRUE(atEnd.contains(QStringLiteral("Check%1=1\n").arg(number))) << number;
    }
}

TEST_F(TForm3Test, SecondStartReadsTheValuesBackAndOpensThePort) {
    devsim::PseudoTerminal terminal;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    {
        FakeHost firstRun;
        plantSetting("ComPort", QString::fromStdString(terminal.slavePath()));
        plantSetting("Bitrate", 9600);
        TForm3 form(firstRun);
        firstRun.folder = folder.path();
        form.CheckBox(9)->setChecked(false);
    }
    TForm3 form(host);
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join(", ").toStdString();
    EXPECT_TRUE(host.comm().isOpen());
    EXPECT_EQ(host.comm().CommPort(), terminal.slavePath());
    EXPECT_EQ(host.comm().BaudRate(), 9600u);
    // Parity -1 read back: nothing selected, shown as what the port uses, parity none.
    EXPECT_EQ(form.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form.ComboBox1->shownText(), "Нет");
    EXPECT_EQ(host.comm().Parity(), TParity::pNone);
    EXPECT_EQ(host.escapes, (std::vector<int>{serial::EscapeSetRts, serial::EscapeClrDtr}));
    EXPECT_EQ(host.calls, (QStringList{"watchdog", "folder " + folder.path()}));
    EXPECT_FALSE(form.option(9));
    EXPECT_TRUE(form.option(1));
}

TEST_F(TForm3Test, ValuesOfTheWrongTypeFallBackToTheDesignAndAreRepaired) {
    plantSetting("ComPort", QStringList{"COM1", "COM2"});
    plantSetting("Bitrate", "abc");
    plantSetting("Parity", "нет");
    plantSetting("Check3", "yes");
    plantSetting("Path", QStringList{"/tmp", "/"});
    {
        TForm3 form(host);
        EXPECT_EQ(form.Edit1->text(), "/dev/ttyUSB0");
        EXPECT_EQ(form.ysIntEdit1->Value(), 56000);
        EXPECT_EQ(host.comm().BaudRate(), 56000u);
        EXPECT_EQ(form.ComboBox1->currentIndex(), -1);
        EXPECT_TRUE(form.option(3));
        EXPECT_EQ(host.calls, QStringList{"watchdog"});
        const QString text = settingsFileText();
        EXPECT_TRUE(text.contains("ComPort=/dev/ttyUSB0")) << text.toStdString();
        EXPECT_TRUE(text.contains("Bitrate=56000")) << text.toStdString();
        EXPECT_TRUE(text.contains("Parity=-1")) << text.toStdString();
    }
    EXPECT_TRUE(settingsFileText().contains("Check3=1\n"));
}

TEST_F(TForm3Test, AnyNonZeroOptionReadsCheckedAndIsWrittenBackAsOne) {
    plantSetting("Check7", 5);
    plantSetting("Check2", 0);
    plantSetting("Check12", -1);
    {
        TForm3 form(host);
        EXPECT_TRUE(form.option(7));
        EXPECT_FALSE(form.option(2));
        EXPECT_TRUE(form.option(12));
        EXPECT_TRUE(form.CheckBox2->isChecked() == form.option(2));
    }
    const QString text = settingsFileText();
    EXPECT_TRUE(text.contains("Check7=1\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Check2=0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Check12=1\n")) << text.toStdString();
}

TEST_F(TForm3Test, TheNinthBitSelectsTheParityByItsOwnTable) {
    const std::pair<int, TParity> table[] = {{0, TParity::pNone},
                                             {1, TParity::pOdd},
                                             {2, TParity::pEven},
                                             {3, TParity::pSpace},
                                             {4, TParity::pMark}};
    for (const auto& [index, parity] : table) {
        plantSetting("Parity", index);
        FakeHost run;
        run.comm().setParity(TParity::pMark == parity ? TParity::pSpace : TParity::pMark);
        TForm3 form(run);
        EXPECT_EQ(form.ComboBox1->currentIndex(), index);
        EXPECT_EQ(run.comm().Parity(), parity) << index;
    }
    plantSetting("Parity", 7);
    FakeHost run;
    run.comm().setParity(TParity::pEven);
    TForm3 form(run);
    EXPECT_EQ(form.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(run.comm().Parity(), TParity::pEven);  // not set: the port keeps what it had
}

TEST_F(TForm3Test, SaveStoresOnlyThePortValuesAndHandsThemToTheWindow) {
    TForm3 form(host);
    const std::string portAtStart = host.comm().CommPort();
    form.Edit1->setText("/dev/ttyACM1");
    form.ysIntEdit1->setValue(115200);
    form.ComboBox1->setCurrentIndex(2);
    form.CheckBox(5)->setChecked(false);
    host.folder = "/tmp";
    form.show();
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());

    const QString text = settingsFileText();
    EXPECT_TRUE(text.contains("ComPort=/dev/ttyACM1")) << text.toStdString();
    EXPECT_TRUE(text.contains("Bitrate=115200")) << text.toStdString();
    EXPECT_TRUE(text.contains("Parity=2")) << text.toStdString();
    EXPECT_FALSE(text.contains("Path=")) << text.toStdString();
    EXPECT_FALSE(text.contains("Check")) << text.toStdString();
    // The window decides whether they apply now.
    EXPECT_EQ(host.saved, (std::vector<session::PortSettings>{{"/dev/ttyACM1", 115200, 2}}));
    EXPECT_EQ(host.comm().CommPort(), portAtStart);
    EXPECT_EQ(host.comm().BaudRate(), 56000u);
    EXPECT_EQ(host.comm().Parity(), TParity::pNone);
}

// Only an item chosen from the opened list changes the ninth bit. Each case acts on a fresh
// dialog shown on the page "Связь", then "Сохранить" stores what the box then holds.
TEST_F(TForm3Test, TheNinthBitChangesOnlyWhenAnItemIsChosenFromTheList) {
    const auto openList = [](NinthBitBox* box) {
        QTest::mouseClick(box, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->view()->isVisible(); }));
    };
    const auto type = [](QWidget* widget, const QString& text) {  // Cyrillic too
        for (const QChar letter : text) {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(letter.toUpper().unicode()),
                                QString(letter), Qt::NoModifier);
        }
    };
    const struct {
        const char* what;
        std::function<void(TForm3&)> act;
        int stored;
        QString shown;
    } cases[] = {
        {"click into the box, then elsewhere",
         [&](TForm3& form) {
             openList(form.ComboBox1);
             // The open list holds the mouse: a click elsewhere reaches it outside its area.
             QWidget* list = form.ComboBox1->view()->window();
             QTest::mouseClick(list, Qt::LeftButton, {},
                               list->mapFromGlobal(form.Edit1->mapToGlobal(QPoint(5, 5))));
             QTest::mouseClick(form.Edit1, Qt::LeftButton);
             EXPECT_TRUE(form.Edit1->hasFocus());
         },
         -1, "Нет"},
        {"typing and Tab, arrows, the wheel",
         [&](TForm3& form) {
             form.ysIntEdit1->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(form.ysIntEdit1, Qt::Key_Tab);
             ASSERT_TRUE(form.ComboBox1->hasFocus());
             type(form.ComboBox1, QStringLiteral("Чет1"));
             for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Tab}) {
                 QTest::keyClick(form.ComboBox1, key);
             }
             EXPECT_FALSE(form.ComboBox1->hasFocus());
             QWheelEvent wheel(QPointF(5, 5), form.ComboBox1->mapToGlobal(QPointF(5, 5)), {},
                               QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
             QApplication::sendEvent(form.ComboBox1, &wheel);
         },
         -1, "Нет"},
        {"the third item taken from the list with Enter",
         [&](TForm3& form) {
             openList(form.ComboBox1);
             QAbstractItemView* list = form.ComboBox1->view();
             for (const Qt::Key key : {Qt::Key_Home, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
                 QTest::keyClick(list, key);
             }
             EXPECT_FALSE(list->isVisible());
             form.Edit1->setFocus(Qt::MouseFocusReason);
         },
         2, "Нечет"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.what);
        forgetSettings();
        FakeHost run;
        TForm3 form(run);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QTabBar* tabs = form.PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        testCase.act(form);
        EXPECT_EQ(form.ComboBox1->currentIndex(), testCase.stored);
        EXPECT_EQ(form.ComboBox1->shownText(), testCase.shown);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        const QString text = settingsFileText();
        EXPECT_TRUE(text.contains(QStringLiteral("Parity=%1\n").arg(testCase.stored)))
            << text.toStdString();
    }
}

TEST_F(TForm3Test, CancelStoresNothingAndKeepsWhatWasTyped) {
    TForm3 form(host);
    const QString before = settingsFileText();
    form.show();
    form.Edit1->setText("/dev/ttyS7");
    form.ysIntEdit1->setValue(1200);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(settingsFileText(), before);
    EXPECT_EQ(form.Edit1->text(), "/dev/ttyS7");

    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(settingsFileText(), before);
}

TEST_F(TForm3Test, APortThatCannotBeOpenedIsReportedAndStartUpGoesOn) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    plantSetting("ComPort", MissingPort);
    plantSetting("Path", folder.path());
    plantSetting("Check5", 0);
    TForm3 form(host);
    EXPECT_TRUE(errors.shown.isEmpty()) << "no box before every window exists";
    form.showStartupErrors();
    EXPECT_EQ(errors.shown, QStringList{"Невозможно открыть порт!\nПорт /nonexistent/kelvan-port: "
                                        "нет такого устройства."});
    form.showStartupErrors();
    EXPECT_EQ(errors.shown.size(), 1) << "shown once";
    EXPECT_FALSE(host.comm().isOpen());
    EXPECT_TRUE(host.escapes.empty());
    EXPECT_EQ(host.calls, (QStringList{"watchdog", "folder " + folder.path()}));
    EXPECT_FALSE(form.option(5));
}

TEST_F(TForm3Test, AFileThatIsNoPortIsNamed) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    plantSetting("ComPort", file.fileName());
    TForm3 form(host);
    form.showStartupErrors();
    EXPECT_EQ(errors.shown, QStringList{"Задан не COM-порт\nПорт " + file.fileName() + "."});
}

TEST_F(TForm3Test, AfterStartUpASettingsWriteFailureShowsAtOnce) {
    plantSetting("ComPort", MissingPort);
    TForm3 form(host);
    forgetSettings();
    ASSERT_TRUE(QDir().mkpath(settingsFilePath()));  // a folder where the file belongs
    form.WriteRegistry();
    EXPECT_EQ(errors.shown,
              QStringList{"Невозможно сохранить настройки: " + settingsFilePath() + "."});
    ASSERT_TRUE(QDir(settingsFilePath()).removeRecursively());
}

TEST_F(TForm3Test, AStoredFolderThatIsGoneIsIgnored) {
    plantSetting("ComPort", MissingPort);
    plantSetting("Path", "/nonexistent/kelvan-folder");
    {
        TForm3 form(host);
        EXPECT_EQ(host.calls, QStringList{"watchdog"});
    }
    EXPECT_TRUE(settingsFileText().contains("Path=\n"));
}

TEST_F(TForm3Test, DesignLayoutAndPages) {
    plantSetting("ComPort", MissingPort);
    TForm3 form(host);
    EXPECT_EQ(form.windowTitle(), "Настройки");
    EXPECT_EQ(form.size(), QSize(400, 300));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.PageControl1->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(form.Button1->geometry(), QRect(312, 264, 75, 25));
    EXPECT_EQ(form.Button2->geometry(), QRect(224, 264, 75, 25));
    EXPECT_EQ(form.Button1->text(), "Сохранить");
    EXPECT_EQ(form.Button2->text(), "Отменить");
    EXPECT_TRUE(form.Button1->isDefault());
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(192, 210, 192));
    // The port field ends where the other fields do; a POSIX device path fits in it.
    EXPECT_EQ(form.Edit1->geometry().top(), 40);
    EXPECT_EQ(form.Edit1->geometry().right(), form.ysIntEdit1->geometry().right());
    // The arrow of the detected ports stands inside the field's right end, clear of the text.
    const QList<QToolButton*> arrows = form.Edit1->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 1);
    EXPECT_GT(arrows[0]->geometry().left(),
              form.Edit1->fontMetrics().horizontalAdvance("/dev/ttyUSB0") + 4);
    EXPECT_LT(form.Label1->geometry().right(), form.Edit1->geometry().left());
    EXPECT_EQ(form.ysIntEdit1->geometry().topLeft(), QPoint(104, 88));
    EXPECT_EQ(form.ComboBox1->geometry().topLeft(), QPoint(104, 136));
    EXPECT_EQ(form.CheckBox11->geometry().topLeft(), QPoint(8, 192));
    EXPECT_EQ(form.CheckBox11->parentWidget(), form.GroupBox2);
    EXPECT_EQ(form.CheckBox7->geometry().topLeft(), QPoint(8, 168));
    EXPECT_EQ(form.CheckBox7->parentWidget(), form.GroupBox3);
    EXPECT_EQ(form.CheckBox12->text(), "понимать EEP-файлы");
    EXPECT_EQ(form.ComboBox1->count(), 5);
    EXPECT_EQ(form.ComboBox1->itemText(2), "Нечет");

    form.show();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet2);
    form.PageControl1->setCurrentWidget(form.TabSheet3);
    form.reject();
    form.show();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet3);
}

TEST_F(TForm3Test, PortNamesKeepTheirCaseOnPosix) {
    plantSetting("ComPort", "/dev/ttyUsb-Test");
    TForm3 form(host);
    EXPECT_EQ(form.Edit1->text(), "/dev/ttyUsb-Test");
    EXPECT_EQ(host.comm().CommPort(), "/dev/ttyUsb-Test");
    form.show();
    form.Edit1->clear();
    QTest::keyClicks(form.Edit1, "/dev/ttyAb");
    EXPECT_EQ(form.Edit1->text(), "/dev/ttyAb");
}

// The arrow in Edit1 lists the ports present when it is pressed; choosing one only fills the
// field: nothing is stored or applied before "Сохранить".
TEST_F(TForm3Test, TheArrowInThePortFieldOffersTheDetectedPortsWithTheirDescriptions) {
    session::DetectedPort ftdi;
    ftdi.device = "/dev/ttyUSB0";
    ftdi.stableName = "/dev/serial/by-id/usb-FTDI-if00-port0";
    ftdi.description = "FT232R & Co UART";
    session::DetectedPort legacy;
    legacy.device = "/dev/ttyS0";
    QList<session::DetectedPort> present{ftdi, legacy};
    plantSetting("ComPort", MissingPort);
    TForm3 form(host);
    const QString stored = settingsFileText();
    form.setPortLister([&present] { return present; });
    const auto captions = [&form] {
        form.detectedPortsAction()->trigger();
        QStringList texts;
        for (const QAction* action : form.detectedPortsMenu()->actions()) {
            texts << (action->isEnabled() ? "" : "(disabled) ") + action->text();
        }
        return texts;
    };

    EXPECT_EQ(
        captions(),
        (QStringList{"/dev/serial/by-id/usb-FTDI-if00-port0 → /dev/ttyUSB0 — FT232R && Co UART",
                     "/dev/ttyS0"}));
    form.detectedPortsMenu()->actions().at(0)->trigger();
    EXPECT_EQ(form.Edit1->text(), "/dev/serial/by-id/usb-FTDI-if00-port0");
    present.clear();
    EXPECT_EQ(captions(), QStringList{"(disabled) Порты не найдены"});
    EXPECT_EQ(settingsFileText(), stored);
    EXPECT_EQ(host.comm().CommPort(), MissingPort.toStdString());
}

}  // namespace
}  // namespace kelvan::dialogs::test

// The main window without a programmer: its start state, layout, list events, the link's use
// of the window and the closing sequence. The stored port does not exist, so start-up reports
// it in the error box and goes on, as it does on a machine without the programmer.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "AppTestSupport.h"
#include "ErrorBoxRecorder.h"
#include "app/Application.h"
#include "app/QtTranslations.h"
#include "app/TForm1.h"
#include "widgets/StatusLine.h"
#include "app/TForm5.h"
#include "bufferview/HexGrid.h"
#include "dialogs/TForm3.h"

namespace kelvan::app {
namespace {

using link::Bytes;
using testing::ScriptedPrompter;

const QString Disconnected = QStringLiteral("Программатор не подключен");

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writePortSettings(QStringLiteral("/nonexistent/kelvan-test-port"));
        windows_ = std::make_unique<Application>(prompter_);
    }

    TForm1& form() { return windows_->form1(); }

    std::vector<Bytes> queued() { return testing::queuedCommands(form()); }

    // Shows the window at a given size and waits until the size has taken effect.
    void showAt(int width, int height) {
        form().show();
        form().resize(width, height);
        const QSize size = QSize(width, height).expandedTo(form().minimumSize());
        ASSERT_TRUE(testing::waitFor([&] { return form().size() == size; }));
    }

    // A modified buffer with some content and a running pick-up timer, to see what closing
    // leaves of them.
    void prepareModifiedBuffer() {
        form().buffer().resize(40);
        form().buffer().set(3, 0xAB);
        form().buffer().setModified(true);
        form().Timer1->start();
    }

    ScriptedPrompter prompter_;
    dialogs::test::ErrorBoxRecorder errorBoxes_;  // installed before the windows, removed after
    QTemporaryDir folder_;                        // where the save dialog is pointed
    std::unique_ptr<Application> windows_;
};

TEST_F(MainWindowTest, StartsDisconnectedWithTheDesignState) {
    EXPECT_EQ(form().windowTitle(), Disconnected);
    // No port opens here: the status line says so while the port is tried again.
    EXPECT_TRUE(form().statusText().startsWith(QStringLiteral("Невозможно открыть порт!")))
        << form().statusText().toStdString();
    EXPECT_EQ(form().statusColour(), QColor(230, 230, 210));
    EXPECT_EQ(form().palette().color(QPalette::Window), QColor(230, 230, 210));
    EXPECT_EQ(form().GroupBox1->title(), QStringLiteral("Файл"));
    EXPECT_EQ(form().GroupBox2->title(), QStringLiteral("Микросхема"));
    EXPECT_EQ(form().GroupBox3->title(), QStringLiteral("Команда"));
    EXPECT_EQ(form().GroupBox4->title(), QStringLiteral("Данные"));
    EXPECT_EQ(form().StringGrid1->columnCount(), 17);
    EXPECT_EQ(form().StringGrid1->rowCount(), 2);

    EXPECT_EQ(form().ToolButton2->toolTip(), QStringLiteral("Загрузить файл в буфер"));
    EXPECT_EQ(form().ToolButton5->toolTip(), QStringLiteral("Сохранить буфер в файл"));
    EXPECT_EQ(form().ToolButton6->toolTip(), QStringLiteral("Настройки"));
    EXPECT_EQ(form().ToolButton8->toolTip(), QStringLiteral("О программаторе"));
    TForm5& progress = *windows_->form5();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.size(), QSize(359, 89));
    EXPECT_EQ(progress.Label1->text(), QStringLiteral("Очередь команд"));
    EXPECT_EQ(progress.Label1->pos(), QPoint(136, 16));
    EXPECT_EQ(progress.ProgressBar1->geometry(), QRect(24, 40, 313, 16));

    // The tool bar places its buttons when it is first shown.
    showAt(800, 600);
    EXPECT_FALSE(form().ToolButton2->isVisibleTo(&form()));
    for (QToolButton* button : {form().ToolButton5, form().ToolButton6, form().ToolButton8}) {
        EXPECT_TRUE(button->isVisibleTo(&form()));
        EXPECT_FALSE(button->icon().isNull());
    }

    // The settings dialog started the watchdog; the pick-up timer waits for a file.
    EXPECT_TRUE(form().Timer2->isActive());
    EXPECT_EQ(form().Timer2->interval(), 5000);
    EXPECT_EQ(form().Timer2->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(form().Timer1->isActive());
    EXPECT_EQ(form().Timer1->interval(), 300);
    // The port could not be opened: reported once, and start-up went on.
    EXPECT_EQ(errorBoxes_.shown.size(), 1);
    EXPECT_NE(windows_->form3(), nullptr);
}

// Expected places, worked out from the client size alone, step by step.
void expectLayout(TForm1& form) {
    SCOPED_TRACE(::testing::Message() << "client " << form.width() << "x" << form.height());
    const int cw = form.width();
    const int ch = form.height();
    const int toolBar = 29;
    const int statusBar = 19;
    const int between = ch - statusBar - toolBar;
    EXPECT_EQ(form.ToolBar1->geometry(), QRect(0, 0, cw, toolBar));
    EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, ch - statusBar, cw, statusBar));

    const QRect box1(5, toolBar + 5, cw / 3 - 5, between - 10);
    EXPECT_EQ(form.GroupBox1->geometry(), box1);
    const QRect client1 = form.GroupBox1->contentsRect();
    const QRect combo(client1.left() + 5, client1.top() + 15, client1.width() - 10,
                      form.ShellComboBox1->height());
    EXPECT_EQ(form.ShellComboBox1->geometry(), combo);
    const int treeTop = combo.y() + combo.height() + 5;
    const QRect tree(client1.left() + 5, treeTop, client1.width() - 10,
                     (client1.height() - treeTop) / 5 * 2 - 10);
    EXPECT_EQ(form.ShellTreeView1->geometry(), tree);
    const int listTop = tree.y() + tree.height() + 5;
    EXPECT_EQ(
        form.ShellListView1->geometry(),
        QRect(client1.left() + 5, listTop, client1.width() - 10, client1.height() - listTop - 5));

    const QRect box2(box1.x() + box1.width() + 5, toolBar + 5, cw / 5 - 5, between / 3 * 2 - 10);
    EXPECT_EQ(form.GroupBox2->geometry(), box2);
    const QRect client2 = form.GroupBox2->contentsRect();
    EXPECT_EQ(form.ListBox1->geometry(),
              QRect(client2.left() + 5, client2.top() + 15, client2.width() - 10,
                    client2.height() - (client2.top() + 15) - 5));

    const QRect box3(box2.x(), box2.y() + box2.height() + 5, cw / 5 - 5, between / 3 - 5);
    EXPECT_EQ(form.GroupBox3->geometry(), box3);
    const QRect client3 = form.GroupBox3->contentsRect();
    EXPECT_EQ(form.ListBox2->geometry(),
              QRect(client3.left() + 5, client3.top() + 15, client3.width() - 10,
                    client3.height() - (client3.top() + 15) - 5));

    const int box2Right = box2.x() + box2.width();
    const QRect box4(box2Right + 5, toolBar + 5, cw - box2Right - 10, between - 10);
    EXPECT_EQ(form.GroupBox4->geometry(), box4);
    EXPECT_EQ(form.StringGrid1->geometry(), QRect(5, 15, box4.width() - 10, box4.height() - 20));
}

TEST_F(MainWindowTest, LayoutFollowsTheClientSize) {
    showAt(800, 600);
    expectLayout(form());
    // Worked by hand for 800 x 600: 552 pixels between the bars.
    EXPECT_EQ(form().GroupBox1->geometry(), QRect(5, 34, 261, 542));
    EXPECT_EQ(form().GroupBox2->geometry(), QRect(271, 34, 155, 358));
    EXPECT_EQ(form().GroupBox3->geometry(), QRect(271, 397, 155, 179));
    EXPECT_EQ(form().GroupBox4->geometry(), QRect(431, 34, 364, 542));

    showAt(1280, 1024);
    expectLayout(form());
    // Sizes that leave remainders in every division.
    showAt(1017, 713);
    expectLayout(form());

    // Smaller than the window may be: it stops at its minimum, where the byte columns still
    // hold their widest two digits and the command list two lines.
    showAt(200, 150);
    EXPECT_EQ(form().size(), form().minimumSize());
    EXPECT_GT(form().minimumWidth(), 200);
    expectLayout(form());
    const QFontMetrics grid(form().StringGrid1->font());
    EXPECT_GE(form().StringGrid1->columnWidth(0), grid.horizontalAdvance(QStringLiteral("DD")));
    EXPECT_GE(form().ListBox2->viewport()->height(), 2 * form().ListBox2->fontMetrics().height());
    EXPECT_GT(form().ShellTreeView1->height(), 0);
}

TEST_F(MainWindowTest, ClosingSequenceWithoutChangesRunsToTheEnd) {
    showAt(800, 600);
    form().Timer1->start();
    EXPECT_TRUE(form().close());
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_EQ(windows_->form3(), nullptr);
    EXPECT_FALSE(form().Timer1->isActive());
    EXPECT_FALSE(form().Timer2->isActive());
    EXPECT_FALSE(form().layoutEnabled());
    EXPECT_TRUE(form().buffer().empty());

    // A size change after the sequence moves nothing.
    const QRect before = form().GroupBox4->geometry();
    const QRect listBefore = form().ListBox1->geometry();
    form().resize(1200, 900);
    form().FormResize();
    EXPECT_EQ(form().GroupBox4->geometry(), before);
    EXPECT_EQ(form().ListBox1->geometry(), listBefore);
}

TEST_F(MainWindowTest, CancellingTheSaveQuestionKeepsEverything) {
    showAt(800, 600);
    prepareModifiedBuffer();
    prompter_.answer = ScriptedPrompter::Answer::Cancel;

    EXPECT_FALSE(form().close());
    ASSERT_EQ(prompter_.questions.size(), 1);
    EXPECT_EQ(prompter_.questions.front(),
              QStringLiteral("Данные в буфере изменены!\n\rХотите сохранить изменения?"));
    EXPECT_TRUE(prompter_.savePresets.isEmpty());
    EXPECT_TRUE(form().isVisible());
    EXPECT_NE(windows_->form3(), nullptr);
    EXPECT_TRUE(form().Timer1->isActive());
    EXPECT_TRUE(form().Timer2->isActive());
    EXPECT_TRUE(form().layoutEnabled());
    EXPECT_TRUE(form().buffer().modified());
    ASSERT_EQ(form().buffer().size(), 40u);
    EXPECT_EQ(form().buffer().at(3), 0xAB);
}

TEST_F(MainWindowTest, AnsweringNoDropsTheChangesAndCloses) {
    showAt(800, 600);
    prepareModifiedBuffer();
    prompter_.answer = ScriptedPrompter::Answer::No;

    EXPECT_TRUE(form().close());
    EXPECT_EQ(prompter_.questions.size(), 1);
    EXPECT_TRUE(prompter_.savePresets.isEmpty());
    EXPECT_FALSE(form().buffer().modified());
    EXPECT_EQ(windows_->form3(), nullptr);
    EXPECT_FALSE(form().Timer1->isActive());
    EXPECT_FALSE(form().Timer2->isActive());
    EXPECT_FALSE(form().layoutEnabled());
    EXPECT_TRUE(form().buffer().empty());
}

TEST_F(MainWindowTest, AnsweringYesSavesThenCloses) {
    showAt(800, 600);
    prepareModifiedBuffer();
    prompter_.answer = ScriptedPrompter::Answer::Yes;
    const QString saved = folder_.filePath(QStringLiteral("image.bin"));
    prompter_.saveName = saved;

    EXPECT_TRUE(form().close());
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 40);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(3)), 0xAB);
    EXPECT_TRUE(prompter_.errors.isEmpty());
    EXPECT_FALSE(form().buffer().modified());
    EXPECT_EQ(windows_->form3(), nullptr);
    EXPECT_TRUE(form().buffer().empty());
}

TEST_F(MainWindowTest, AFailingSaveStopsTheClosingSequence) {
    showAt(800, 600);
    prepareModifiedBuffer();
    prompter_.answer = ScriptedPrompter::Answer::Yes;
    prompter_.saveName = folder_.path();  // a folder in the way

    EXPECT_FALSE(form().close());
    ASSERT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(prompter_.errors.front().contains(folder_.path()));
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().buffer().modified());
    EXPECT_EQ(form().buffer().size(), 40u);
    EXPECT_NE(windows_->form3(), nullptr);
    EXPECT_TRUE(form().Timer1->isActive());
    EXPECT_TRUE(form().Timer2->isActive());
    EXPECT_TRUE(form().layoutEnabled());
}

TEST_F(MainWindowTest, FirstShowQueuesEndOfSequenceThenTitleRequest) {
    form().Timer2->stop();  // no watchdog expiry may touch the queue meanwhile
    EXPECT_TRUE(queued().empty());
    form().show();
    EXPECT_EQ(queued(), (std::vector<Bytes>{{255}, {254}}));
    form().hide();
    form().show();
    EXPECT_EQ(queued(), (std::vector<Bytes>{{255}, {254}})) << "only the first show queues";
}

TEST_F(MainWindowTest, WatchdogExpiryShowsTheDisconnectedState) {
    showAt(800, 600);
    form().linkView().setCaption(link::DeviceText{"\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0\xF2\xEE\xF0"});
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Программатор"));
    form().linkView().appendChip(link::DeviceText{"A"});
    form().linkView().appendCommand("Читать сигнатуру");

    // Timer2 fires after its interval; shorten it so the test does not idle for 5 s.
    form().Timer2->start(10);
    ASSERT_TRUE(testing::waitFor([&] { return form().windowTitle() == Disconnected; }));
    EXPECT_EQ(form().ListBox1->count(), 0);
    EXPECT_EQ(form().ListBox2->count(), 0);
    form().Timer2->stop();
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
}

class ListEventsTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        showAt(800, 600);
        form().Timer2->stop();
        form().link().clearQueue();
        // "Чип-1", "Чип-2", "Чип-3" in Windows-1251.
        for (const char* name : {"\xD7\xE8\xEF-1", "\xD7\xE8\xEF-2", "\xD7\xE8\xEF-3"}) {
            form().linkView().appendChip(link::DeviceText{name});
        }
        form().linkView().appendCommand("Читать сигнатуру");
        form().linkView().appendCommand("Стереть все");
    }

    void clickRow(QListWidget* list, int row) {
        const QRect itemRect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemRect.center());
    }

    std::vector<Bytes> chipConversation(std::uint8_t chip) {
        return {{249, chip}, {248}, {245}, {247}, {243}, {242}, {241}};
    }
};

TEST_F(ListEventsTest, ChipNamesAreDecoded) {
    ASSERT_EQ(form().ListBox1->count(), 3);
    EXPECT_EQ(form().ListBox1->item(1)->text(), QStringLiteral("Чип-2"));
}

TEST_F(ListEventsTest, ReleasingTheMouseOnAChipQueuesTheChipConversation) {
    clickRow(form().ListBox1, 1);
    EXPECT_EQ(queued(), chipConversation(1));

    // Any button counts, and the release alone is enough.
    form().link().clearQueue();
    const QRect third = form().ListBox1->visualItemRect(form().ListBox1->item(2));
    QTest::mouseClick(form().ListBox1->viewport(), Qt::RightButton, {}, third.center());
    const auto selected = form().ListBox1->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(queued(), chipConversation(static_cast<std::uint8_t>(selected.front().row())));
}

TEST_F(ListEventsTest, ChipListReactsToEnterReleaseOnly) {
    form().ListBox1->setCurrentRow(2);
    QTest::keyPress(form().ListBox1, Qt::Key_Return);
    EXPECT_TRUE(queued().empty()) << "nothing while Enter is down";
    QTest::keyRelease(form().ListBox1, Qt::Key_Return);
    EXPECT_EQ(queued(), chipConversation(2));

    form().link().clearQueue();
    QTest::keyClick(form().ListBox1, Qt::Key_Down);
    EXPECT_TRUE(queued().empty()) << "arrows only move the selection";
}

TEST_F(ListEventsTest, ChipChoiceWithoutSelectionSendsChip255) {
    form().ListBox1->clearSelection();
    form().ListBox1MouseUp();
    EXPECT_EQ(queued(), chipConversation(255));
}

TEST_F(ListEventsTest, CommandChoiceResetsTheStatusColourAndSelectsTheChip) {
    form().ListBox1->setCurrentRow(1);
    form().linkView().setStatusErrorColour();
    EXPECT_EQ(form().statusColour(), QColor(255, 128, 128));

    clickRow(form().ListBox2, 0);
    EXPECT_EQ(form().statusColour(), QColor(230, 230, 210));
    EXPECT_EQ(queued(), (std::vector<Bytes>{{249, 1}}));
}

TEST_F(ListEventsTest, CommandListReactsToEnterGoingDownAndItsRepeats) {
    form().ListBox1->setCurrentRow(0);
    form().ListBox2->setCurrentRow(1);
    QTest::keyPress(form().ListBox2, Qt::Key_Return);
    QTest::keyPress(form().ListBox2, Qt::Key_Enter);
    QTest::keyRelease(form().ListBox2, Qt::Key_Return);
    EXPECT_EQ(queued(), (std::vector<Bytes>{{249, 0}, {249, 0}}));
}

TEST_F(MainWindowTest, StatusBarShowsTextAndErrorColour) {
    form().linkView().setStatusText("Сигнатура: 1E 95 F верна");
    EXPECT_EQ(form().statusText(), QStringLiteral("Сигнатура: 1E 95 F верна"));
    form().linkView().setStatusErrorColour();
    EXPECT_EQ(form().statusColour(), QColor(255, 128, 128));
}

TEST_F(MainWindowTest, ProgressWindowFollowsTheQueue) {
    form().Timer2->stop();
    TForm5& progress = *windows_->form5();
    form().link().enqueue(Bytes{255});
    EXPECT_FALSE(progress.isVisible()) << "one command shows no progress";
    form().link().enqueue(Bytes{254});
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.ProgressBar1->maximum(), 2);
    EXPECT_EQ(progress.ProgressBar1->value(), 2);
    form().link().clearQueue();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.ProgressBar1->value(), 0);
}

TEST_F(MainWindowTest, LinkWarningsGoToTheWarningBox) {
    // The watchdog expires while the box is open, as the link may make it do.
    form().Timer2->start(10);
    prompter_.whileWarningOpen = [this] {
        EXPECT_TRUE(testing::waitFor([this] { return !queued().empty(); }));
    };
    form().linkView().showWarning("Не могу выполнить команду!\n\rОчередь команд очищена.");
    EXPECT_EQ(prompter_.warnings,
              QStringList{QStringLiteral("Не могу выполнить команду!\n\rОчередь команд очищена.")});
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
}

TEST_F(MainWindowTest, ToolButtonsShowTheSettingsAndAboutDialogsModally) {
    showAt(800, 600);
    QString settingsShown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        settingsShown = dialog->windowTitle();
        dialog->reject();
    });
    form().ToolButton6->click();
    EXPECT_EQ(settingsShown, QStringLiteral("Настройки"));

    QString aboutShown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        aboutShown = dialog->windowTitle();
        dialog->reject();
    });
    form().ToolButton8->click();
    EXPECT_EQ(aboutShown, QStringLiteral("О программаторе"));
}

TEST_F(MainWindowTest, SettingsButtonDoesNothingOnceTheDialogIsGone) {
    windows_->destroyForm3();
    bool modalShown = false;
    QTimer::singleShot(0, [&] { modalShown = QApplication::activeModalWidget() != nullptr; });
    form().ToolButton6Click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(modalShown);
}

TEST_F(MainWindowTest, FolderTreeReportsAndTakesTheWorkingFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("images")));
    const QString images = QDir(folder.path()).filePath(QStringLiteral("images"));

    form().setCurrentFolder(images);
    EXPECT_EQ(form().currentFolder(), images);
    // The combo box holds the folder's ancestors from the root down to the folder itself.
    QComboBox* combo = form().ShellComboBox1;
    EXPECT_EQ(combo->currentText(), QDir::toNativeSeparators(images));
    EXPECT_EQ(combo->itemData(0).toString(), QDir::rootPath());
    ASSERT_GE(combo->count(), 3);
    EXPECT_EQ(combo->itemData(combo->count() - 2).toString(), folder.path());
    // Choosing an ancestor moves the tree there.
    emit combo->activated(combo->count() - 2);
    EXPECT_TRUE(testing::waitFor([&] { return form().currentFolder() == folder.path(); }));
    form().setCurrentFolder(images);

    form().setCurrentFolder(QDir(folder.path()).filePath(QStringLiteral("missing")));
    EXPECT_EQ(form().currentFolder(), images) << "a folder that does not exist is ignored";
}

TEST(QtTranslations, StandardButtonsReadInRussian) {
    ASSERT_TRUE(installQtTranslations(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kelvan"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Нет"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("ОК"));  // Cyrillic letters
}

// The types the file list and the save dialog show for what is not a plain file.
TEST(QtTranslations, FileTypesReadInRussian) {
    ASSERT_TRUE(installQtTranslations(*QCoreApplication::instance()));
    const QTemporaryDir folder;
    const std::pair<QString, QString> cases[] = {
        {folder.path(), QStringLiteral("Папка")},
        {QDir::rootPath(), QStringLiteral("Диск")},
    };
    for (const auto& [path, type] : cases) {
        EXPECT_EQ(QFileIconProvider().type(QFileInfo(path)), type) << qPrintable(path);
    }
}

TEST(DisplayLineBreaks, StoredLineBreaksShowAsOneBreak) {
    EXPECT_EQ(widgets::displayLineBreaks(QStringLiteral("Данные в буфере изменены!\n\rХотите?")),
              QStringLiteral("Данные в буфере изменены!\nХотите?"));
    EXPECT_EQ(widgets::displayLineBreaks(QStringLiteral("a\r\nb\nc\rd")),
              QStringLiteral("a\nb\nc\nd"));
}

}  // namespace
}  // namespace kelvan::app

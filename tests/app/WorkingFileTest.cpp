// The buffer's files through the main window: picking a file up in the browser (with the save
// question's three answers), renaming, saving the buffer, and loads that go wrong.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <csignal>
#include <memory>

#include "AppTestSupport.h"
#include "ErrorBoxRecorder.h"
#include "app/Application.h"
#include "app/TForm1.h"
#include "bufferview/BufferFileActions.h"
#include "bufferview/HexGrid.h"
#include "link/Commands.h"

namespace kelvan::app {
namespace {

using Answer = widgets::Prompter::Answer;
using bufferview::SaveOutcome;
using image::LoadOutcome;

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class WorkingFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        testing::writePortSettings(QStringLiteral("/nonexistent/kelvan-test-port"));
        windows_ = std::make_unique<Application>(prompter_);
        form().Timer2->stop();
        form().show();
        form().resize(1000, 700);
        write("a.bin", QByteArray(20, '\x5A'));
        write("b.hex", ":0400000001020304F2\r\n:00000001FF\r\n");  // 01 02 03 04
        form().setCurrentFolder(folder_.path());
    }

    TForm1& form() { return windows_->form1(); }
    bufferview::BufferFileActions& files() { return form().files(); }
    QString path(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }
    QString native(const char* name) const { return QDir::toNativeSeparators(path(name)); }

    void write(const char* name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QModelIndex item(const char* name) {
        return static_cast<QFileSystemModel*>(form().ShellListView1->model())->index(path(name));
    }
    void pickUp(const char* name, Qt::MouseButton button = Qt::LeftButton) {
        ASSERT_TRUE(testing::clickFile(form(), path(name), button)) << name;
    }

    QTemporaryDir folder_;
    testing::ScriptedPrompter prompter_;
    dialogs::test::ErrorBoxRecorder errorBoxes_;
    std::unique_ptr<Application> windows_;
};

// A drop carries one local file: it is picked up as the list would pick it up, after the drop
// has ended. Several files or a folder are not taken.
TEST_F(WorkingFileTest, ADroppedFileIsPickedUpAsInTheList) {
    const auto drag = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form(), &enter);
        if (enter.isAccepted()) {
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&form(), &drop);
            QTest::qWait(20);
        }
        return enter.isAccepted();
    };
    EXPECT_FALSE(drag({QUrl::fromLocalFile(path("a.bin")), QUrl::fromLocalFile(path("b.hex"))}));
    EXPECT_FALSE(drag({QUrl::fromLocalFile(folder_.path())}));
    EXPECT_FALSE(drag({QUrl(QStringLiteral("https://example.org/b.hex"))}));
    EXPECT_TRUE(files().workingFile().isEmpty());

    form().buffer().resize(4);
    form().buffer().setModified(true);
    prompter_.answer = Answer::No;
    form().setCurrentFolder(QDir::homePath());
    ASSERT_TRUE(drag({QUrl::fromLocalFile(path("b.hex"))}));
    EXPECT_EQ(prompter_.questions,
              QStringList{QStringLiteral("Данные в буфере изменены!\n\rХотите сохранить изменения?")});
    EXPECT_EQ(files().workingFile(), native("b.hex"));
    EXPECT_EQ(form().statusText(), QStringLiteral("Рабочий файл: ") + native("b.hex"));
    EXPECT_EQ(form().currentFolder(), folder_.path());
    ASSERT_EQ(form().buffer().size(), 4u);
    EXPECT_EQ(form().buffer().at(3), 4);
}

TEST_F(WorkingFileTest, MouseReleaseOrEnterReleasePicksAFileUp) {
    form().linkView().setStatusErrorColour();
    pickUp("b.hex");
    EXPECT_EQ(files().workingFile(), native("b.hex"));
    EXPECT_EQ(form().statusText(), QStringLiteral("Рабочий файл: ") + native("b.hex"));
    EXPECT_EQ(form().statusColour(), QColor(230, 230, 210));
    ASSERT_EQ(form().buffer().size(), 4u);
    EXPECT_EQ(form().buffer().at(3), 4);
    EXPECT_EQ(form().StringGrid1->rowCount(), 3);
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_FALSE(form().Timer1->isActive());

    // The right button picks up too, then offers the file's menu.
    pickUp("a.bin", Qt::RightButton);
    EXPECT_EQ(form().buffer().size(), 20u);
    auto* menu = form().ShellListView1->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("Переименовать"));
    menu->close();

    // Arrows only move the selection; Enter picks up when it comes up again.
    QTreeView* list = form().ShellListView1;
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    list->setCurrentIndex(item("b.hex"));
    QTest::keyPress(list, Qt::Key_Return);
    EXPECT_EQ(files().workingFile(), native("a.bin"));
    QTest::keyRelease(list, Qt::Key_Return);
    EXPECT_EQ(files().workingFile(), native("b.hex"));
}

TEST_F(WorkingFileTest, FilesAreRenamedInPlaceAndARefusedNameIsReported) {
    QTreeView* list = form().ShellListView1;
    const auto rename = [&](const char* from, const char* to) {
        pickUp(from, Qt::RightButton);
        auto* menu = list->findChild<QMenu*>();
        ASSERT_NE(menu, nullptr);
        menu->actions().front()->trigger();
        menu->close();
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : list->viewport()->findChildren<QLineEdit*>()) {
            editor = candidate->isVisible() ? candidate : editor;  // not the last one, going
        }
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromLatin1(to));
        // Enter goes down in the editor and comes up in the list once the editor has closed.
        QTest::keyPress(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QTest::keyRelease(list, Qt::Key_Return);
    };
    rename("a.bin", "c.bin");
    EXPECT_TRUE(QFile::exists(path("c.bin")));
    EXPECT_FALSE(QFile::exists(path("a.bin")));
    EXPECT_EQ(files().workingFile(), native("a.bin")) << "the Enter of a rename picks nothing up";

    rename("b.hex", "c.bin");
    EXPECT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(QFile::exists(path("b.hex")));
    EXPECT_EQ(contents(path("c.bin")), QByteArray(20, '\x5A'));
}

TEST_F(WorkingFileTest, TheSaveQuestionDecidesWhetherTheNewFileComes) {
    const struct {
        const char* what;
        Answer answer;
        std::optional<QString> saveName;
        bool loaded;  // b.hex replaced the edited buffer
    } cases[] = {
        {"Cancel keeps everything", Answer::Cancel, std::nullopt, false},
        {"No drops the edits", Answer::No, std::nullopt, true},
        {"Yes saves, then loads", Answer::Yes, path("saved.bin"), true},
        {"Yes with the dialog cancelled still loads", Answer::Yes, std::nullopt, true},
        {"Yes and a failed save stop", Answer::Yes, folder_.path(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pickUp("a.bin");
        form().buffer().set(0, 0x11);
        form().buffer().setModified(true);
        prompter_ = testing::ScriptedPrompter{};
        prompter_.answer = c.answer;
        prompter_.saveName = c.saveName;
        pickUp("b.hex");

        EXPECT_EQ(prompter_.questions.value(0),
                  QStringLiteral("Данные в буфере изменены!\n\rХотите сохранить изменения?"));
        EXPECT_EQ(files().workingFile(), native(c.loaded ? "b.hex" : "a.bin"));
        EXPECT_EQ(form().buffer().modified(), !c.loaded);
        EXPECT_EQ(form().buffer().size(), c.loaded ? 4u : 20u);
        EXPECT_EQ(prompter_.savePresets,
                  c.answer == Answer::Yes ? QStringList{native("a.bin")} : QStringList{});
        EXPECT_EQ(prompter_.errors.size(), c.saveName == folder_.path() ? 1 : 0);
    }
    EXPECT_EQ(contents(path("saved.bin")), QByteArray(1, '\x11') + QByteArray(19, '\x5A'));
}

// A name the loader reads as Intel HEX gets Intel HEX, so that it loads back as the buffer;
// every other name gets the raw bytes.
TEST_F(WorkingFileTest, SavingWritesWhatTheNameLoadsBackAs) {
    const QByteArray hundred(100, '\x77');
    const QByteArray four("\x01\x02\x03\x04");
    const QByteArray fourAsHex(":0400000001020304F2\r\n:00000001FF\r\n");
    const struct {
        const char* name;
        bool exists;
        bool yes;  // to "Перезаписать существующий файл?"
        SaveOutcome outcome;
        QByteArray expected;
    } cases[] = {
        {"new.EEP", false, true, SaveOutcome::Saved, fourAsHex},
        {"new.bin", false, true, SaveOutcome::Saved, four},
        {"over.bin", true, true, SaveOutcome::Saved, four},
        {"kept.bin", true, false, SaveOutcome::NotWritten, hundred},
        {"b.hex", true, true, SaveOutcome::Saved, fourAsHex},  // the working file's own name
    };
    pickUp("b.hex");
    write("over.bin", hundred);
    write("kept.bin", hundred);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter_.questions.clear();
        prompter_.saveName = path(c.name);
        prompter_.yes = c.yes;
        EXPECT_EQ(files().ToolButton5Click(), c.outcome);
        EXPECT_EQ(prompter_.questions.size(), c.exists ? 1 : 0);
        EXPECT_EQ(contents(path(c.name)), c.expected);
    }
    EXPECT_EQ(prompter_.questions.value(0), QStringLiteral("Перезаписать существующий файл?"));

    form().buffer().clear();
    prompter_.saveName = path("empty.bin");
    EXPECT_EQ(files().ToolButton5Click(), SaveOutcome::Saved);
    EXPECT_EQ(contents(path("empty.bin")), QByteArray(""));
    EXPECT_TRUE(prompter_.errors.isEmpty());
}

// The disk fills up halfway through: the save reports it and the old file stays whole. A file
// size limit stands in for the full disk, as it fails the write the same way even for root.
TEST_F(WorkingFileTest, AFailedSaveLeavesTheOldFileIntact) {
    const QByteArray old(100, '\x42');
    write("old.bin", old);
    form().buffer().resize(8192);

    ASSERT_NE(std::signal(SIGXFSZ, SIG_IGN), SIG_ERR);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prompter_.saveName = path("old.bin");
    const SaveOutcome outcome = files().ToolButton5Click();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_EQ(outcome, SaveOutcome::Failed);
    ASSERT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(prompter_.errors.front().contains(path("old.bin")));
    EXPECT_EQ(contents(path("old.bin")), old);
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files).size(), 3) << "no temporary left";
}

// A close no one can answer (the program ended by a signal) keeps edits without a question,
// and goes on when they cannot be kept.
TEST_F(WorkingFileTest, ClosingUnaskedKeepsTheEditsInAFileOfTheirOwn) {
    write("blocked", "a file where the folder belongs");
    pickUp("b.hex");
    EXPECT_EQ(files().keepChangesUnasked(path("kept")), QString()) << "no edits, nothing kept";
    form().buffer().setModified(true);
    const QString kept = files().keepChangesUnasked(path("kept/sub"));
    const QStringList written = QDir(path("kept/sub")).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    EXPECT_EQ(kept, "the modified buffer was saved to " + native("kept/sub/") + written.front());
    EXPECT_EQ(contents(path("kept/sub/") + written.front()), QByteArray("\x01\x02\x03\x04"));
    form().buffer().setModified(true);
    EXPECT_TRUE(files().keepChangesUnasked(path("blocked/sub")).endsWith("cannot be created"));
    EXPECT_FALSE(form().buffer().modified());

    form().link().enqueue(link::commands::eraseAll());  // not even the interrupt question
    EXPECT_TRUE(form().closeUnasked());
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_EQ(windows_->form3(), nullptr);
}

TEST_F(WorkingFileTest, LoadsThatGoWrongShowAsTheirOutcomeSays) {
    write("limit.bin", QByteArray(524288, '\0'));
    write("cut.hex", ":0400000001020304F2\r\n");
    ASSERT_TRUE(QFile::link(path("loop.bin"), path("loop.bin")));

    files().setWorkingFile(path("limit.bin"));
    EXPECT_EQ(files().LoadFile(), LoadOutcome::LengthWarning);
    EXPECT_EQ(
        prompter_.warnings,
        QStringList{QStringLiteral("Вряд ли Вы хотите запрограммировать\n\rфайл такой длины!")});
    EXPECT_TRUE(form().buffer().empty());

    files().setWorkingFile(path("loop.bin"));
    EXPECT_EQ(files().LoadFile(), LoadOutcome::OpenFailed);
    ASSERT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(prompter_.errors.front().contains(path("loop.bin")));
    EXPECT_TRUE(prompter_.errors.front().contains(QStringLiteral("symbolic links")));

    // The hidden button's load leaves the buffer alone when the file does not load...
    files().setWorkingFile(path("b.hex"));
    files().ToolButton2Click();
    files().setWorkingFile(path("cut.hex"));
    files().ToolButton2Click();
    EXPECT_EQ(form().buffer().size(), 4u);
    // ...the working-file load empties it first, and the abandoned load says nothing.
    EXPECT_EQ(files().LoadFile(), LoadOutcome::Abandoned);
    EXPECT_TRUE(form().buffer().empty());
    EXPECT_EQ(form().StringGrid1->rowCount(), 2);
    EXPECT_EQ(prompter_.warnings.size() + prompter_.errors.size(), 2);
}

}  // namespace
}  // namespace kelvan::app

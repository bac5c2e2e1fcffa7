// The buffer's files through the main window: picking a file up in the browser (with the save
// question's three answers), saving the buffer, and how a load that goes wrong shows.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
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
#include "buffer/BufferFileActions.h"
#include "buffer/FileBrowser.h"
#include "buffer/HexGrid.h"

namespace kelvan::app {
namespace {

using Answer = Prompter::Answer;
using buffer::LoadOutcome;
using buffer::SaveOutcome;
using testing::ScriptedPrompter;

const QString SaveQuestion =
    QStringLiteral("Данные в буфере изменены!\n\rХотите сохранить изменения?");
const QString OverwriteQuestion = QStringLiteral("Перезаписать существующий файл?");

// Four bytes 01 02 03 04 at address 0, and the end-of-file record.
const QByteArray FourByteHex = ":0400000001020304F2\r\n:00000001FF\r\n";

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

std::vector<std::uint8_t> bufferBytes(TForm1& form) {
    const auto bytes = form.buffer().bytes();
    return {bytes.begin(), bytes.end()};
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
        write(QStringLiteral("a.bin"), QByteArray(20, '\x5A'));
        write(QStringLiteral("b.hex"), FourByteHex);
        form().setCurrentFolder(folder_.path());
        ASSERT_TRUE(testing::waitFor([&] { return !itemRect(QStringLiteral("b.hex")).isEmpty(); }));
    }

    TForm1& form() { return windows_->form1(); }
    QString path(const QString& name) const { return folder_.filePath(name); }

    void write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QRect itemRect(const QString& name) {
        QTreeView* list = form().ShellListView1;
        auto* model = static_cast<QFileSystemModel*>(list->model());
        return list->visualRect(model->index(path(name)));
    }

    // Presses and releases a mouse button over a file, as a user picking it does.
    void pickUp(const QString& name, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(form().ShellListView1->viewport(), button, {}, itemRect(name).center());
    }

    // a.bin picked up and one byte edited.
    void editWorkingFile() {
        pickUp(QStringLiteral("a.bin"));
        form().buffer().set(0, 0x11);
        form().buffer().setModified(true);
        prompter_.questions.clear();
    }

    QTemporaryDir folder_;
    ScriptedPrompter prompter_;
    dialogs::test::ErrorBoxRecorder errorBoxes_;
    std::unique_ptr<Application> windows_;
};

TEST_F(WorkingFileTest, ReleasingTheMouseOverAFileLoadsIt) {
    form().setStatusErrorColour();
    pickUp(QStringLiteral("b.hex"));
    const QString picked = QDir::toNativeSeparators(path(QStringLiteral("b.hex")));
    EXPECT_EQ(form().files().workingFile(), picked);
    EXPECT_EQ(form().statusText(), QStringLiteral("Рабочий файл: ") + picked);
    EXPECT_EQ(form().statusColour(), QColor(230, 230, 210));
    EXPECT_EQ(bufferBytes(form()), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(form().StringGrid1->rowCount(), 3);
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_FALSE(form().Timer1->isActive());

    // The right button picks up too, then offers the file's menu.
    pickUp(QStringLiteral("a.bin"), Qt::RightButton);
    EXPECT_EQ(form().buffer().size(), 20u);
    auto* menu = form().ShellListView1->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("Переименовать"));
    menu->close();
}

TEST_F(WorkingFileTest, EnterReleasedInTheListPicksUpAndArrowsDoNot) {
    QTreeView* list = form().ShellListView1;
    const auto* model = static_cast<QFileSystemModel*>(list->model());
    list->setCurrentIndex(model->index(path(QStringLiteral("a.bin"))));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_TRUE(form().files().workingFile().isEmpty());
    EXPECT_TRUE(form().buffer().empty());

    list->setCurrentIndex(model->index(path(QStringLiteral("b.hex"))));
    QTest::keyPress(list, Qt::Key_Return);
    EXPECT_TRUE(form().buffer().empty()) << "nothing while Enter is down";
    QTest::keyRelease(list, Qt::Key_Return);
    EXPECT_EQ(bufferBytes(form()), (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST_F(WorkingFileTest, FilesAreRenamedInPlaceAndARefusedNameIsReported) {
    QTreeView* list = form().ShellListView1;
    const auto rename = [&](const QString& from, const QString& to) {
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
        editor->setText(to);
        // Enter goes down in the editor and comes up in the list once the editor has closed.
        QTest::keyPress(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QTest::keyRelease(list, Qt::Key_Return);
    };
    rename(QStringLiteral("a.bin"), QStringLiteral("c.bin"));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("c.bin"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("a.bin"))));
    EXPECT_EQ(form().files().workingFile(), QDir::toNativeSeparators(path(QStringLiteral("a.bin"))))
        << "the Enter that ends a rename picks nothing up";

    rename(QStringLiteral("b.hex"), QStringLiteral("c.bin"));
    ASSERT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("b.hex"))));
    EXPECT_EQ(contents(path(QStringLiteral("c.bin"))), QByteArray(20, '\x5A'));
}

TEST_F(WorkingFileTest, TheSaveQuestionDecidesWhetherTheNewFileComes) {
    const QString aBin = QDir::toNativeSeparators(path(QStringLiteral("a.bin")));
    const QString bHex = QDir::toNativeSeparators(path(QStringLiteral("b.hex")));
    const struct {
        const char* what;
        Answer answer;
        std::optional<QString> saveName;
        bool loaded;  // b.hex replaced the edited buffer
    } cases[] = {
        {"Cancel keeps everything", Answer::Cancel, std::nullopt, false},
        {"No drops the edits", Answer::No, std::nullopt, true},
        {"Yes saves, then loads", Answer::Yes, path(QStringLiteral("saved.bin")), true},
        {"Yes with the dialog cancelled still loads", Answer::Yes, std::nullopt, true},
        {"Yes and a failed save stop", Answer::Yes, folder_.path(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        editWorkingFile();
        prompter_.answer = c.answer;
        prompter_.saveName = c.saveName;
        prompter_.savePresets.clear();
        prompter_.errors.clear();
        pickUp(QStringLiteral("b.hex"));

        EXPECT_EQ(prompter_.questions.value(0), SaveQuestion);
        EXPECT_EQ(form().files().workingFile(), c.loaded ? bHex : aBin);
        EXPECT_EQ(form().buffer().modified(), !c.loaded);
        EXPECT_EQ(form().buffer().size(), c.loaded ? 4u : 20u);
        if (c.answer == Answer::Yes) {
            EXPECT_EQ(prompter_.savePresets, QStringList{aBin}) << "preset to WorkingFile";
        }
        EXPECT_EQ(prompter_.errors.size(), c.saveName == folder_.path() ? 1 : 0);
    }
    QByteArray saved(20, '\x5A');
    saved[0] = '\x11';
    EXPECT_EQ(contents(path(QStringLiteral("saved.bin"))), saved);
}

TEST_F(WorkingFileTest, SavingWritesTheRawBytes) {
    const QByteArray hundred(100, '\x77');
    const struct {
        const char* what;
        const char* name;
        bool exists;
        bool yes;
        SaveOutcome outcome;
        QByteArray expected;
    } cases[] = {
        {"a new name", "new.bin", false, true, SaveOutcome::Saved, "\x01\x02\x03\x04"},
        {"over a file, Yes", "over.bin", true, true, SaveOutcome::Saved, "\x01\x02\x03\x04"},
        {"over a file, No", "kept.bin", true, false, SaveOutcome::NotWritten, hundred},
        {"the HEX file itself", "b.hex", true, true, SaveOutcome::Saved, "\x01\x02\x03\x04"},
    };
    pickUp(QStringLiteral("b.hex"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = QString::fromLatin1(c.name);
        if (c.exists && name != QStringLiteral("b.hex")) {
            write(name, hundred);
        }
        prompter_.questions.clear();
        prompter_.saveName = path(name);
        prompter_.yes = c.yes;
        EXPECT_EQ(form().files().ToolButton5Click(), c.outcome);
        EXPECT_EQ(prompter_.questions, c.exists ? QStringList{OverwriteQuestion} : QStringList{});
        EXPECT_EQ(contents(path(name)), c.expected);
    }

    form().buffer().clear();
    prompter_.saveName = path(QStringLiteral("empty.bin"));
    EXPECT_EQ(form().files().ToolButton5Click(), SaveOutcome::Saved);
    EXPECT_EQ(contents(path(QStringLiteral("empty.bin"))), QByteArray(""));
    EXPECT_TRUE(prompter_.errors.isEmpty());
}

// The disk fills up halfway through: the save reports it and the old file stays whole. A file
// size limit stands in for the full disk, as it fails the write the same way even for root.
TEST_F(WorkingFileTest, AFailedSaveLeavesTheOldFileIntact) {
    const QByteArray old(100, '\x42');
    write(QStringLiteral("old.bin"), old);
    form().buffer().resize(8192);

    ASSERT_NE(std::signal(SIGXFSZ, SIG_IGN), SIG_ERR);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prompter_.saveName = path(QStringLiteral("old.bin"));
    const SaveOutcome outcome = form().files().ToolButton5Click();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_EQ(outcome, SaveOutcome::Failed);
    ASSERT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(prompter_.errors.front().contains(path(QStringLiteral("old.bin"))));
    EXPECT_EQ(contents(path(QStringLiteral("old.bin"))), old);
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files).size(), 3) << "no temporary left";
}

TEST_F(WorkingFileTest, LoadsThatGoWrongShowAsTheirOutcomeSays) {
    write(QStringLiteral("limit.bin"), QByteArray(524288, '\0'));
    write(QStringLiteral("cut.hex"), ":0400000001020304F2\r\n");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("loop.bin")), path(QStringLiteral("loop.bin"))));
    buffer::BufferFileActions& files = form().files();

    files.setWorkingFile(path(QStringLiteral("limit.bin")));
    EXPECT_EQ(files.LoadFile(), LoadOutcome::LengthWarning);
    EXPECT_EQ(
        prompter_.warnings,
        QStringList{QStringLiteral("Вряд ли Вы хотите запрограммировать\n\rфайл такой длины!")});
    EXPECT_TRUE(form().buffer().empty());

    files.setWorkingFile(path(QStringLiteral("loop.bin")));
    EXPECT_EQ(files.LoadFile(), LoadOutcome::OpenFailed);
    ASSERT_EQ(prompter_.errors.size(), 1);
    EXPECT_TRUE(prompter_.errors.front().contains(path(QStringLiteral("loop.bin"))));
    EXPECT_TRUE(prompter_.errors.front().contains(QStringLiteral("symbolic links")));

    // The hidden button's load leaves the buffer alone when the file does not load.
    files.setWorkingFile(path(QStringLiteral("b.hex")));
    files.ToolButton2Click();
    files.setWorkingFile(path(QStringLiteral("cut.hex")));
    files.ToolButton2Click();
    EXPECT_EQ(bufferBytes(form()), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    // The working-file load empties it first.
    EXPECT_EQ(files.LoadFile(), LoadOutcome::Abandoned);
    EXPECT_TRUE(form().buffer().empty());
    EXPECT_EQ(form().StringGrid1->rowCount(), 2);
    EXPECT_EQ(prompter_.warnings.size(), 1);
    EXPECT_EQ(prompter_.errors.size(), 1);
}

}  // namespace
}  // namespace kelvan::app

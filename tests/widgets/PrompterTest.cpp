#include "widgets/Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kelvan::widgets {
namespace {

// What the user does in the box: a key, or a click on one of its standard buttons.
struct Reply {
    Qt::Key key = Qt::Key_unknown;
    QMessageBox::StandardButton click = QMessageBox::NoButton;
};

// Waits for the real message box the prompter opens, keeps its text, and answers it.
void answerTheBox(const Reply& reply, QString& shownText) {
    QTimer::singleShot(10, [reply, &shownText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            answerTheBox(reply, shownText);
            return;
        }
        shownText = box->text();
        if (reply.click != QMessageBox::NoButton) {
            box->button(reply.click)->click();
        } else {
            QTest::keyClick(box, reply.key);
        }
    });
}

// The question that guards closing during an operation, with the LF CR the program's texts
// use between their lines.
const QString Question = QString::fromUtf8("Операция ещё не закончена.\n\rПрервать её?");

// Enter and Esc, the keys a hurried user presses, never answer yes: closing the window during
// a write, or discarding an edited buffer, takes a deliberate click.
TEST(PrompterTest, EnterAndEscKeepWorkingAndOnlyAClickSaysYes) {
    MessageBoxPrompter prompter;
    const struct {
        Reply reply;
        bool yesNo;
        Prompter::Answer yesNoCancel;
    } cases[] = {
        {{.key = Qt::Key_Return}, false, Prompter::Answer::Cancel},
        {{.key = Qt::Key_Escape}, false, Prompter::Answer::Cancel},
        {{.click = QMessageBox::Yes}, true, Prompter::Answer::Yes},
        {{.click = QMessageBox::No}, false, Prompter::Answer::No},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.reply.key);
        SCOPED_TRACE(testCase.reply.click);
        QString shown;
        answerTheBox(testCase.reply, shown);
        EXPECT_EQ(prompter.askYesNo(nullptr, Question), testCase.yesNo);
        EXPECT_EQ(shown, QString::fromUtf8("Операция ещё не закончена.\nПрервать её?"));
        answerTheBox(testCase.reply, shown);
        EXPECT_EQ(prompter.askYesNoCancel(nullptr, Question), testCase.yesNoCancel);
    }
}

}  // namespace
}  // namespace kelvan::widgets

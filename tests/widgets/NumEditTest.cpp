#include "widgets/TysIntEdit.h"
#include "widgets/UpperCaseValidator.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvan::widgets {
namespace {

// The bit-rate field with its refusals counted instead of sounded.
class CountingIntEdit : public TysIntEdit {
  public:
    CountingIntEdit() {
        OnChange = [this](TysNumEdit& sender) {
            EXPECT_EQ(&sender, this);
            changes.push_back(text());
        };
    }
    std::vector<QChar> refused;
    QStringList changes;  // the text at each OnChange

  protected:
    void RejectChar(QChar c) override { refused.push_back(c); }
};

class NumEditTest : public testing::Test {
  protected:
    void SetUp() override {
        edit.setValue(56000);
        edit.changes.clear();
        edit.show();
        edit.setFocus();
        edit.setCursorPosition(edit.text().size());
    }

    CountingIntEdit edit;
};

TEST(ParseInt32, TakesAnOptionalSignAndDigitsInRange) {
    EXPECT_EQ(parseInt32("9600"), 9600);
    EXPECT_EQ(parseInt32("+7"), 7);
    EXPECT_EQ(parseInt32("-0012"), -12);
    EXPECT_EQ(parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(parseInt32("-2147483648"), std::numeric_limits<std::int32_t>::min());
    for (const char* invalid : {"", "+", "-", "2147483648", "-2147483649", "12a", " 5", "5 ", "1.5",
                                "0x10", "99999999999999999999"}) {
        EXPECT_EQ(parseInt32(invalid), std::nullopt) << invalid;
    }
}

TEST(TysIntEdit, StartsAtZeroRightAligned) {
    TysIntEdit edit;
    EXPECT_EQ(edit.Value(), 0);
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.Alignment(), TAlignment::taRightJustify);
    EXPECT_TRUE(QStyle::visualAlignment(Qt::LeftToRight, edit.alignment()) & Qt::AlignRight);
    // In a right-to-left layout right alignment puts the text on the left.
    edit.setLayoutDirection(Qt::RightToLeft);
    EXPECT_TRUE(QStyle::visualAlignment(edit.layoutDirection(), edit.alignment()) & Qt::AlignLeft);
    edit.setAlignment(TAlignment::taCenter);
    EXPECT_TRUE(edit.alignment() & Qt::AlignHCenter);
}

TEST_F(NumEditTest, RefusesLettersWithABeepAndKeepsEditingKeys) {
    QTest::keyClicks(&edit, "a.,x");
    EXPECT_EQ(edit.text(), "56000");
    EXPECT_EQ(edit.refused, (std::vector<QChar>{u'a', u'.', u',', u'x'}));
    EXPECT_TRUE(edit.changes.isEmpty());

    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "5600");
    EXPECT_EQ(edit.Value(), 5600);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Value(), 600);
    QTest::keyClicks(&edit, "-");
    EXPECT_EQ(edit.text(), "-600");
    EXPECT_EQ(edit.Value(), -600);
    EXPECT_EQ(edit.refused.size(), 4u);
}

TEST_F(NumEditTest, ClipboardShortcutsStillWork) {
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "56000");
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "0");  // cutting everything clears the field
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "56000");
    EXPECT_TRUE(edit.refused.empty());
}

TEST_F(NumEditTest, SettingValueRewritesOnlyOnAChange) {
    edit.setValue(56000);
    EXPECT_TRUE(edit.changes.isEmpty());
    edit.setValue(9600);
    EXPECT_EQ(edit.text(), "9600");
    EXPECT_EQ(edit.changes, QStringList{"9600"});
}

TEST_F(NumEditTest, DigitsPadsWithZeros) {
    edit.setDigits(5);
    edit.setValue(42);
    EXPECT_EQ(edit.text(), "00042");
    EXPECT_EQ(edit.TextValue(), "00042");
    edit.setDigits(0);
    edit.setValue(56000);
    EXPECT_EQ(edit.text(), "56000");
    // The zeros go after the sign, so that the text still reads as the value.
    edit.setDigits(4);
    edit.setValue(-5);
    EXPECT_EQ(edit.text(), "-005");
    EXPECT_EQ(edit.Value(), -5);
}

TEST_F(NumEditTest, ClearingShowsZeroAndRaisesOnChangeTwice) {
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.Value(), 0);
    EXPECT_EQ(edit.changes, (QStringList{"0", "0"}));
}

TEST_F(NumEditTest, TypingThatKeepsTheNumberKeepsTheText) {
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "0");
    EXPECT_EQ(edit.text(), "056000");
    EXPECT_EQ(edit.Value(), 56000);
    EXPECT_EQ(edit.changes, QStringList{"056000"});
    edit.changes.clear();
    edit.setCursorPosition(edit.text().size());
    QTest::keyClicks(&edit, "1");
    EXPECT_EQ(edit.text(), "560001");  // rewritten: the number changed
    EXPECT_EQ(edit.Value(), 560001);
    EXPECT_EQ(edit.changes.size(), 2);
}

TEST_F(NumEditTest, PasteReplacesTheWholeValueWhereverTheCaretIs) {
    QGuiApplication::clipboard()->setText("9600");
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "9600");
    EXPECT_EQ(edit.Value(), 9600);
    EXPECT_EQ(edit.changes, QStringList{"9600"});

    QGuiApplication::clipboard()->setText("19200\n");
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.Value(), 19200);

    QGuiApplication::clipboard()->setText("abc");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.Value(), 0);
    EXPECT_EQ(edit.text(), "0");
}

TEST_F(NumEditTest, ContextMenuPasteReplacesTheWholeValue) {
    QGuiApplication::clipboard()->setText("4800");
    edit.setCursorPosition(3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&edit, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* paste = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith(QLineEdit::tr("&Paste"))) {
            paste = action;
        }
    }
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(edit.text(), "4800");
    EXPECT_EQ(edit.Value(), 4800);
}

TEST_F(NumEditTest, AReadOnlyFieldIgnoresPaste) {
    edit.setReadOnly(true);
    QGuiApplication::clipboard()->setText("9600");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.Value(), 56000);
    EXPECT_TRUE(edit.changes.isEmpty());
}

TEST(UpperCaseValidator, TurnsLettersIntoCapitals) {
    QLineEdit field;
    field.setValidator(new UpperCaseValidator(&field));
    field.show();
    QTest::keyClicks(&field, "com3");
    EXPECT_EQ(field.text(), "COM3");
}

}  // namespace
}  // namespace kelvan::widgets

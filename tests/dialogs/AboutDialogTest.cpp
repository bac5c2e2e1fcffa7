#include "DialogTestSupport.h"
#include "ErrorBoxRecorder.h"
#include "widgets/HelpPage.h"
#include "dialogs/TForm7.h"
#include "widgets/TUrl.h"

#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvan::dialogs::test {
namespace {

const QString Placeholder = QStringLiteral("Пока это неизвестная надпись!");

void hover(QWidget& widget) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(&widget, &enter);
}

void leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

class AboutDialogTest : public testing::Test {
  protected:
    void SetUp() override {
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    }
    TForm7 about;
};

TEST_F(AboutDialogTest, Design) {
    EXPECT_EQ(about.windowTitle(), "О программаторе");
    EXPECT_EQ(about.size(), QSize(415, 250));
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(255, 251, 240));
    EXPECT_EQ(about.Button1->geometry(), QRect(208, 216, 75, 25));
    EXPECT_EQ(about.Button1->text(), "ОК");
    // The program's own line, with no programmer's lines yet: the project's version.
    EXPECT_EQ(about.VersionLabel->text(), "Kelvan " KELVAN_PROJECT_VERSION);
    EXPECT_EQ(about.VersionLabel->pos(), QPoint(30, 12));
    EXPECT_TRUE(about.VersionLabel->isVisible());
    EXPECT_EQ(about.Url1->geometry(), QRect(128, 224, 47, 17));
    EXPECT_EQ(about.Url1->text(), "Помощь");
    EXPECT_EQ(about.Url1->URL(), "help/ruka.htm");
    EXPECT_EQ(about.Url1->toolTip(), "help/ruka.htm");
    EXPECT_EQ(about.Url1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(about.aboutLabelCount(), 0);
    QTest::mouseClick(about.Button1, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(AboutDialogTest, LabelsStandThirtyApartAndTheButtonRowFollows) {
    about.CreateAboutLabels(2);
    ASSERT_EQ(about.aboutLabelCount(), 2);
    EXPECT_EQ(about.aboutLabel(0)->pos(), QPoint(30, 40));
    EXPECT_EQ(about.aboutLabel(1)->pos(), QPoint(30, 70));
    EXPECT_EQ(about.aboutLabel(1)->text(), Placeholder);
    EXPECT_EQ(about.Button1->pos(), QPoint(208, 120));
    EXPECT_EQ(about.Url1->pos(), QPoint(128, 120));
    EXPECT_EQ(about.outerHeight(), 190);

    about.setAboutLine(1, "Версия 2.1");
    about.setAboutLine(2, "lost");
    EXPECT_EQ(about.aboutLabel(1)->text(), "Версия 2.1");
    EXPECT_EQ(about.aboutLabel(0)->text(), Placeholder);
}

TEST_F(AboutDialogTest, FewerLabelsMoveTheButtonUp) {
    about.CreateAboutLabels(5);
    about.CreateAboutLabels(2);
    EXPECT_EQ(about.aboutLabelCount(), 2);
    EXPECT_EQ(about.findChildren<QLabel*>().size(), 4);  // the version, two lines, the link
    EXPECT_EQ(about.Button1->y(), 120);
}

TEST_F(AboutDialogTest, ZeroLabelsLeaveTheButtonRowAndHeight) {
    about.CreateAboutLabels(3);
    about.CreateAboutLabels(0);
    EXPECT_EQ(about.aboutLabelCount(), 0);
    EXPECT_EQ(about.findChildren<QLabel*>().size(), 2);  // the version and the link
    EXPECT_EQ(about.Button1->y(), 150);
    EXPECT_EQ(about.Url1->y(), 150);
    EXPECT_EQ(about.outerHeight(), 220);
}

TEST_F(AboutDialogTest, HelpLinkKeepsItsLookOnHover) {
    widgets::TUrl& link = *about.Url1;
    EXPECT_EQ(link.fontColor(), QColor(Qt::blue));
    EXPECT_EQ(link.fontStyle(), widgets::TFontStyles(widgets::TFontStyle::fsUnderline));
    hover(link);
    EXPECT_EQ(link.fontColor(), QColor(Qt::blue));
    EXPECT_EQ(link.fontStyle(), widgets::TFontStyles(widgets::TFontStyle::fsUnderline));
    leave(link);
    EXPECT_EQ(link.fontStyle(), widgets::TFontStyles(widgets::TFontStyle::fsUnderline));
}

// Creates help/ruka.htm below folder.
void plantHelpPage(const QString& folder) {
    ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("help")));
    QFile page(QDir(folder).filePath(QString::fromLatin1(widgets::HelpPagePath)));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
}

TEST(HelpPage, IsLookedForInTheWorkingDirectoryThenBesideTheProgram) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString work = root.filePath(QStringLiteral("work"));
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString share = root.filePath(QStringLiteral("usr/share/kelvan"));
    for (const QString& folder : {work, bin, share}) {
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    EXPECT_EQ(widgets::findHelpPage(work, bin), QString());
    plantHelpPage(share);
    EXPECT_EQ(widgets::findHelpPage(work, bin), share + QStringLiteral("/help/ruka.htm"));
    plantHelpPage(bin);
    EXPECT_EQ(widgets::findHelpPage(work, bin), bin + QStringLiteral("/help/ruka.htm"));
    plantHelpPage(work);
    EXPECT_EQ(widgets::findHelpPage(work, bin), work + QStringLiteral("/help/ruka.htm"));
}

TEST_F(AboutDialogTest, HelpLinkOpensThePageOrSaysWhereItLooked) {
    UrlRecorder opened;
    ErrorBoxRecorder errors;
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    // The test program's folder has no help page beside it.
    QTest::mouseClick(about.Url1, Qt::LeftButton);
    EXPECT_TRUE(opened.opened.isEmpty());
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].startsWith(QStringLiteral("Страница помощи не найдена. Искал: ")))
        << errors.shown[0].toStdString();
    EXPECT_TRUE(errors.shown[0].contains(work.filePath(QStringLiteral("help/ruka.htm"))));

    plantHelpPage(work.path());
    QTest::mouseClick(about.Url1, Qt::LeftButton);
    EXPECT_EQ(opened.opened, QList<QUrl>{QUrl::fromLocalFile(work.filePath("help/ruka.htm"))});
    EXPECT_EQ(errors.shown.size(), 1);
    ASSERT_TRUE(QDir::setCurrent(previous));
}

TEST(TUrl, OtherActiveSettingsSwitchOnEnteringAndBackOnLeaving) {
    widgets::TUrl link;
    EXPECT_EQ(link.fontColor(), QColor(0, 0, 128));
    link.ActiveLinkColor = Qt::red;
    link.ActiveLinkStyle = widgets::TFontStyle::fsBold | widgets::TFontStyle::fsItalic;
    int entered = 0;
    int left = 0;
    link.OnMouseEnter = [&entered](widgets::TUrl&) { ++entered; };
    link.OnMouseLeave = [&left](widgets::TUrl&) { ++left; };
    hover(link);
    EXPECT_EQ(link.fontColor(), QColor(Qt::red));
    EXPECT_EQ(link.fontStyle(), widgets::TFontStyle::fsBold | widgets::TFontStyle::fsItalic);
    leave(link);
    EXPECT_EQ(link.fontColor(), QColor(0, 0, 128));
    EXPECT_EQ(link.fontStyle(), widgets::TFontStyles());
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
}

TEST(TUrl, ClickOpensTheFileBelowTheWorkingDirectoryUnlessOnClickIsSet) {
    UrlRecorder recorder;
    widgets::TUrl link;
    link.setURL("help/ruka.htm");
    link.resize(60, 17);
    link.show();
    QTest::mouseClick(&link, Qt::LeftButton);
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened[0], QUrl::fromLocalFile(QDir::current().filePath("help/ruka.htm")));

    int clicks = 0;
    link.OnClick = [&clicks](widgets::TUrl&) { ++clicks; };
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(recorder.opened.size(), 1);
}

TEST(TUrl, AnEmptyUrlOpensNothing) {
    UrlRecorder recorder;
    widgets::TUrl link;
    EXPECT_FALSE(link.OpenUrl());
    EXPECT_TRUE(recorder.opened.isEmpty());
}

TEST(TUrl, CaptionAndHintFollowTheAddressUnlessTheyAreTheirOwn) {
    widgets::TUrl link;
    link.setURL("a.htm");
    EXPECT_EQ(link.text(), "a.htm");
    EXPECT_EQ(link.toolTip(), "a.htm");
    link.setURL("b.htm");
    EXPECT_EQ(link.text(), "b.htm");
    EXPECT_EQ(link.toolTip(), "b.htm");
    link.setText("Помощь");
    link.setURL("c.htm");
    EXPECT_EQ(link.text(), "Помощь");
    EXPECT_EQ(link.toolTip(), "c.htm");
}

}  // namespace
}  // namespace kelvan::dialogs::test

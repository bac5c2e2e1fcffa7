#include "dialogs/TForm7.h"

#include "widgets/ErrorBox.h"
#include "widgets/HelpPage.h"
#include "widgets/ProgramVersion.h"
#include "widgets/TUrl.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace kelvan::dialogs {
namespace {

const QString HelpPage = QString::fromLatin1(widgets::HelpPagePath);

}  // namespace

TForm7::TForm7(QWidget* parent)
    : widgets::FixedDialog(QStringLiteral("О программаторе"), QColor(255, 251, 240),
                           QSize(415, 250), parent) {
    // The program's own line stands above the programmer's lines, so it shows with none.
    VersionLabel = new QLabel(widgets::programVersionLine(), this);
    VersionLabel->move(30, 12);
    VersionLabel->adjustSize();

    Button1 = new QPushButton(QStringLiteral("ОК"), this);
    Button1->setGeometry(208, 216, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    Url1 = new widgets::TUrl(this);
    Url1->setGeometry(128, 224, 47, 17);
    Url1->setText(QStringLiteral("Помощь"));
    Url1->setToolTip(HelpPage);
    Url1->setURL(HelpPage);
    Url1->setFontColor(Qt::blue);
    Url1->setFontStyle(widgets::TFontStyle::fsUnderline);
    Url1->ActiveLinkColor = Qt::blue;
    Url1->ActiveLinkStyle = widgets::TFontStyle::fsUnderline;
    // A program started from another folder still finds its help, and a missing page is said
    // instead of a click that silently does nothing.
    Url1->OnClick = [this](widgets::TUrl&) { openHelpPage(); };
}

void TForm7::openHelpPage() {
    const QString programDirectory = QCoreApplication::applicationDirPath();
    const QString page = widgets::findHelpPage(QDir::currentPath(), programDirectory);
    if (page.isEmpty()) {
        widgets::showErrorBox(
            this, QStringLiteral("Страница помощи не найдена. Искал: ") +
                      QDir::toNativeSeparators(
                          widgets::helpPageCandidates(QDir::currentPath(), programDirectory)
                              .join(QStringLiteral(", "))));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        widgets::showErrorBox(this, QStringLiteral("Не удалось открыть страницу помощи ") +
                                        QDir::toNativeSeparators(page) +
                                        QStringLiteral(": нет программы для просмотра HTML"));
    }
}

void TForm7::CreateAboutLabels(int count) {
    qDeleteAll(aboutLabels_);
    aboutLabels_.clear();
    aboutLabels_.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        auto* label = new QLabel(QStringLiteral("Пока это неизвестная надпись!"), this);
        label->move(30, 40 + 30 * index);
        label->adjustSize();
        label->show();
        aboutLabels_.push_back(label);
    }
    if (count > 0) {
        Button1->move(Button1->x(), 30 * count + 60);
        Url1->move(Url1->x(), Button1->y());
        setOuterHeight(Button1->y() + Button1->height() + 45);
    }
}

void TForm7::setAboutLine(int index, const QString& text) {
    if (QLabel* label = aboutLabel(index)) {
        label->setText(text);
        label->adjustSize();
    }
}

QLabel* TForm7::aboutLabel(int index) const {
    if (index < 0 || index >= aboutLabelCount()) {
        return nullptr;
    }
    return aboutLabels_[static_cast<std::size_t>(index)];
}

}  // namespace kelvan::dialogs

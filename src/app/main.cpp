#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "app/Application.h"
#include "app/QtTranslations.h"
#ifndef Q_OS_WIN
#include "app/SignalShutdown.h"
#endif
#include "widgets/ErrorBox.h"
#include "widgets/HelpPage.h"
#include "widgets/ProgramVersion.h"
#include "widgets/Prompter.h"
#include "link/WireTrace.h"

namespace {

// The window's own command line, after Qt has taken its options.
struct Arguments {
    QString trace;  // --trace FILE (also --trace=FILE); empty for none
    QString file;   // FILE: the working file to open at start; empty for none
};

// Throws std::invalid_argument with the complaint for anything but one FILE and --trace.
Arguments parseArguments(const QStringList& arguments) {
    Arguments parsed;
    bool traceGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--trace")) {
            if (i + 1 == arguments.size()) {
                throw std::invalid_argument("--trace needs a file name");
            }
            parsed.trace = arguments[++i];
            traceGiven = true;
        } else if (argument.startsWith(QStringLiteral("--trace="))) {
            parsed.trace = argument.mid(8);
            traceGiven = true;
        } else if (argument.startsWith(QLatin1Char('-')) || !parsed.file.isEmpty()) {
            throw std::invalid_argument(
                "unknown argument " + argument.toStdString() +
                "; kelvan takes [FILE], --trace FILE, --help-page and --version");
        } else {
            parsed.file = argument;
        }
    }
    if (traceGiven && parsed.trace.isEmpty()) {
        throw std::invalid_argument("--trace needs a file name");  // "--trace=" or "--trace ''"
    }
    return parsed;
}

// kelvan --help-page: where the about box finds its help page when started from here, so an
// installation can be checked without a display. 0 with the page's path; 1 with the places
// looked in when there is none.
int printHelpPage(int argc, char* argv[]) {
    const QCoreApplication application(argc, argv);
    const QString working = QDir::currentPath();
    const QString program = QCoreApplication::applicationDirPath();
    if (const QString page = kelvan::widgets::findHelpPage(working, program); !page.isEmpty()) {
        std::printf("%s\n",
                    qUtf8Printable(QDir::toNativeSeparators(QFileInfo(page).absoluteFilePath())));
        return 0;
    }
    std::fprintf(stderr, "kelvan: no help page in %s\n",
                 qUtf8Printable(kelvan::widgets::helpPageCandidates(working, program).join(", ")));
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::string_view(argv[1]) == "--help-page") {
        return printHelpPage(argc, argv);
    }
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        // The about box's first line, without a display.
        return std::printf("%s\n", qUtf8Printable(kelvan::widgets::programVersionLine())) > 0 &&
                       std::fflush(stdout) == 0
                   ? 0
                   : 1;
    }
    const auto started = std::chrono::steady_clock::now();
    QApplication application(argc, argv);
    // The settings live under this organisation and program name.
    QCoreApplication::setOrganizationName(QStringLiteral("NORVELLA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVAN"));
    // The program ends when the main window has run its closing sequence, whatever other
    // window (a bit dialog, the progress window) is still on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before any window: the start-up error box already has a standard button.
    if (!kelvan::app::installQtTranslations(application)) {
        // The program works all the same, only Qt's own buttons and dialogs stay in English.
        qWarning("kelvan: qtbase_ru not found in %s; Qt's standard texts stay in English",
                 qUtf8Printable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    }

    // A trace asked for and not written would be missed only when it is needed, so a file that
    // cannot be opened stops the program before it talks to the programmer.
    std::unique_ptr<kelvan::link::WireTraceFile> trace;
    QString tracePath;
    Arguments arguments;
    try {
        arguments = parseArguments(QCoreApplication::arguments());
        tracePath = arguments.trace;
        if (!tracePath.isEmpty()) {
            trace = std::make_unique<kelvan::link::WireTraceFile>(
                std::filesystem::path(tracePath.toStdU16String()), started);
        }
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "kelvan: %s\n", error.what());
        return 2;
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "kelvan: %s\n", error.what());
        kelvan::widgets::showErrorBox(
            nullptr, QStringLiteral("Невозможно записать трассировку в файл %1 (%2)")
                         .arg(tracePath, QString::fromLocal8Bit(error.code().message())));
        return 2;
    }

#ifndef Q_OS_WIN
    // Watching from before the windows exist: a signal during the start-up box dismisses it,
    // and the window closes as soon as it is there.
    std::unique_ptr<kelvan::app::SignalShutdown> signalWatch;
    try {
        signalWatch = std::make_unique<kelvan::app::SignalShutdown>();
    } catch (const std::system_error& error) {
        // The program works all the same; a signal then ends it without the closing sequence.
        std::fprintf(stderr, "kelvan: termination signals not watched: %s\n", error.what());
    }
#endif
    kelvan::widgets::MessageBoxPrompter prompter;
    kelvan::app::Application windows(prompter, trace ? &trace->observer() : nullptr);
    kelvan::app::TForm1& form1 = windows.form1();
    QObject::connect(&form1, &kelvan::app::TForm1::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form1.showMaximized();
    if (!arguments.file.isEmpty()) {
        form1.openFile(arguments.file);
    }
#ifndef Q_OS_WIN
    if (signalWatch) {
        signalWatch->closeOnSignal(form1);
    }
#endif
    const int status = QApplication::exec();
    if (trace && !trace->good()) {
        std::fprintf(stderr, "kelvan: the trace could not be written to its end\n");
    }
    return status;
}

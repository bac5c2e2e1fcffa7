// kelvan-cli: programs a chip from the command line through the program's own link, serial
// component and operation sequences. See usageText() for the interface.

#include <QCoreApplication>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "CliSession.h"
#include "CommandLine.h"
#include "Console.h"
#include "InterruptWatch.h"
#include "RunSettings.h"
#include "link/WireTrace.h"
#include "session/DetectedPorts.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Writes text to standard output: 0 when all of it got there, 1 otherwise.
int printAll(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                   std::fflush(stdout) == 0
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto started = std::chrono::steady_clock::now();
    QCoreApplication application(argc, argv);
#ifdef _WIN32
    // Everything the tool prints is UTF-8; a failure leaves the console's own code page, which
    // garbles the Russian texts but loses nothing else.
    static_cast<void>(SetConsoleOutputCP(CP_UTF8));
#endif

    // Qt hands the arguments over as Unicode on every platform; the tool works in UTF-8.
    const QStringList qtArguments = QCoreApplication::arguments();
    std::vector<std::string> texts;
    for (qsizetype i = 1; i < qtArguments.size(); ++i) {
        texts.push_back(qtArguments[i].toStdString());
    }
    const std::vector<std::string_view> arguments(texts.begin(), texts.end());

    kelvan::cli::CommandLine commandLine;
    try {
        commandLine = kelvan::cli::parseCommandLine(arguments);
    } catch (const kelvan::cli::UsageError& error) {
        std::fprintf(stderr, "kelvan-cli: %s\nTry kelvan-cli --help.\n", error.what());
        return 2;
    }
    if (commandLine.help) {
        return printAll(kelvan::cli::usageText());
    }
    if (commandLine.action->name == "ports") {
        return printAll(
            kelvan::session::portListing(kelvan::session::detectedPorts()).toStdString());
    }

    kelvan::cli::Console console(commandLine.quiet);
    std::unique_ptr<kelvan::link::WireTraceFile> trace;
    if (!commandLine.trace.empty()) {
        try {
            trace = std::make_unique<kelvan::link::WireTraceFile>(
                kelvan::cli::utf8Path(commandLine.trace), started);
        } catch (const std::system_error& error) {
            console.error(error.what());
            return 2;
        }
    }
    if (!kelvan::cli::InterruptWatch::install()) {
        console.error("Ctrl-C cannot be caught; it would end the run at once");
    }

    const kelvan::cli::RunSettings settings = kelvan::cli::RunSettings::resolve(commandLine);
    int status = 0;
    {
        kelvan::cli::CliSession session(commandLine, settings, console,
                                        trace ? &trace->observer() : nullptr);
        const std::optional<int> early = session.start();
        status = early ? *early : QCoreApplication::exec();
    }
    if (trace && !trace->good()) {
        console.error("the trace " + commandLine.trace + " could not be written to its end");
    }
    return status;
}

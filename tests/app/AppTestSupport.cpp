#include "AppTestSupport.h"

#include <QEventLoop>
#include <QFileSystemModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "SettingsTestSupport.h"

namespace kelvan::app::testing {

void writePortSettings(const QString& port, int bitRate) {
    dialogs::test::plantSetting(QStringLiteral("ComPort"), port);
    dialogs::test::plantSetting(QStringLiteral("Bitrate"), bitRate);
    dialogs::test::plantSetting(QStringLiteral("Parity"), -1);
}

// An event loop that waits for events, as the program's own does, looking at the condition
// every 2 ms. QTest::qWaitFor sleeps 10 ms between its passes, which would stretch every round
// trip with the simulated programmer to 10 ms.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    if (condition()) {
        return true;
    }
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            loop.quit();
        }
    });
    look.start(2);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

std::vector<link::Bytes> queuedCommands(TForm1& form) {
    return form.link().queue().payloads();
}

bool clickFile(TForm1& form, const QString& path, Qt::MouseButton button) {
    QTreeView* list = form.ShellListView1;
    const auto place = [&] {
        return list->visualRect(static_cast<QFileSystemModel*>(list->model())->index(path));
    };
    if (!waitFor([&] { return !place().isEmpty(); })) {
        return false;
    }
    QTest::mouseClick(list->viewport(), button, {}, place().center());
    return true;
}

}  // namespace kelvan::app::testing

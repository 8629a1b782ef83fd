// cratewise-gui: the desktop window. With --screenshot FILE it loads the sample set, solves level 1,
// steps a few moves and saves a picture of the window instead of waiting for a user.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>

#include <cstdio>
#include <cstring>

#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"

namespace {

int screenshot(const char* path) {
    cwui::ScriptedDialogs dialogs;
    cwui::MainWindow window(dialogs);
    window.show();
    window.sampleCommand();
    window.solveCommand();
    QElapsedTimer waited;
    waited.start();
    while (window.workerRunning() || window.solving()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
        if (waited.elapsed() > 120'000) {
            std::fprintf(stderr, "cratewise-gui: level 1 was not solved in time\n");
            return 1;
        }
    }
    for (int i = 0; i < 12; ++i) window.stepForwardCommand();
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "cratewise-gui: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) return screenshot(argv[2]);
    cwui::SystemDialogs dialogs;
    cwui::MainWindow window(dialogs);
    window.show();
    return app.exec();
}

// cratewise-gui: the desktop window. --help and --version answer without a display. With
// --screenshot FILE it loads the sample set, solves level 1, steps a few moves and saves a picture of
// the window instead of waiting for a user; with --level LEVELFILE and --size WxH as well, it shows
// level 1 of that file in a window of that size instead.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <string>

#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"

#ifndef CRATEWISE_VERSION
#define CRATEWISE_VERSION "0"
#endif

namespace {

constexpr const char* Usage =
    "Usage: cratewise-gui [--help | --version]\n"
    "The Cratewise window: load levels (Sample, Text, File, Folder), pick one, press Solve and watch\n"
    "the solution in the trace viewer; Option sets the time limit and starts a batch. F1 in the\n"
    "window lists its keys. Settings live in $XDG_CONFIG_HOME/korrin/korrin.ini (else\n"
    "~/.config/korrin/). The command line solver is cratewise(1).\n"
    "Also: --screenshot FILE [--level LEVELFILE --size WxH] saves a picture of the window (see\n"
    "ui/screenshot.sh).\n";

bool save(cwui::MainWindow& window, const char* path) {
    QCoreApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "cratewise-gui: cannot write %s\n", path);
        return false;
    }
    return true;
}

int sampleScreenshot(const char* path) {
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
    return save(window, path) ? 0 : 1;
}

// Level 1 of a level file in a window of the given size, as a maximised window on such a desktop.
int levelScreenshot(const char* path, const char* levelFile, const char* size) {
    int w = 0, h = 0;
    if (std::sscanf(size, "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
        std::fprintf(stderr, "cratewise-gui: --size wants WIDTHxHEIGHT, not %s\n", size);
        return 2;
    }
    cwui::ScriptedDialogs dialogs;
    dialogs.chosenPath = QString::fromLocal8Bit(levelFile);
    cwui::MainWindow window(dialogs);
    window.resize(w, h);
    window.show();
    window.fileCommand();
    if (window.levelSet().levelTotal() < 1) {
        std::fprintf(stderr, "cratewise-gui: no level in %s\n", levelFile);
        return 1;
    }
    return save(window, path) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const char* screenshot = nullptr;
    const char* levelFile = nullptr;
    const char* size = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("cratewise-gui %s\n", CRATEWISE_VERSION);
            return 0;
        }
        const bool takesValue = arg == "--screenshot" || arg == "--level" || arg == "--size";
        if (takesValue && i + 1 < argc) {
            (arg == "--screenshot" ? screenshot : arg == "--level" ? levelFile : size) = argv[++i];
            continue;
        }
        // Qt's own options (-platform, -style ...) are left to QApplication.
        if (arg.rfind("-", 0) == 0 && arg.rfind("-platform", 0) != 0 && arg.rfind("-style", 0) != 0 &&
            arg.rfind("-display", 0) != 0) {
            std::fprintf(stderr, "cratewise-gui: unknown option %s\n%s", arg.c_str(), Usage);
            return 2;
        }
    }
    QApplication app(argc, argv);
    if (screenshot != nullptr) {
        if (levelFile != nullptr)
            return levelScreenshot(screenshot, levelFile, size != nullptr ? size : "1600x1000");
        return sampleScreenshot(screenshot);
    }
    cwui::SystemDialogs dialogs;
    cwui::MainWindow window(dialogs);
    window.show();
    return app.exec();
}

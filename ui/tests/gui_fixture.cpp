#include "gui_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QThread>

#include <QElapsedTimer>

#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"
#include "ui/text_dialog.h"

namespace cwuitest {

TempConfig::TempConfig()
    : old_(qgetenv("XDG_CONFIG_HOME")), hadOld_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
}

TempConfig::~TempConfig() {
    if (hadOld_)
        qputenv("XDG_CONFIG_HOME", old_);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

bool waitForWorker(cwui::MainWindow& window, int timeoutMs) {
    return waitUntil([&window] { return !window.workerRunning(); }, timeoutMs);
}

QPushButton* button(QWidget& window, int id) {
    return window.findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
}

void pasteLevels(cwui::MainWindow& window, cwui::ScriptedDialogs& dialogs, const std::string& text) {
    QApplication::clipboard()->setText(QString::fromStdString(text));
    dialogs.textScript = [](cwui::TextDialog& dialog) {
        dialog.pasteFromClipboard();
        dialog.okPressed();
    };
    window.textCommand();
    dialogs.textScript = nullptr;
}

} // namespace cwuitest

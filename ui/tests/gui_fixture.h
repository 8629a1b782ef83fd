#pragma once
// Helpers for the window tests: a private settings folder, waiting on the event loop, level texts
// and reaching controls by their ids.
#include <QByteArray>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <string>

class QPushButton;
class QWidget;

namespace cwui {
class MainWindow;
class ScriptedDialogs;
} // namespace cwui

namespace cwuitest {

// Points XDG_CONFIG_HOME at a fresh temporary folder for its lifetime.
class TempConfig {
  public:
    TempConfig();
    ~TempConfig();
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;
    QString path() const { return dir_.path(); }
    // The settings folder the program uses under this config home.
    QString settingsFolder() const { return dir_.path() + QStringLiteral("/korrin"); }

  private:
    QTemporaryDir dir_;
    QByteArray old_;
    bool hadOld_;
};

// Serves the event loop until done() holds or the time is up; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 120'000);

// Waits until the window's worker has handed over its end.
bool waitForWorker(cwui::MainWindow& window, int timeoutMs = 120'000);

QPushButton* button(QWidget& window, int id);

// Loads `text` as the user would: Text, Paste (from the clipboard), OK.
void pasteLevels(cwui::MainWindow& window, cwui::ScriptedDialogs& dialogs, const std::string& text);

} // namespace cwuitest

#include "ui/enable_rules.h"

namespace cwuitest {

// The enable table as a string of 0 and 1 in control order.
inline std::string flags(const cwui::EnableTable& table) {
    std::string out;
    for (bool on : table) out += on ? '1' : '0';
    return out;
}

} // namespace cwuitest

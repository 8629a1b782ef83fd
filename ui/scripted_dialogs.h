#pragma once
// Dialogs answered by the program itself: message boxes are recorded instead of shown, file choosers
// return prepared answers, and the window's own dialogs are handed to a script instead of exec().
// Used for unattended runs (the screenshot) and by the tests.
#include <QStringList>

#include <functional>

#include "ui/dialogs.h"

namespace cwui {

class ScriptedDialogs : public Dialogs {
  public:
    struct Message {
        QString kind; // "warning", "information" or "error"
        QString text;
    };

    void warning(QWidget*, const QString& text) override {
        messages.push_back({QStringLiteral("warning"), text});
    }
    void information(QWidget*, const QString& text) override {
        messages.push_back({QStringLiteral("information"), text});
    }
    void error(QWidget*, const QString& text) override {
        messages.push_back({QStringLiteral("error"), text});
    }
    QString openFile(QWidget*, const QString&, const QString& startFolder, const QString& filter) override {
        asked.push_back(QStringLiteral("openFile"));
        lastStart = startFolder;
        lastFilter = filter;
        return chosenPath;
    }
    QString saveFile(QWidget*, const QString&, const QString& startPath) override {
        lastStart = startPath;
        return chosenPath;
    }
    QString chooseFolder(QWidget*, const QString& startFolder) override {
        asked.push_back(QStringLiteral("chooseFolder"));
        lastStart = startFolder;
        return chosenPath;
    }
    bool openPath(const QString& path) override {
        openedPaths.push_back(path);
        return openerInstalled;
    }
    // Without a script a dialog is closed at once as by its close box.
    int runOptions(OptionsDialog& dialog) override;
    int runText(TextDialog& dialog) override;

    std::vector<Message> messages;
    QString chosenPath;          // what the file and folder choosers answer
    QString lastStart;           // where the last chooser would have started
    QString lastFilter;          // the file types the last file chooser offered
    bool openerInstalled = true; // whether openPath finds a program to open a file with
    QStringList openedPaths;
    QStringList asked; // the file and folder choosers opened, in order
    std::function<void(OptionsDialog&)> optionsScript;
    std::function<void(TextDialog&)> textScript;
    int optionsRuns = 0;
    int textRuns = 0;
};

} // namespace cwui

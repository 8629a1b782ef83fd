#pragma once
// Everything the window asks of the user through a modal dialog goes through Dialogs, so a test can
// answer instead of a person and nothing waits on a modal loop.
#include <QString>

class QWidget;

namespace cwui {

class OptionsDialog;
class TextDialog;

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Message boxes captioned "Cratewise".
    virtual void warning(QWidget* parent, const QString& text) = 0;
    virtual void information(QWidget* parent, const QString& text) = 0;
    virtual void error(QWidget* parent, const QString& text) = 0;
    // File and folder choosers; an empty result means the user cancelled. `filter` lists the file
    // types offered, first the one chosen at the start ("Level files (*.xsb *.txt *.sok);;All files (*)").
    virtual QString openFile(QWidget* parent, const QString& title, const QString& startFolder,
                             const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& startPath) = 0;
    virtual QString chooseFolder(QWidget* parent, const QString& startFolder) = 0;
    // Opens a file with the desktop's default program; false when no program could be started.
    virtual bool openPath(const QString& path) = 0;
    // Runs the window's own dialogs modally; the result is QDialog::Accepted or QDialog::Rejected.
    virtual int runOptions(OptionsDialog& dialog) = 0;
    virtual int runText(TextDialog& dialog) = 0;
};

// The real thing: QMessageBox, QFileDialog, QDesktopServices and exec().
class SystemDialogs : public Dialogs {
  public:
    void warning(QWidget* parent, const QString& text) override;
    void information(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& startFolder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& startPath) override;
    QString chooseFolder(QWidget* parent, const QString& startFolder) override;
    bool openPath(const QString& path) override;
    int runOptions(OptionsDialog& dialog) override;
    int runText(TextDialog& dialog) override;
};

} // namespace cwui

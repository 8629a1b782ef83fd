#include "ui/dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "ui/options_dialog.h"
#include "ui/text_dialog.h"

namespace cwui {

namespace {
const QString Caption = QStringLiteral("Cratewise");
}

void SystemDialogs::warning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, Caption, text);
}

void SystemDialogs::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, Caption, text);
}

void SystemDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, Caption, text);
}

QString SystemDialogs::openFile(QWidget* parent, const QString& title, const QString& startFolder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, startFolder, filter, nullptr, QFileDialog::ReadOnly);
}

QString SystemDialogs::saveFile(QWidget* parent, const QString& title, const QString& startPath) {
    // QFileDialog asks before overwriting an existing file.
    return QFileDialog::getSaveFileName(parent, title, startPath);
}

QString SystemDialogs::chooseFolder(QWidget* parent, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, QString(), startFolder);
}

bool SystemDialogs::openPath(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

int SystemDialogs::runOptions(OptionsDialog& dialog) {
    return dialog.exec();
}

int SystemDialogs::runText(TextDialog& dialog) {
    return dialog.exec();
}

} // namespace cwui

// The program installs as a Linux desktop program: both binaries, the menu entry, the icon in the
// hicolor theme and the man page; and cratewise-gui answers --help and --version without a window.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList installedFiles(const QString& prefix) {
    QStringList files;
    QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(prefix).relativeFilePath(it.next());
    files.sort();
    return files;
}

TEST(Install, TreeHoldsTheProgramsDesktopEntryIconsAndManPage) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(CRATEWISE_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(CRATEWISE_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix.path()});
    ASSERT_TRUE(install.waitForFinished(120'000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    const QStringList expected = {
        QStringLiteral("bin/cratewise"),
        QStringLiteral("bin/cratewise-gui"),
        QStringLiteral("share/applications/cratewise.desktop"),
        QStringLiteral("share/icons/hicolor/256x256/apps/cratewise.png"),
        QStringLiteral("share/icons/hicolor/64x64/apps/cratewise.png"),
        QStringLiteral("share/man/man1/cratewise.1"),
    };
    EXPECT_EQ(installedFiles(prefix.path()), expected);
    for (const char* program : {"bin/cratewise", "bin/cratewise-gui"})
        EXPECT_TRUE(QFileInfo(prefix.filePath(QString::fromLatin1(program))).isExecutable()) << program;
    QFile entry(prefix.filePath(QStringLiteral("share/applications/cratewise.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    for (const char* line : {"Exec=cratewise-gui", "Icon=cratewise", "Type=Application"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line;
}

TEST(Install, GuiAnswersHelpAndVersionWithoutAWindow) {
    struct Case {
        const char* option;
        const char* starts;
    } cases[] = {{"--help", "Usage: cratewise-gui"},
                 {"-h", "Usage: cratewise-gui"},
                 {"--version", "cratewise-gui 0."}};
    for (const auto& c : cases) {
        QProcess gui;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // no display is needed at all
        env.remove(QStringLiteral("DISPLAY"));
        gui.setProcessEnvironment(env);
        gui.start(QStringLiteral(CRATEWISE_GUI_PROGRAM), {QString::fromLatin1(c.option)});
        ASSERT_TRUE(gui.waitForFinished(30'000)) << c.option;
        EXPECT_EQ(gui.exitCode(), 0) << c.option;
        EXPECT_TRUE(QString::fromUtf8(gui.readAllStandardOutput()).startsWith(QString::fromLatin1(c.starts)))
            << c.option;
    }
    QProcess wrong;
    wrong.start(QStringLiteral(CRATEWISE_GUI_PROGRAM), {QStringLiteral("--frobnicate")});
    ASSERT_TRUE(wrong.waitForFinished(30'000));
    EXPECT_EQ(wrong.exitCode(), 2);
}

} // namespace

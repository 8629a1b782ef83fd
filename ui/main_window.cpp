#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdio>

#include "batch/result_file.h"
#include "level/settings_folder.h"
#include "ui/board_widget.h"
#include "ui/colors.h"
#include "ui/dialogs.h"
#include "ui/number_edit.h"
#include "ui/options_dialog.h"
#include "ui/progress.h"
#include "ui/text_dialog.h"

// The tile sheet and icon live in the library's resources, which a static library must register itself.
static void initResources() {
    Q_INIT_RESOURCE(cratewise);
}

namespace cwui {

namespace {

constexpr int PlayIntervalMs[4] = {600, 200, 60, 5}; // Slow, Nomal, Fast, HighSpeed
constexpr int ProgressIntervalMs = 200;
constexpr int BatchPlayIntervalMs = 5;

QImage loadTiles(const char* name) {
    initResources();
    return QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The file types the File command offers, level files first.
const QString LevelFileFilter = QStringLiteral("Level files (*.xsb *.txt *.sok);;All files (*)");

// "column 3, row 2" of a cell, counted from 1 as a user reads the map.
QString cellPlace(const cw::Level& lv, int cell) {
    if (cell < 0 || lv.boardWidth <= 0) return {};
    return QStringLiteral(" (column %1, row %2)").arg(cell % lv.boardWidth + 1).arg(cell / lv.boardWidth + 1);
}

QString counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// Why the parser gave a level its verdict, in plain words; empty for a ready level.
QString verdictReason(const cw::Level& lv) {
    if (lv.verdictReason == cw::VerdictReason::Fine) return {};
    QString text = QString::fromLatin1(cw::reasonText(lv.verdictReason));
    if (lv.verdictReason == cw::VerdictReason::CountMismatch)
        text +=
            QStringLiteral(" (%1, %2)")
                .arg(counted(lv.levelBoxCount, "box", "boxes"), counted(lv.levelGoalCount, "goal", "goals"));
    else if (lv.verdictReason == cw::VerdictReason::TooManyBoxes)
        text += QStringLiteral(" (%1)").arg(lv.movableBoxCount);
    return text + cellPlace(lv, lv.reasonCell);
}

// What a survey of a text says about the blocks that are not levels, e.g. "2 blocks dropped, the
// first: no goal"; empty when none was dropped.
QString droppedBlocks(const cw::BlockSurvey& survey) {
    if (survey.dropped == 0) return {};
    const QString why = QString::fromLatin1(cw::reasonText(survey.firstReason));
    if (survey.dropped == 1) return QStringLiteral("1 block dropped: %1").arg(why);
    return QStringLiteral("%1 blocks dropped, the first: %2").arg(survey.dropped).arg(why);
}

// Why a text holds no level.
QString noLevelIn(const cw::BlockSurvey& survey, const QString& what) {
    if (survey.dropped == 0) return QStringLiteral("no level in %1: no line of it is a map line").arg(what);
    return QStringLiteral("no level in %1 (%2)").arg(what, droppedBlocks(survey));
}

// The keys of the commands. A command runs only where its button may be pressed.
struct ShortcutRow {
    const char* keys;
    const char* tip; // the button's tooltip, before the keys
    int control;     // the button it presses, or one of the two keys below, always available
};
constexpr int HelpKey = -1;
constexpr int QuitKey = -2;
constexpr ShortcutRow ShortcutRows[] = {
    {"Ctrl+R", "Load the built-in sample set", CtlSample},
    {"Ctrl+T", "Paste levels as text", CtlText},
    {"Ctrl+O", "Load a level file", CtlFile},
    {"Ctrl+Shift+O", "Load a folder of numbered level files", CtlFolder},
    {"PgUp", "Previous level", CtlPrev},
    {"PgDown", "Next level", CtlNext},
    {"F5", "Solve the level, or cancel the run", CtlSolve},
    {"Home", "Back to the start of the solution", CtlTop},
    {"Left", "One step back", CtlStepBack},
    {"Space", "Play the solution, or pause it", CtlPlay},
    {"Right", "One step forward", CtlStepForward},
    {"Ctrl+,", "Options, time limit and batch; cancels a batch", CtlOption},
    {"F1", "Help", HelpKey},
    {"Ctrl+Q", "Quit", QuitKey},
};

} // namespace

QString MainWindow::helpText() {
    QString text = QStringLiteral("Keys\n");
    for (const ShortcutRow& row : ShortcutRows)
        text += QStringLiteral("  %1\t%2\n")
                    .arg(QKeySequence(QString::fromLatin1(row.keys)).toString(QKeySequence::NativeText),
                         QString::fromLatin1(row.tip));
    text += QStringLiteral(
        "\nOutcomes\n"
        "  Solved: the move string was found and checked by replaying it; it opens as text.\n"
        "  Impossible: the level was proven unsolvable, by the checks before the search or by a\n"
        "    search that covered every position.\n"
        "  Failed: the searches ended without a solution (a table was full, or every way was pruned).\n"
        "  Failed (Timeout): the time limit (Option) ran out first.\n"
        "  Failed (TraceMiss): a solution was found but failed its replay check.\n"
        "  Canceled: you pressed Cancel.\n"
        "\nLevel states\n"
        "  Irregular: the map is open at a side, or boxes and goals differ in number.\n"
        "  Impossible: a box that can never be pushed stands off a goal, or no box can reach a goal.\n"
        "  Size Over / Boxes Over: more than 50 x 50 cells or 64 movable boxes.\n"
        "The line under the progress bars says why a level or a load was refused.");
    return text;
}

namespace {

QLabel* label(QWidget* parent, int id, QRect where, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QStringLiteral("id%1").arg(id));
    l->setGeometry(where);
    return l;
}

void setTextColor(QWidget* w, QColor color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

void setBarColor(QProgressBar* bar, QColor color) {
    QPalette p = bar->palette();
    p.setColor(QPalette::Highlight, color);
    bar->setPalette(p);
}

} // namespace

MainWindow::MainWindow(Dialogs& dialogs, SolveFunction solve, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), solve_(std::move(solve)), engine_(std::make_unique<cw::Engine>()),
      set_(engine_->levelToLoad(), cw::pasteFilePath()), settingsFile_(cw::settingsFilePath()),
      settings_(cw::readSettings(settingsFile_)), resultPath_(settings_.outputFile),
      view_(loadTiles(":/art/tiles.png"), loadTiles(":/art/tiles-96.png")) {
    setWindowIcon(QIcon(QStringLiteral(":/art/icon.png")));
    storesReady_ = engine_->storesReady();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    setFont(font);
    buildControls();
    buildShortcuts();
    setWindowTitle(QString::fromLatin1(cw::titleLine));
    setLine_->setText(QStringLiteral("Levels are not loaded."));

    timer_ = new QTimer(this);
    timer_->setInterval(ProgressIntervalMs);
    connect(timer_, &QTimer::timeout, this, &MainWindow::tick);
    playTimer_ = new QTimer(this);
    connect(playTimer_, &QTimer::timeout, this, &MainWindow::playTick);

    view_.onDrawn([this] { board_->update(); });
    view_.drawOpening(settings_.uTime, storesReady_);
    solvedCount_->clear();
    failedCount_->clear();
    lookIn_->hide();
    applyEnableRules();

    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

MainWindow::~MainWindow() {
    closing_ = true;
    // The worker hands its end to this thread and waits, so keep serving events until it is done.
    while (worker_.running()) {
        if (batchRun_) batchRun_->cancel();
        engine_->holdCancel();
        playing_.store(false);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker_.join();
    std::remove(cw::pasteFilePath().c_str());
}

void MainWindow::buildControls() {
    // The controls sit at fixed places at the normal size; a larger window gives the board the room.
    setMinimumSize(NormalWidth, NormalHeight);
    resize(NormalWidth, NormalHeight);
    const struct {
        int id;
        const char* title;
        int x;
        int w;
    } groups[] = {{1025, "Level Loader", 12, 232},
                  {1026, "Level Selector", 250, 186},
                  {1027, "Solver", 442, 70},
                  {1028, "Trace Viewer", 518, 188},
                  {1029, "Batch etc.", 712, 70}};
    for (const auto& g : groups) {
        auto* box = new QGroupBox(QString::fromLatin1(g.title), this);
        box->setObjectName(QStringLiteral("id%1").arg(g.id));
        box->setGeometry(g.x, 12, g.w, 50);
    }

    const struct {
        Control control;
        int id;
        const char* caption;
        int x;
        int w;
    } buttons[] = {{CtlSample, 1001, "Sample", 20, 52}, {CtlText, 1002, "Text", 74, 52},
                   {CtlFile, 1003, "File", 128, 52},    {CtlFolder, 1004, "Folder", 182, 52},
                   {CtlPrev, 1005, "Prev", 258, 52},    {CtlGo, 1006, "Go", 346, 26},
                   {CtlNext, 1007, "Next", 374, 52},    {CtlSolve, 1008, "Solve", 450, 52},
                   {CtlTop, 1009, "Top", 526, 38},      {CtlStepBack, 1010, "<-", 566, 38},
                   {CtlPlay, 1011, "Play", 606, 52},    {CtlStepForward, 1012, "->", 658, 38},
                   {CtlOption, 1013, "Option", 720, 52}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.caption), this);
        button->setObjectName(QStringLiteral("id%1").arg(b.id));
        button->setGeometry(b.x, 28, b.w, 24);
        button->setAutoDefault(false);
        controls_[static_cast<std::size_t>(b.control)] = button;
    }
    controls_[CtlGo]->setDefault(true);
    levelEdit_ = new NumberEdit(this);
    levelEdit_->setObjectName(QStringLiteral("id1034"));
    levelEdit_->setGeometry(312, 31, 34, 19);
    levelEdit_->setAlignment(Qt::AlignRight);
    lookIn_ = new QPushButton(QStringLiteral("LookIn"), this);
    lookIn_->setObjectName(QStringLiteral("id1042"));
    lookIn_->setGeometry(720, 63, 52, 24);
    lookIn_->setAutoDefault(false);

    setLine_ = label(this, 1014, {20, 68, 238, 18});
    levelLine_ = label(this, 1015, {258, 68, 106, 18});
    stateLine_ = label(this, 1016, {364, 68, 86, 18});
    seconds_ = label(this, 1017, {430, 68, 70, 18});
    moves_ = label(this, 1018, {500, 68, 108, 18});
    pushes_ = label(this, 1019, {608, 68, 94, 18});
    setTextColor(setLine_, bgr(0xFF0000));
    setTextColor(stateLine_, bgr(0x0000FF));

    board_ = new BoardWidget(view_, this);
    board_->setObjectName(QStringLiteral("id1030"));
    board_->onScaleChanged([this] { layoutControls(); });
    board_->setGeometry(12, 88, 769, 481);

    label(this, 1021, {12, 579, 50, 14}, QStringLiteral("Thread1"));
    label(this, 1022, {12, 599, 50, 14}, QStringLiteral("Thread2"));
    barOne_ = new QProgressBar(this);
    barOne_->setObjectName(QStringLiteral("id1023"));
    barTwo_ = new QProgressBar(this);
    barTwo_->setObjectName(QStringLiteral("id1024"));
    barOne_->setGeometry(64, 578, 630, 14);
    barTwo_->setGeometry(64, 598, 630, 14);
    barOne_->setRange(0, BarOneMax);
    barTwo_->setRange(0, BarTwoMax);
    for (QProgressBar* bar : {barOne_, barTwo_}) {
        bar->setTextVisible(false);
        bar->setValue(0);
    }
    setBarColor(barOne_, bgr(0xFF5A5A));
    setBarColor(barTwo_, bgr(0xFFAA00));
    label(this, 1043, {702, 579, 38, 14}, QStringLiteral("Solved"));
    label(this, 1044, {702, 599, 38, 14}, QStringLiteral("Failed"));
    solvedCount_ = label(this, 1020, {740, 579, 40, 14});
    failedCount_ = label(this, 1031, {740, 599, 40, 14});
    reason_ = new QLabel(this);
    reason_->setObjectName(QStringLiteral("reasonLine"));
    setTextColor(reason_, bgr(0x0000A0));
    layoutControls();

    connect(controls_[CtlSample], &QPushButton::clicked, this, &MainWindow::sampleCommand);
    connect(controls_[CtlText], &QPushButton::clicked, this, &MainWindow::textCommand);
    connect(controls_[CtlFile], &QPushButton::clicked, this, &MainWindow::fileCommand);
    connect(controls_[CtlFolder], &QPushButton::clicked, this, &MainWindow::folderCommand);
    connect(controls_[CtlPrev], &QPushButton::clicked, this, &MainWindow::prevCommand);
    connect(controls_[CtlGo], &QPushButton::clicked, this, &MainWindow::goCommand);
    connect(levelEdit_, &QLineEdit::returnPressed, this, &MainWindow::goCommand);
    connect(controls_[CtlNext], &QPushButton::clicked, this, &MainWindow::nextCommand);
    connect(controls_[CtlSolve], &QPushButton::clicked, this, &MainWindow::solveCommand);
    connect(controls_[CtlTop], &QPushButton::clicked, this, &MainWindow::topCommand);
    connect(controls_[CtlStepBack], &QPushButton::clicked, this, &MainWindow::stepBackCommand);
    connect(controls_[CtlPlay], &QPushButton::clicked, this, &MainWindow::playCommand);
    connect(controls_[CtlStepForward], &QPushButton::clicked, this, &MainWindow::stepForwardCommand);
    connect(controls_[CtlOption], &QPushButton::clicked, this, &MainWindow::optionCommand);
    connect(lookIn_, &QPushButton::clicked, this, &MainWindow::lookInCommand);
}

// Everything below the board keeps its distance from the window's bottom edge, right-hand labels from
// its right edge; the board frame takes the rest.
void MainWindow::layoutControls() {
    const int dx = std::max(0, width() - NormalWidth);
    const int dy = std::max(0, height() - NormalHeight);
    board_->setGeometry(12, 88, 769 + dx, 481 + dy);
    view_.setViewSize(QSize(BufferWidth + dx, BufferHeight + dy), devicePixelRatioF());
    const struct {
        const char* id;
        int x, y, w, h;
        bool right; // moves with the right edge
    } below[] = {{"id1021", 12, 579, 50, 14, false}, {"id1022", 12, 599, 50, 14, false},
                 {"id1043", 702, 579, 38, 14, true}, {"id1044", 702, 599, 38, 14, true},
                 {"id1020", 740, 579, 40, 14, true}, {"id1031", 740, 599, 40, 14, true}};
    for (const auto& b : below)
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(b.id)))
            w->setGeometry(b.x + (b.right ? dx : 0), b.y + dy, b.w, b.h);
    barOne_->setGeometry(64, 578 + dy, 630 + dx, 14);
    barTwo_->setGeometry(64, 598 + dy, 630 + dx, 14);
    reason_->setGeometry(12, 618 + dy, 769 + dx, 18);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (board_ != nullptr) layoutControls();
}

void MainWindow::buildShortcuts() {
    for (const ShortcutRow& row : ShortcutRows) {
        const QKeySequence keys(QString::fromLatin1(row.keys));
        auto* action = new QAction(QString::fromLatin1(row.tip), this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        // Always enabled, so an arrow key is never passed on to a button (where it would move the focus);
        // the command itself asks whether its button may be pressed.
        addAction(action);
        actions_.push_back(action);
        const int control = row.control;
        connect(action, &QAction::triggered, this, [this, control] {
            if (control == HelpKey) {
                helpCommand();
            } else if (control == QuitKey) {
                close();
            } else if (QPushButton* b = controls_[static_cast<std::size_t>(control)]; b->isEnabled()) {
                b->click();
            }
        });
        if (control >= 0) {
            QPushButton* button = controls_[static_cast<std::size_t>(control)];
            button->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(row.tip),
                                                             keys.toString(QKeySequence::NativeText)));
        }
    }
    controls_[CtlGo]->setToolTip(QStringLiteral("Go to the level of this number (Enter)"));
    lookIn_->setToolTip(QStringLiteral("Open the batch's result file"));
    for (QPushButton* b : findChildren<QPushButton*>()) b->installEventFilter(this);
}

// Up and Down would move the focus from button to button; here they do nothing.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::helpCommand() {
    dialogs_.information(this, helpText());
}

QString MainWindow::reasonText() const {
    return reason_->text();
}

void MainWindow::setReason(const QString& text) {
    reason_->setText(text);
    reason_->setToolTip(text);
}

// The load's note (blocks dropped) and the shown level's own reason, side by side.
void MainWindow::showLevelReason() {
    QStringList parts;
    if (!loadNote_.isEmpty()) parts << loadNote_;
    const QString why = verdictReason(engine_->level());
    if (!why.isEmpty() && shownState_ != cw::Outcome::Ready) {
        const QString state = QString::fromLatin1(cw::stateText(shownState_));
        parts << (state.isEmpty() ? why : state + QStringLiteral(": ") + why);
    }
    setReason(parts.join(QStringLiteral("; ")));
}

QString MainWindow::statusText(int id) const {
    const auto* l = findChild<QLabel*>(QStringLiteral("id%1").arg(id));
    return l != nullptr ? l->text() : QString();
}

EnableState MainWindow::enableState() const {
    EnableState s;
    s.storesReady = storesReady_;
    s.batch = batch_;
    s.solving = solving_;
    s.playing = playing_.load();
    // While a run is on, the worker owns the level set and the trace; their rules do not apply then.
    if (!batch_ && !solving_) {
        s.levelTotal = set_.levelTotal();
        s.levelNumber = set_.levelNumber();
        s.levelState = shownState_;
        s.solutionLength = engine_->trace().length;
        s.moveIndex = view_.moveIndex();
    }
    return s;
}

void MainWindow::applyEnableRules() {
    enabled_ = enableRules(enableState());
    for (int c = 0; c < ControlCount; ++c) {
        const bool on = enabled_[static_cast<std::size_t>(c)];
        if (c == CtlLevelEdit)
            levelEdit_->setEnabled(on);
        else
            controls_[static_cast<std::size_t>(c)]->setEnabled(on);
    }
}

// ---- Loading and selecting levels.

void MainWindow::sampleCommand() {
    loadNote_.clear();
    showSet(set_.loadSample());
}

void MainWindow::textCommand() {
    TextDialog dialog(TextDialog::PasteMode, this);
    if (dialogs_.runText(dialog) != QDialog::Accepted) return;
    if (!dialog.pasted()) {
        setReason(QStringLiteral("nothing was pasted: the text is empty"));
        return;
    }
    const cw::BlockSurvey survey = cw::surveyBlocks(dialog.pastedText());
    const QString what = QStringLiteral("the pasted text");
    // A paste without a level would only throw the loaded set away.
    if (survey.levels == 0 && set_.levelTotal() > 0) {
        setReason(QStringLiteral("Load Error!! %1; the earlier set is kept").arg(noLevelIn(survey, what)));
        return;
    }
    loadNote_ = droppedBlocks(survey);
    const bool loaded = set_.loadPasted(dialog.pastedText());
    showSet(loaded);
    if (!loaded)
        setReason(set_.loadError().empty() ? noLevelIn(survey, what)
                                           : QString::fromStdString(set_.loadError()));
}

void MainWindow::fileCommand() {
    const QString start = QString::fromStdString(cw::rememberedFolder(settings_.inputFile));
    const QString chosen = dialogs_.openFile(this, QStringLiteral("Select File"), start, LevelFileFilter);
    if (chosen.isEmpty()) return;
    const std::string path = chosen.toStdString();
    cw::rememberInputFile(settingsFile_, path);
    settings_.inputFile = cw::readSettings(settingsFile_).inputFile;
    loadNote_.clear();
    const bool loaded = set_.loadFile(path);
    showSet(loaded);
    if (loaded) return;
    const QFileInfo info(chosen);
    if (!set_.loadError().empty())
        setReason(QString::fromStdString(set_.loadError()));
    else if (info.isFile() && info.size() == 0)
        setReason(QStringLiteral("the file %1 is empty").arg(info.fileName()));
    else
        setReason(noLevelIn(cw::surveyBlocks(set_.textBuffer()), info.fileName()));
}

void MainWindow::folderCommand() {
    const QString start = QString::fromStdString(settings_.inputFolder);
    const QString chosen = dialogs_.chooseFolder(this, start);
    if (chosen.isEmpty()) return;
    const std::string path = chosen.toStdString();
    cw::rememberInputFolder(settingsFile_, path);
    settings_.inputFolder = cw::readSettings(settingsFile_).inputFolder;
    loadNote_.clear();
    const bool loaded = set_.loadFolder(path);
    showSet(loaded);
    if (loaded) return;
    if (!set_.loadError().empty())
        setReason(QString::fromStdString(set_.loadError()));
    else if (!QFileInfo(chosen).isDir())
        setReason(QStringLiteral("cannot read the folder %1").arg(chosen));
    else
        setReason(QStringLiteral("no level in the folder: no file numbered 1 (such as map1.txt or "
                                 "level001.xsb) holds a level"));
}

void MainWindow::prevCommand() {
    if (set_.levelNumber() < 2) return;
    loadNote_.clear();
    set_.prevLevel();
    levelChanged();
}

void MainWindow::goCommand() {
    if (set_.levelTotal() < 1) return;
    const int wanted = std::clamp(readNumber(levelEdit_->text(), 5), 1, set_.levelTotal());
    loadNote_.clear();
    set_.goTo(wanted);
    levelChanged();
}

void MainWindow::nextCommand() {
    if (set_.levelNumber() >= set_.levelTotal()) return;
    loadNote_.clear();
    set_.nextLevel();
    levelChanged();
}

void MainWindow::showSet(bool loaded) {
    applyEnableRules();
    if (loaded) {
        const QString name = QString::fromStdString(set_.levelSetName());
        setLine_->setText(
            set_.levelTotal() < 2 ? name : QStringLiteral("%1 (%2 levles)").arg(name).arg(set_.levelTotal()));
        levelChanged();
    } else {
        setLine_->setText(QStringLiteral("Load Error!!"));
        levelLine_->clear();
        stateLine_->clear();
        levelEdit_->clear();
        shownState_ = cw::Outcome::NoLevel;
        resetRun();
        setReason({});
        view_.drawLoadError();
    }
    seconds_->setText(QStringLiteral("0 sec"));
    moves_->clear();
    pushes_->clear();
    applyEnableRules();
}

void MainWindow::levelChanged() {
    shownState_ = engine_->level().levelStatus;
    showLevel();
}

void MainWindow::showLevel() {
    if (set_.levelNumber() == 0) return;
    const cw::Level& lv = engine_->level();
    if (set_.levelSetName() == "Sample")
        setLine_->setText(QStringLiteral("%1 (%2levels)   %3")
                              .arg(QString::fromStdString(set_.levelSetName()))
                              .arg(set_.levelTotal())
                              .arg(QString::fromLatin1(set_.sampleLabel())));
    levelEdit_->setText(QString::number(set_.levelNumber()));
    levelLine_->setText(QString::asprintf("%4d [%2d*%2d(%3d)]", set_.levelNumber(), lv.boardWidth,
                                          lv.boardHeight, lv.levelBoxCount));
    stateLine_->setText(QString::fromLatin1(cw::stateText(shownState_)));
    seconds_->setText(QStringLiteral("0 sec"));
    moves_->clear();
    pushes_->clear();
    if (!batch_) {
        solvedCount_->clear();
        failedCount_->clear();
        lookIn_->hide();
    }
    resetRun();
    startsSolved_ = lv.levelStartsSolved;
    updateProgress();
    view_.drawLevelAtStart(lv, shownState_);
    showLevelReason();
    liveLevel_ = lv; // no run is going on: the level is the window's to copy
    applyEnableRules();
}

void MainWindow::resetRun() {
    engine_->clearRun();
    live_.forget();
    liveDrawn_ = 0;
}

void MainWindow::updateProgress() {
    barOne_->setValue(barPosition(barOneCount(engine_->control(), startsSolved_), BarOneMax));
    barTwo_->setValue(barPosition(barTwoCount(engine_->control()), BarTwoMax));
}

// ---- Solving.

void MainWindow::solveCommand() {
    if (solving_) {
        // Held until the run has ended, so a cancel just before the run starts is not lost.
        engine_->holdCancel();
        return;
    }
    if (engine_->trace().length > 0) {
        openResult();
        return;
    }
    if (shownState_ != cw::Outcome::Ready || set_.levelNumber() == 0) return;
    solving_ = true;
    applyEnableRules();
    controls_[CtlSolve]->setText(QStringLiteral("Cancel"));
    engine_->setTimeLimit(settings_.uTime);
    engine_->startClock();
    timer_->start(ProgressIntervalMs);
    startWorker(WorkerSolve);
}

void MainWindow::openResult() {
    TextDialog dialog(TextDialog::ResultMode, this);
    const cw::Trace& t = engine_->trace();
    dialog.showResult(t.text(), t.traceOver != 0, t.moveCount, t.pushCount);
    dialogs_.runText(dialog);
}

void MainWindow::tick() {
    const cw::RunControl& c = engine_->control();
    const std::int64_t seconds = c.elapsedSeconds();
    seconds_->setText(QString::asprintf("%4lld sec", static_cast<long long>(seconds)));
    cw::Level level;
    TracePosition live;
    if (live_.read(level, live)) {
        view_.drawLive(level, live);
    } else {
        // The position a thread published since the last tick, and a request for the next one.
        const cw::LiveSnapshot newest = c.newestLive();
        engine_->requestLive();
        if (newest.serial != 0 && newest.serial != liveDrawn_) {
            liveDrawn_ = newest.serial;
            TracePosition searched;
            for (int i = 0; i < newest.boxCount; ++i)
                searched.traceBoard[static_cast<std::size_t>(newest.boxes[static_cast<std::size_t>(i)])] = 2;
            searched.tracePlayer = newest.player;
            view_.drawLive(liveLevel_, searched);
        }
    }
    updateProgress();
}

void MainWindow::startWorker(int mode) {
    worker_.start(mode, [this, mode] {
        if (mode == WorkerSolve) {
            lastOutcome_.store(solve_ ? solve_(*engine_) : engine_->solveLevel());
            live_.take(*engine_);
        } else {
            runBatch();
        }
        onWindow([this] { runFinished(); });
    });
}

void MainWindow::runFinished() {
    if (worker_.mode() == WorkerSolve)
        solveFinished();
    else
        batchFinished();
}

void MainWindow::solveFinished() {
    timer_->stop();
    solving_ = false;
    engine_->releaseCancel();
    controls_[CtlSolve]->setText(QStringLiteral("Solve"));
    const cw::Outcome outcome = lastOutcome_.load();
    if (outcome != cw::Outcome::Solved) engine_->dropSolution();
    view_.top(engine_->level());
    if (outcome == cw::Outcome::Solved) updateMoveFields();
    seconds_->setText(
        QString::asprintf("%5lld sec", static_cast<long long>(engine_->control().runSeconds.load())));
    updateProgress();
    // A short pause before the outcome is shown, on a timer so the window keeps drawing.
    finishPending_ = true;
    QTimer::singleShot(200, this, [this] { showSolveOutcome(); });
}

void MainWindow::showSolveOutcome() {
    finishPending_ = false;
    applyEnableRules();
    if (closing_) return;
    const cw::Outcome outcome = lastOutcome_.load();
    if (outcome != cw::Outcome::Solved)
        dialogs_.warning(this, QString::fromLatin1(cw::warningText(outcome)));
    else
        openResult();
    view_.top(engine_->level());
}

void MainWindow::updateMoveFields() {
    const cw::Trace& t = engine_->trace();
    moves_->setText(QStringLiteral("%1/%2m").arg(view_.moveIndex()).arg(t.moveCount));
    pushes_->setText(QStringLiteral("%1/%2p").arg(view_.pushes()).arg(t.pushCount));
}

// ---- Trace viewer.

void MainWindow::topCommand() {
    view_.top(engine_->level());
    updateMoveFields();
    applyEnableRules();
}

void MainWindow::stepForwardCommand() {
    if (view_.stepForward(engine_->level(), engine_->trace().text())) updateMoveFields();
    applyEnableRules();
}

void MainWindow::stepBackCommand() {
    if (view_.stepBack(engine_->level(), engine_->trace().text())) updateMoveFields();
    applyEnableRules();
}

void MainWindow::playCommand() {
    if (playing_.load()) {
        stopPlaying();
        return;
    }
    playing_.store(true);
    applyEnableRules();
    controls_[CtlPlay]->setText(QStringLiteral("Pause"));
    playTimer_->start(PlayIntervalMs[std::clamp(settings_.speed, 0, 3)]);
}

void MainWindow::stopPlaying() {
    playTimer_->stop();
    playing_.store(false);
    applyEnableRules();
    controls_[CtlPlay]->setText(QStringLiteral("Play"));
}

void MainWindow::playTick() {
    const std::string_view moves = engine_->trace().text();
    if (!view_.stepForward(engine_->level(), moves)) {
        stopPlaying();
        return;
    }
    updateMoveFields();
    applyEnableRules();
    if (static_cast<std::size_t>(view_.moveIndex()) >= moves.size()) stopPlaying();
}

// ---- Batch.

void MainWindow::optionCommand() {
    if (batch_) {
        if (batchRun_) batchRun_->cancel();
        return;
    }
    const OptionsContext context{set_.levelTotal() > 0, set_.levelSetName(), set_.levelTotal()};
    OptionsDialog dialog(dialogs_, settingsFile_, settings_, resultPath_, context, this);
    if (dialogs_.runOptions(dialog) != QDialog::Accepted || !dialog.batchRequested()) return;
    resultFile_ = dialog.takeResultFile();
    startBatch(dialog.rangeFrom(), dialog.rangeTo());
}

void MainWindow::lookInCommand() {
    const QString path = QString::fromStdString(resultPath_);
    if (!dialogs_.openPath(path))
        dialogs_.warning(this, QStringLiteral("No program to open the result file is installed "
                                              "(xdg-open of xdg-utils opens it).\n\nThe result file is:\n%1")
                                   .arg(path));
}

void MainWindow::startBatch(int first, int last) {
    batch_ = true;
    solving_ = true;
    applyEnableRules();
    controls_[CtlOption]->setText(QStringLiteral("Cancel"));
    if (resultFile_) lookIn_->show();
    solvedCount_->setText(QStringLiteral("0"));
    failedCount_->setText(QStringLiteral("0"));
    batchOptions_ = cw::BatchOptions{};
    batchOptions_.first = first;
    batchOptions_.last = last;
    batchOptions_.playAfter = settings_.playAfter != 0;
    batchOptions_.wTrace = settings_.wTrace != 0;
    batchOptions_.timeLimitSec = settings_.uTime;
    batchOptions_.output = resultFile_.get();
    batchRun_ = std::make_unique<cw::BatchRun>(*engine_, set_);
    timer_->start(ProgressIntervalMs);
    startWorker(WorkerBatch);
}

// Worker thread: the batch loop, with every window change handed to the window thread.
void MainWindow::runBatch() {
    cw::BatchHooks hooks;
    hooks.levelShown = [this](int) { onWindow([this] { levelChanged(); }); };
    hooks.levelDone = [this](const cw::LevelReport& report) {
        live_.take(*engine_);
        onWindow([this, &report] {
            solvedCount_->setText(QString::number(report.solvedCount));
            failedCount_->setText(QString::number(report.failedCount));
            if (report.outcome == cw::Outcome::Cancel) view_.drawLevelAtStart(engine_->level(), shownState_);
        });
    };
    hooks.progressStart = [this] { onWindow([this] { timer_->start(ProgressIntervalMs); }); };
    hooks.progressStop = [this] { onWindow([this] { timer_->stop(); }); };
    hooks.playAfter = [this] {
        onWindow([this] {
            live_.forget();
            view_.top(engine_->level());
            updateMoveFields();
            playing_.store(true);
            playTimer_->start(BatchPlayIntervalMs);
        });
        while (playing_.load() && !batchRun_->cancelRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        onWindow([this] {
            playTimer_->stop();
            playing_.store(false);
        });
    };
    batchSummary_ = batchRun_->run(batchOptions_, hooks);
    lastOutcome_.store(batchSummary_.lastOutcome);
}

void MainWindow::batchFinished() {
    timer_->stop();
    if (!playing_.load()) view_.drawLevelAtStart(engine_->level(), shownState_);
    playing_.store(false);
    batch_ = false;
    solving_ = false;
    if (lastOutcome_.load() == cw::Outcome::Solved) {
        view_.top(engine_->level());
        updateMoveFields();
    }
    applyEnableRules();
    controls_[CtlOption]->setText(QStringLiteral("Option"));
    const cw::LocalStamp& s = batchSummary_.start;
    const cw::LocalStamp& f = batchSummary_.finish;
    const bool cancelled = batchSummary_.lastOutcome == cw::Outcome::Cancel;
    const QString text =
        QString::asprintf(cancelled ? "  Batch is canceled.\n\n%4d/%02d/%02d %02d:%02d Start\n"
                                      "%4d/%02d/%02d %02d:%02d Cancel\n"
                                    : "  Batch is finished.\n\n%4d/%02d/%02d %02d:%02d Start\n"
                                      "%4d/%02d/%02d %02d:%02d Finish\n",
                          s.year, s.month, s.day, s.hour, s.minute, f.year, f.month, f.day, f.hour, f.minute);
    batchRun_.reset();
    resultFile_.reset();
    if (!closing_) dialogs_.information(this, text);
}

} // namespace cwui

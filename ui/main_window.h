#pragma once
// The main window: level loader, level selector, solver, trace viewer and batch controls, the
// worker thread that runs a solve (mode 1) or a batch (mode 2), and the progress timer.
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_run.h"
#include "engine/engine.h"
#include "level/level_set.h"
#include "level/parser.h"
#include "level/settings_file.h"
#include "ui/board_view.h"
#include "ui/enable_rules.h"
#include "ui/worker.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace cwui {

class BoardWidget;
class Dialogs;
class NumberEdit;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // Runs one level on the worker thread; the engine's own solveLevel unless replaced.
    using SolveFunction = std::function<cw::Outcome(cw::Engine&)>;

    explicit MainWindow(Dialogs& dialogs, SolveFunction solve = {}, QWidget* parent = nullptr);
    // Cancels and waits for a running worker, frees the node stores and deletes the scratch text file.
    ~MainWindow() override;

    // Commands, in the order of the controls.
    void sampleCommand();
    void textCommand();
    void fileCommand();
    void folderCommand();
    void prevCommand();
    void goCommand();
    void nextCommand();
    void solveCommand();
    void topCommand();
    void stepBackCommand();
    void playCommand();
    void stepForwardCommand();
    void optionCommand();
    void lookInCommand();
    void helpCommand(); // F1: the shortcuts and what the outcomes mean
    static QString helpText();

    // The window's normal size: the controls' layout at its fixed positions, one reason line below.
    static constexpr int NormalWidth = 793;
    static constexpr int NormalHeight = 640;

    // State, for tests and the screenshot.
    cw::Engine& engine() { return *engine_; }
    cw::LevelSet& levelSet() { return set_; }
    const BoardView& boardView() const { return view_; }
    const cw::Settings& settings() const { return settings_; }
    const std::string& resultPath() const { return resultPath_; }
    EnableTable enableTable() const { return enabled_; }
    bool solving() const { return solving_; }
    bool batchRunning() const { return batch_; }
    bool playing() const { return playing_.load(); }
    // Whether a run is on: the worker has not ended, or the window has not yet shown its end.
    bool workerRunning() const { return worker_.running() || finishPending_; }
    cw::Outcome lastOutcome() const { return lastOutcome_.load(); }
    QString statusText(int id) const; // text of a static control by its id, e.g. 1014 for the set line
    // The line under the progress bars that says why something was refused or dropped; empty when
    // nothing was.
    QString reasonText() const;
    // The shortcut actions, by command (for tests: each is the window's QAction with its key).
    const std::vector<QAction*>& shortcutActions() const { return actions_; }
    // Applies the enable rules to a state the window is put in by hand (tests of the rule table).
    void applyEnableRules();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void buildShortcuts();
    void layoutControls();
    void setReason(const QString& text);
    void showLevelReason();
    void showSet(bool loaded);
    void showLevel();
    void levelChanged();
    void resetRun();
    void updateProgress();
    void updateMoveFields();
    void tick();
    void playTick();
    void stopPlaying();
    void openResult();
    void startWorker(int mode);
    void runBatch();
    void runFinished();
    void solveFinished();
    void showSolveOutcome();
    void batchFinished();
    void startBatch(int first, int last);
    EnableState enableState() const;
    void onWindow(const std::function<void()>& fn) { worker_.onWindow(fn); }

    Dialogs& dialogs_;
    SolveFunction solve_;
    std::unique_ptr<cw::Engine> engine_;
    cw::LevelSet set_;
    cw::SettingsFile settingsFile_;
    cw::Settings settings_;
    std::string resultPath_;
    BoardView view_;

    std::array<QPushButton*, ControlCount> controls_{};
    NumberEdit* levelEdit_ = nullptr;
    QPushButton* lookIn_ = nullptr;
    QLabel* setLine_ = nullptr;
    QLabel* levelLine_ = nullptr;
    QLabel* stateLine_ = nullptr;
    QLabel* seconds_ = nullptr;
    QLabel* moves_ = nullptr;
    QLabel* pushes_ = nullptr;
    QLabel* solvedCount_ = nullptr;
    QLabel* failedCount_ = nullptr;
    QLabel* reason_ = nullptr;
    QString loadNote_; // what the last load dropped, shown until another level is selected
    std::vector<QAction*> actions_;
    QProgressBar* barOne_ = nullptr;
    QProgressBar* barTwo_ = nullptr;
    BoardWidget* board_ = nullptr;
    QTimer* timer_ = nullptr;     // progress, 200 ms
    QTimer* playTimer_ = nullptr; // trace viewer play

    EnableTable enabled_{};
    bool storesReady_ = false;
    bool solving_ = false;
    bool batch_ = false;
    std::atomic<bool> playing_{false};
    cw::Outcome shownState_ = cw::Outcome::NoLevel;
    int startsSolved_ = 0;
    bool closing_ = false;

    Worker worker_;
    bool finishPending_ = false; // a solve's end waits for its short pause before it is shown
    std::atomic<cw::Outcome> lastOutcome_{cw::Outcome::NoLevel};
    std::unique_ptr<cw::BatchRun> batchRun_;
    std::unique_ptr<cw::ResultFile> resultFile_;
    cw::BatchOptions batchOptions_;
    cw::BatchSummary batchSummary_;

    LiveCopy live_;
    cw::Level liveLevel_;         // the shown level as a run starts: what live positions are drawn on
    std::uint64_t liveDrawn_ = 0; // serial of the live position drawn last
};

} // namespace cwui

#pragma once
// The "Option" dialog: time limit and viewer speed, the batch options, the result file, and the
// Batch Start button that hands a checked batch request back to the window.
#include <QDialog>

#include <memory>
#include <string>

#include "batch/result_file.h"
#include "level/settings_file.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace cwui {

class Dialogs;
class NumberEdit;

// What the dialog shows about the loaded set.
struct OptionsContext {
    bool levelsLoaded = false;
    std::string setName;
    int levelTotal = 0;
};

class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    // `settings` and `resultPath` are the window's own and change on OK and Batch Start; the settings
    // file is written then too.
    OptionsDialog(Dialogs& dialogs, cw::SettingsFile& file, cw::Settings& settings, std::string& resultPath,
                  const OptionsContext& context, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // After the dialog closed: whether Batch Start was accepted, its range, and the result file it
    // opened (null when the batch writes none).
    bool batchRequested() const { return batch_; }
    int rangeFrom() const { return from_; }
    int rangeTo() const { return to_; }
    std::unique_ptr<cw::ResultFile> takeResultFile();

    // What a refused OK or Batch Start says: the dialog stays open, and the user learns why.
    static const QString EmptyRangeText;
    static const QString ZeroTimeText;

    // The buttons' actions, also reachable from tests.
    void browse();
    void batchStart();
    void okPressed();

  private:
    void outputToggled();
    void updateBatchStart();
    // Saves speed and time limit with the other options and closes; false (dialog stays) for a zero time
    // limit.
    bool finishOk();

    Dialogs& dialogs_;
    cw::SettingsFile& file_;
    cw::Settings& settings_;
    std::string& resultPath_;
    bool loaded_;

    QCheckBox* playAfter_;
    QCheckBox* output_;
    QLineEdit* path_;
    QPushButton* browse_;
    QCheckBox* trace_;
    NumberEdit* fromEdit_;
    NumberEdit* toEdit_;
    QPushButton* batchStart_;
    QRadioButton* speed_[4];
    NumberEdit* time_;
    QPushButton* ok_;

    bool batch_ = false;
    int from_ = 0;
    int to_ = 0;
    std::unique_ptr<cw::ResultFile> resultFile_;
};

} // namespace cwui

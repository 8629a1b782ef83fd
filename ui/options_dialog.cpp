#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

#include "ui/dialogs.h"
#include "ui/number_edit.h"

namespace cwui {

namespace {

QLabel* staticText(QWidget* parent, const QString& text, QRect where, const char* id = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    if (id != nullptr) label->setObjectName(QString::fromLatin1(id));
    return label;
}

template <typename W> W* placed(W* widget, QRect where, const char* id) {
    widget->setGeometry(where);
    if (id != nullptr) widget->setObjectName(QString::fromLatin1(id));
    return widget;
}

// A path that is only a remembered folder ("folder/*") stands for no file yet.
bool isFilePath(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash != std::string::npos && path.compare(slash + 1, std::string::npos, "*") != 0;
}

} // namespace

const QString OptionsDialog::EmptyRangeText =
    QStringLiteral("The range is empty: \"from\" must be 1 or more and \"to\" not below it.");
const QString OptionsDialog::ZeroTimeText = QStringLiteral("The time limit must be 1 second or more.");

OptionsDialog::OptionsDialog(Dialogs& dialogs, cw::SettingsFile& file, cw::Settings& settings,
                             std::string& resultPath, const OptionsContext& context, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), file_(file), settings_(settings), resultPath_(resultPath),
      loaded_(context.levelsLoaded) {
    setWindowTitle(QStringLiteral("Option"));
    setFixedSize(420, 340);

    auto* batchGroup =
        placed(new QGroupBox(QStringLiteral("Batch solution"), this), {10, 6, 400, 214}, nullptr);
    batchGroup->lower();
    QLabel* line1 = staticText(this, {}, {20, 24, 380, 18}, "id1014");
    QLabel* line2 = staticText(this, {}, {20, 42, 380, 18}, "id1015");
    QLabel* line3 = staticText(this, {}, {20, 60, 380, 18}, "id1016");
    playAfter_ =
        placed(new QCheckBox(QStringLiteral(" Play the Trace Viewer after solved. (High Speed)"), this),
               {20, 84, 380, 20}, "id1031");
    output_ = placed(new QCheckBox(QStringLiteral(" Output file."), this), {20, 108, 200, 20}, "id1032");
    path_ = placed(new QLineEdit(this), {20, 132, 300, 22}, "id1034");
    browse_ = placed(new QPushButton(QStringLiteral("browse"), this), {326, 130, 74, 26}, "id1001");
    trace_ = placed(new QCheckBox(QStringLiteral(" +Trace data"), this), {20, 158, 200, 20}, "id1033");
    staticText(this, QStringLiteral("Solver range: from"), {20, 186, 120, 20});
    fromEdit_ = placed(new NumberEdit(this), {140, 184, 56, 22}, "id1035");
    staticText(this, QStringLiteral("to"), {202, 186, 16, 20});
    toEdit_ = placed(new NumberEdit(this), {220, 184, 56, 22}, "id1036");
    batchStart_ = placed(new QPushButton(QStringLiteral("Batch Start"), this), {300, 182, 100, 26}, "id1002");

    auto* others = placed(new QGroupBox(QStringLiteral("Others"), this), {10, 226, 400, 72}, nullptr);
    others->lower();
    staticText(this, QStringLiteral("Trace Viewer speed:"), {20, 246, 130, 20});
    const char* speedNames[4] = {"Slow", "Nomal", "Fast", "HighSpeed"};
    const char* speedIds[4] = {"id1038", "id1039", "id1040", "id1041"};
    const int speedX[4] = {150, 206, 270, 324};
    for (int i = 0; i < 4; ++i)
        speed_[i] = placed(new QRadioButton(QString::fromLatin1(speedNames[i]), this),
                           {speedX[i], 246, i == 3 ? 84 : 62, 20}, speedIds[i]);
    staticText(this, QStringLiteral("Time limit:"), {20, 272, 80, 20});
    time_ = placed(new NumberEdit(this), {100, 270, 70, 22}, "id1037");
    time_->setAlignment(Qt::AlignRight);
    staticText(this, QStringLiteral("sec"), {176, 272, 30, 20});
    ok_ = placed(new QPushButton(QStringLiteral("OK"), this), {326, 304, 84, 28}, "id1");
    ok_->setDefault(true);

    // Opening: the stored batch options and the remembered result file.
    playAfter_->setChecked(settings_.playAfter != 0);
    output_->setChecked(settings_.output != 0);
    trace_->setChecked(settings_.wTrace != 0);
    if (isFilePath(resultPath_)) path_->setText(QString::fromStdString(resultPath_));
    if (loaded_) {
        line1->setText(QString::fromLatin1(cw::titleLine));
        line2->setText(QStringLiteral("LevelSetName: %1 (%2 levels)")
                           .arg(QString::fromStdString(context.setName))
                           .arg(context.levelTotal));
        char memory[80];
        std::snprintf(memory, sizeof memory, "MaxSize [%d*%d(%d)] Memory %sGB", 50, 50, 64, "3.5");
        line3->setText(QString::fromLatin1(memory));
        if (!output_->isChecked()) {
            path_->clear();
            path_->setEnabled(false);
            trace_->setEnabled(false);
            browse_->setEnabled(false);
        }
        fromEdit_->setText(QStringLiteral("1"));
        toEdit_->setText(QString::number(context.levelTotal));
        updateBatchStart();
    } else {
        line2->setText(QStringLiteral("              Levels are not loaded."));
        for (QWidget* w : std::initializer_list<QWidget*>{playAfter_, output_, path_, trace_, fromEdit_,
                                                          toEdit_, browse_, batchStart_})
            w->setEnabled(false);
    }
    if (settings_.speed >= 0 && settings_.speed < 4) speed_[settings_.speed]->setChecked(true);
    time_->setText(QString::number(settings_.uTime));

    connect(output_, &QCheckBox::toggled, this, &OptionsDialog::outputToggled);
    connect(playAfter_, &QCheckBox::toggled, this, &OptionsDialog::updateBatchStart);
    connect(browse_, &QPushButton::clicked, this, &OptionsDialog::browse);
    connect(batchStart_, &QPushButton::clicked, this, &OptionsDialog::batchStart);
    connect(ok_, &QPushButton::clicked, this, &OptionsDialog::okPressed);
}

OptionsDialog::~OptionsDialog() = default;

std::unique_ptr<cw::ResultFile> OptionsDialog::takeResultFile() {
    return std::move(resultFile_);
}

void OptionsDialog::outputToggled() {
    const bool on = output_->isChecked();
    trace_->setEnabled(on);
    path_->setEnabled(on);
    browse_->setEnabled(on);
    updateBatchStart();
}

void OptionsDialog::updateBatchStart() {
    batchStart_->setEnabled(playAfter_->isChecked() || output_->isChecked());
}

void OptionsDialog::browse() {
    const std::string start = isFilePath(resultPath_) ? resultPath_ : cw::rememberedFolder(resultPath_);
    QString chosen = dialogs_.saveFile(this, QStringLiteral("save as"), QString::fromStdString(start));
    if (chosen.isEmpty()) return;
    const qsizetype slash = chosen.lastIndexOf(u'/');
    if (!chosen.mid(slash + 1).contains(u'.')) chosen += QStringLiteral(".txt");
    path_->setText(chosen);
}

// Every check comes before the result file is opened, so a refused start leaves an existing file alone.
void OptionsDialog::batchStart() {
    const int from = readNumber(fromEdit_->text(), 9);
    const int to = readNumber(toEdit_->text(), 9);
    if (to < from || from <= 0 || to <= 0) {
        dialogs_.warning(this, EmptyRangeText);
        return;
    }
    if (readNumber(time_->text(), 9) <= 0) {
        dialogs_.warning(this, ZeroTimeText);
        return;
    }
    if (output_->isChecked()) {
        const std::string path = path_->text().left(260).toStdString();
        auto file = std::make_unique<cw::ResultFile>();
        if (!file->open(path)) {
            dialogs_.error(this, QStringLiteral(" Can't open output file."));
            return;
        }
        resultFile_ = std::move(file);
        resultPath_ = path;
        settings_.output = 1;
        settings_.wTrace = trace_->isChecked() ? 1 : 0;
    } else {
        settings_.output = 0;
    }
    settings_.playAfter = playAfter_->isChecked() ? 1 : 0;
    from_ = from;
    to_ = to;
    batch_ = true;
    finishOk();
}

void OptionsDialog::okPressed() {
    finishOk();
}

bool OptionsDialog::finishOk() {
    const int seconds = readNumber(time_->text(), 9);
    if (seconds <= 0) {
        dialogs_.warning(this, ZeroTimeText);
        return false;
    }
    for (int i = 0; i < 4; ++i)
        if (speed_[i]->isChecked()) settings_.speed = i;
    settings_.uTime = seconds;
    cw::writeOptions(file_, settings_, resultPath_); // a failed write only loses the settings
    accept();
    return true;
}

} // namespace cwui

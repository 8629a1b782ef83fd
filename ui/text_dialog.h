#pragma once
// The text dialog: in paste mode the user pastes or types a level set; in result mode it shows the
// current solution in lines of 50 letters and copies it to the clipboard.
#include <QDialog>

#include <string>
#include <string_view>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace cwui {

class TextDialog : public QDialog {
    Q_OBJECT
  public:
    enum Mode { PasteMode = 0, ResultMode = 1 };

    // Paste mode starts with an empty text.
    explicit TextDialog(Mode mode, QWidget* parent = nullptr);
    // Result mode: the solution and its counts.
    void showResult(std::string_view moves, bool traceOver, int moveCount, int pushCount);

    Mode mode() const { return mode_; }
    // Paste mode, after OK: whether there is a text to load, and the text. The caller loads it, so
    // closing the dialog any other way leaves the loaded set as it was.
    bool pasted() const { return pasted_; }
    const std::string& pastedText() const { return pastedText_; }
    // Result mode: the text shown and copied.
    const QString& resultText() const { return resultText_; }

    // The two buttons' actions, also reachable from tests.
    void pasteFromClipboard();
    void copyToClipboard();
    void okPressed();

  private:
    Mode mode_;
    QLabel* label_;
    QPushButton* action_;
    QPushButton* ok_;
    QPlainTextEdit* edit_;
    bool pasted_ = false;
    std::string pastedText_;
    QString resultText_;
};

} // namespace cwui

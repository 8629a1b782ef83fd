#pragma once
// A one-line edit that takes digits only and selects its whole text when it gains focus, so a new
// number can be typed straight over the old one.
#include <QLineEdit>

namespace cwui {

class NumberEdit : public QLineEdit {
  public:
    explicit NumberEdit(QWidget* parent = nullptr);

  protected:
    void focusInEvent(QFocusEvent* event) override;
};

// The number at the start of the first maxChars characters of `text` (an optional sign, then digits),
// 0 when there is none.
int readNumber(const QString& text, int maxChars);

} // namespace cwui

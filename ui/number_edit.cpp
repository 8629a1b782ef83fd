#include "ui/number_edit.h"

#include <QRegularExpressionValidator>
#include <QTimer>

namespace cwui {

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

void NumberEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // After the click that gave focus has placed the cursor.
    QTimer::singleShot(0, this, [this] { selectAll(); });
}

int readNumber(const QString& text, int maxChars) {
    const QString head = text.left(maxChars).trimmed();
    int i = 0;
    bool negative = false;
    if (i < head.size() && (head[i] == u'-' || head[i] == u'+')) negative = head[i++] == u'-';
    long long value = 0;
    for (; i < head.size() && head[i].isDigit(); ++i) {
        value = value * 10 + head[i].digitValue();
        if (value > 999'999'999) break;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace cwui

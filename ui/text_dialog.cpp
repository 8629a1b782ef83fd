#include "ui/text_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "solver/solution_text.h"

namespace cwui {

TextDialog::TextDialog(Mode mode, QWidget* parent)
    : QDialog(parent), mode_(mode), label_(new QLabel(this)), action_(new QPushButton(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)), edit_(new QPlainTextEdit(this)) {
    setFixedSize(440, 360);
    label_->setObjectName(QStringLiteral("id1014"));
    action_->setObjectName(QStringLiteral("id1001"));
    ok_->setObjectName(QStringLiteral("id1002"));
    edit_->setObjectName(QStringLiteral("id1034"));
    label_->setGeometry(12, 10, 300, 22);
    action_->setGeometry(300, 8, 60, 26);
    ok_->setGeometry(368, 8, 60, 26);
    edit_->setGeometry(12, 42, 416, 306);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(13);
    edit_->setFont(mono);
    ok_->setDefault(true);

    if (mode_ == PasteMode) {
        setWindowTitle(QStringLiteral("TextBox"));
        label_->setText(QStringLiteral("Paste the levels in text format."));
        action_->setText(QStringLiteral("Paste"));
        connect(action_, &QPushButton::clicked, this, &TextDialog::pasteFromClipboard);
    } else {
        setWindowTitle(QStringLiteral("Result"));
        action_->setText(QStringLiteral("Copy"));
        edit_->setReadOnly(true);
        connect(action_, &QPushButton::clicked, this, &TextDialog::copyToClipboard);
    }
    connect(ok_, &QPushButton::clicked, this, &TextDialog::okPressed);
}

void TextDialog::showResult(std::string_view moves, bool traceOver, int moveCount, int pushCount) {
    label_->setText(QString::fromStdString(cw::resultLabel(moveCount, pushCount)));
    // Lines end with a line feed alone here, as text does on this desktop.
    resultText_ = QString::fromStdString(cw::formatSolution(moves, traceOver));
    resultText_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit_->setPlainText(resultText_);
}

void TextDialog::pasteFromClipboard() {
    edit_->setPlainText(QApplication::clipboard()->text());
}

void TextDialog::copyToClipboard() {
    QApplication::clipboard()->setText(resultText_);
}

void TextDialog::okPressed() {
    if (mode_ == PasteMode) {
        pastedText_ = edit_->toPlainText().toStdString();
        pasted_ = !pastedText_.empty();
    }
    accept();
}

} // namespace cwui

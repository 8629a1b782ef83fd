#pragma once
// The board frame on the window: shows the board view's back buffer at its top-left corner.
#include <QPainter>
#include <QWidget>

#include "ui/board_view.h"

namespace cwui {

class BoardWidget : public QWidget {
  public:
    BoardWidget(const BoardView& view, QWidget* parent) : QWidget(parent), view_(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.drawImage(0, 0, view_.buffer());
    }

  private:
    const BoardView& view_;
};

} // namespace cwui

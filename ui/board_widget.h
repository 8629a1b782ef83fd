#pragma once
// The board frame on the window: shows the board view's back buffer at its top-left corner, at the
// screen's scale factor.
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "ui/board_view.h"

namespace cwui {

class BoardWidget : public QWidget {
  public:
    BoardWidget(const BoardView& view, QWidget* parent) : QWidget(parent), view_(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    // Called (once, after the paint) when the screen's scale factor is not the buffer's, e.g. after
    // the window moved to another screen.
    void onScaleChanged(std::function<void()> callback) { scaleChanged_ = std::move(callback); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.drawImage(0, 0, view_.buffer());
        if (scaleChanged_ && view_.buffer().devicePixelRatio() != devicePixelRatioF())
            QTimer::singleShot(0, this, [this] { scaleChanged_(); });
    }

  private:
    const BoardView& view_;
    std::function<void()> scaleChanged_;
};

} // namespace cwui

#pragma once
// Colours are written as 0xBBGGRR values, blue in the high byte.
#include <QColor>

namespace cwui {

inline QColor bgr(unsigned value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace cwui

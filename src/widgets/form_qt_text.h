#pragma once

// Between the core's values and the toolkit's: UTF-8 std::string and QString, window-system
// colour values and QColor.

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

namespace korvan {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
inline QString Q(const char* text) { return QString::fromUtf8(text); }
inline std::string S(const QString& text) { return text.toStdString(); }

// A window-system colour value (red in the low byte) as a Qt colour.
inline QColor ToQColor(uint32_t color) {
  return QColor(color & 0xFF, color >> 8 & 0xFF, color >> 16 & 0xFF);
}

}  // namespace korvan

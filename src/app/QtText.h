#pragma once
// Conversions at the window's edge: the components' texts and paths are
// UTF-8, Qt holds UTF-16.
#include <QString>
#include <string>

namespace tolvar {

inline QString FromText(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

inline std::string ToText(const QString& Text) {
  return Text.toStdString();
}

// Paths are texts like any other.
inline QString FromPath(const std::string& Utf8) {
  return FromText(Utf8);
}

inline std::string ToPath(const QString& Text) {
  return ToText(Text);
}

}  // namespace tolvar

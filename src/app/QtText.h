#pragma once
// Conversions at the window's edge: the components' texts are Latin-1, paths
// are UTF-8, Qt holds Unicode. Characters outside Latin-1 become "?".
#include <QString>
#include <string>

#include "util/TextEncoding.h"

namespace tolvar {

inline QString FromLatin1(const std::string& Latin1) {
  return QString::fromLatin1(Latin1.data(), static_cast<qsizetype>(Latin1.size()));
}

inline std::string ToLatin1(const QString& Text) {
  return Utf8ToLatin1(Text.toStdString());
}

inline QString FromPath(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

inline std::string ToPath(const QString& Text) {
  return Text.toStdString();
}

}  // namespace tolvar

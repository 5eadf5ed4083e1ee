// Conversions between the program's UTF-16 text and Qt's QString, which is UTF-16 too.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace rozovevi::app::qt {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

}  // namespace rozovevi::app::qt

// Conversions between the program's UTF-16 text and Qt's QString, which is UTF-16 too.
#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace rozovevi::app::qt {

// Copies the code units one for one. (QString::fromUtf16 would not: it takes a leading U+FEFF
// for a byte-order mark and drops it, and byte-swaps text that begins with U+FFFE.)
inline QString ToQString(std::u16string_view text) {
  return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString();
}

inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

// The code units of text, valid while text lives and is not changed.
inline std::u16string_view U16View(const QString& text) {
  const QStringView view(text);
  return std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size()));
}

}  // namespace rozovevi::app::qt

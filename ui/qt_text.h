// Texts and paths at the boundary between Qt (UTF-16) and the program's own
// Windows-1252 texts and UTF-8 file names.
#pragma once

#include <QString>
#include <filesystem>
#include <string>

#include "core/cp1252.h"

namespace tarrow {

inline QString FromText(const std::string& cp1252) {
  return QString::fromStdString(Cp1252ToUtf8(cp1252));
}

// The Windows-1252 form of a text the operator typed; characters that set
// cannot hold become '?'.  For event fields, where a close text is better
// than none.
inline std::string ToTextLossy(const QString& text) {
  std::string out;
  for (const uint codePoint : text.toUcs4()) {
    const Result<std::string> one =
        Utf8ToCp1252(QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1).toStdString());
    out += one.ok() ? *one : std::string("?");
  }
  return out;
}

inline std::filesystem::path ToPath(const QString& text) {
  return std::filesystem::path(text.toStdString());
}
inline QString FromPath(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

}  // namespace tarrow

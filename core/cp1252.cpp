#include "core/cp1252.h"

#include <cstdint>
#include <cstdio>

namespace tarrow {
namespace {

// The undefined bytes pass through as the C1 controls of the same value.
char32_t CodePointOfByte(uint8_t byte) {
  const char32_t cp = Cp1252CodePoint(byte);
  return cp != 0 ? cp : char32_t(byte);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

std::string CharacterName(std::string_view utf8Char, char32_t cp) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
  std::string text = "'";
  text.append(utf8Char);
  text.append("' (");
  text.append(name);
  text.append(")");
  return text;
}

}  // namespace

Result<std::string> Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = uint8_t(utf8[i]);
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || i + length > utf8.size()) {
      return Status::Error("the text is not valid UTF-8 at byte " + std::to_string(i + 1));
    }
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const uint8_t next = uint8_t(utf8[i + k]);
      if ((next & 0xC0) != 0x80) {
        return Status::Error("the text is not valid UTF-8 at byte " + std::to_string(i + k + 1));
      }
      cp = (cp << 6) | (next & 0x3F);
    }
    const std::string_view character = utf8.substr(i, length);
    i += length;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += char(cp);
      continue;
    }
    bool found = false;
    for (int b = 0; b < 32; ++b) {
      if (kCp1252High[b] == cp || (kCp1252High[b] == 0 && cp == char32_t(0x80 + b))) {
        out += char(0x80 + b);
        found = true;
        break;
      }
    }
    if (!found) {
      return Status::Error("the character " + CharacterName(character, cp) +
                           " has no place in the Windows-1252 character set");
    }
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) AppendUtf8(out, CodePointOfByte(uint8_t(ch)));
  return out;
}

}  // namespace tarrow

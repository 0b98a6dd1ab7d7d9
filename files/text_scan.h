// Small text helpers shared by the file readers of this module.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow::internal {

// The lines of a text, one at a time: CR LF, LF or CR alone (old Mac files)
// end a line, the line ends removed; a final line end does not start
// another (empty) line.  Nothing
// is kept but the position, so a file of millions of empty lines costs no
// more than its bytes.
//
//   LineReader lines(bytes);
//   for (std::string_view line; lines.Next(line);) Use(line);
class LineReader {
 public:
  explicit LineReader(std::string_view text) noexcept : text_(text) {}
  // The next line into `line`; false when the text is used up.
  bool Next(std::string_view& line) noexcept;
  // Lines handed out so far: the number of the last one, counted from 1.
  size_t LineNumber() const noexcept { return lineNumber_; }

 private:
  std::string_view text_;
  size_t start_ = 0;
  size_t lineNumber_ = 0;
};

// Removes blanks and control characters (bytes up to 0x20) at both ends.
std::string_view TrimBlanks(std::string_view text);

// A decimal integer: optional blanks, an optional sign, at least one digit,
// nothing after.  Values beyond +-10^12 are held at that bound, so a huge
// number is still a number, just out of every range the readers accept.
std::optional<long long> ParseInteger(std::string_view text);

// Sorted numbers as ranges for a message: {1, 2, 3, 5, 7, 8} -> "1-3, 5, 7-8".
std::string NumberRanges(const std::vector<long long>& sorted);

// A value quoted for a message: at most 40 characters, shown as UTF-8.
std::string QuotedForMessage(std::string_view value);

}  // namespace tarrow::internal

// Small text helpers shared by the file readers of this module.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow::internal {

// The lines of a text file, CR LF or LF ends, the line ends removed.  A final
// line end does not start another (empty) line.
std::vector<std::string_view> SplitLines(std::string_view text);

// Removes blanks and control characters (bytes up to 0x20) at both ends.
std::string_view TrimBlanks(std::string_view text);

// A decimal integer: optional blanks, an optional sign, at least one digit,
// nothing after.  Values beyond +-10^12 are held at that bound, so a huge
// number is still a number, just out of every range the readers accept.
std::optional<long long> ParseInteger(std::string_view text);

// A value quoted for a message: at most 40 characters, shown as UTF-8.
std::string QuotedForMessage(std::string_view value);

}  // namespace tarrow::internal

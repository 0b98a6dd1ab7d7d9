#include "files/text_scan.h"

#include "core/cp1252.h"

namespace tarrow::internal {

bool LineReader::Next(std::string_view& line) noexcept {
  if (start_ >= text_.size()) return false;
  size_t end = text_.find_first_of("\r\n", start_);
  if (end == std::string_view::npos) end = text_.size();
  line = text_.substr(start_, end - start_);
  size_t next = end;
  if (next < text_.size()) {
    const bool crLf = text_[next] == '\r' && next + 1 < text_.size() && text_[next + 1] == '\n';
    next += crLf ? 2 : 1;
  }
  start_ = next;
  ++lineNumber_;
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

std::optional<long long> ParseInteger(std::string_view text) {
  constexpr long long kBound = 1'000'000'000'000LL;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > kBound) value = kBound;
  }
  return negative ? -value : value;
}

std::string NumberRanges(const std::vector<long long>& sorted) {
  std::string text;
  for (size_t i = 0; i < sorted.size();) {
    size_t last = i;
    while (last + 1 < sorted.size() && sorted[last + 1] == sorted[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(sorted[i]);
    if (last > i) text += "-" + std::to_string(sorted[last]);
    i = last + 1;
  }
  return text;
}

std::string QuotedForMessage(std::string_view value) {
  constexpr size_t kShown = 40;
  std::string shown = Cp1252ToUtf8(value.substr(0, kShown));
  if (value.size() > kShown) shown += "...";
  return "\"" + shown + "\"";
}

}  // namespace tarrow::internal

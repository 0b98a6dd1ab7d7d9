#include "files/pbn_game_scanner.h"

#include <algorithm>

namespace tarrow {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool AllBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsBlank);
}

std::string_view TrimmedLine(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

size_t LineEndBytes(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") return 2;
  if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) return 1;
  return 0;
}

// The name of a tag that opens at text[at] ('['): up to a blank, a quote or
// the closing bracket.
std::string_view TagNameAt(std::string_view text, size_t at) {
  size_t end = at + 1;
  while (end < text.size() && !IsBlank(text[end]) && text[end] != '"' && text[end] != ']') ++end;
  return text.substr(at + 1, end - at - 1);
}

}  // namespace

const PbnTag* PbnGame::Find(std::string_view name) const {
  for (const PbnTag& tag : tags) {
    if (SameNameIgnoringCase(tag.name, name)) return &tag;
  }
  return nullptr;
}

void PbnGame::Clear() {
  bytes.clear();
  lines.clear();
  tags.clear();
  tooLong = false;
  continued = false;
}

bool PbnGameScanner::Fill() {
  if (eof_) return false;
  in_.read(buffer_.data(), std::streamsize(buffer_.size()));
  const std::streamsize got = in_.gcount();
  bufferPos_ = 0;
  bufferEnd_ = size_t(std::max<std::streamsize>(got, 0));
  if (bufferEnd_ == 0) {
    eof_ = true;
    if (in_.bad()) status_ = Status::Error("the file could not be read to its end");
    return false;
  }
  return true;
}

bool PbnGameScanner::ReadLine(std::string& line, size_t limit, bool& cut) {
  line.clear();
  cut = false;
  while (true) {
    if (bufferPos_ == bufferEnd_ && !Fill()) return !line.empty();
    if (line.size() >= limit) {
      cut = true;
      return true;
    }
    const char* start = buffer_.data() + bufferPos_;
    const size_t scan = std::min(bufferEnd_ - bufferPos_, limit - line.size());
    const char* end =
        std::find_if(start, start + scan, [](char c) { return c == '\n' || c == '\r'; });
    if (end == start + scan) {
      line.append(start, scan);
      bufferPos_ += scan;
      continue;
    }
    line.append(start, size_t(end - start) + 1);
    bufferPos_ += size_t(end - start) + 1;
    if (*end == '\r') {
      if (bufferPos_ == bufferEnd_) Fill();
      if (bufferPos_ < bufferEnd_ && buffer_[bufferPos_] == '\n') {
        line.push_back('\n');
        ++bufferPos_;
      }
    }
    return true;
  }
}

bool PbnGameScanner::StartsNewGame(const PbnGame& game, std::string_view text) const {
  const std::string_view trimmed = TrimmedLine(text);
  if (trimmed.empty() || trimmed.front() != '[') return false;
  const std::string_view name = TagNameAt(trimmed, 0);
  if (!SameNameIgnoringCase(name, "Board") && !SameNameIgnoringCase(name, "Deal")) return false;
  return game.Find(name) != nullptr;
}

void PbnGameScanner::ScanLine(PbnGame& game, int index, std::string_view text) {
  size_t at = 0;
  if (inBraces_) {
    const size_t close = text.find('}');
    if (close == std::string_view::npos) return;
    inBraces_ = false;
    at = close + 1;
  } else if (!text.empty() && text.front() == '%') {
    return;  // a directive or a remark
  }
  const std::string_view trimmed = TrimmedLine(text);
  while (at < text.size()) {
    const char c = text[at];
    if (c == ';') return;
    if (c == '{') {
      const size_t close = text.find('}', at + 1);
      if (close == std::string_view::npos) {
        inBraces_ = true;
        return;
      }
      at = close + 1;
      continue;
    }
    if (c == '"') {  // a string outside a tag (a note's text): skip it whole
      const size_t close = text.find('"', at + 1);
      at = close == std::string_view::npos ? text.size() : close + 1;
      continue;
    }
    if (c != '[') {
      ++at;
      continue;
    }
    const size_t tagStart = at;
    PbnTag tag;
    tag.name = std::string(TagNameAt(text, at));
    tag.line = index;
    at += 1 + tag.name.size();
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at < text.size() && text[at] == '"') {
      for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size() &&
            (text[at + 1] == '"' || text[at + 1] == '\\')) {
          ++at;
        }
        tag.value.push_back(text[at]);
      }
      if (at < text.size()) ++at;  // the closing quote
    }
    const size_t close = text.find(']', at);
    at = close == std::string_view::npos ? text.size() : close + 1;
    const std::string_view whole = text.substr(tagStart, at - tagStart);
    tag.alone = whole.data() == trimmed.data() && whole.size() == trimmed.size();
    if (!tag.name.empty()) game.tags.push_back(std::move(tag));
  }
}

bool PbnGameScanner::Next(PbnGame& game) {
  game.Clear();
  game.offset = offset_;
  game.firstLine = lineNumber_;
  std::string line;
  bool cut = false;
  const auto take = [&](bool cutLine) {
    PbnLine placed;
    placed.begin = game.bytes.size();
    game.bytes += line;
    placed.end = game.bytes.size();
    placed.eol = cutLine ? 0 : LineEndBytes(line);
    game.lines.push_back(placed);
    offset_ += line.size();
    if (placed.eol > 0) ++lineNumber_;
  };

  if (overflow_) {
    // The rest of a game too long to hold: pieces up to the empty line that ends it.
    game.tooLong = true;
    game.continued = true;
    while (game.bytes.size() < kLargestPbnGame &&
           ReadLine(line, kLargestPbnGame - game.bytes.size(), cut)) {
      take(cut);
      if (!cut && AllBlank(game.Line(int(game.lines.size()) - 1))) {
        overflow_ = false;
        break;
      }
    }
    if (game.bytes.empty()) overflow_ = false;
    return !game.bytes.empty();
  }

  while (true) {
    if (holding_) {
      line = std::move(heldLine_);
      holding_ = false;
      cut = false;
    } else if (!ReadLine(line, kLargestPbnGame + 2 - std::min(game.bytes.size(), kLargestPbnGame),
                         cut)) {
      break;
    }
    std::string_view text(line);
    text.remove_suffix(cut ? 0 : LineEndBytes(text));
    if (!game.tags.empty() && !inBraces_ && StartsNewGame(game, text)) {
      heldLine_ = std::move(line);
      holding_ = true;
      break;
    }
    const bool blank = !inBraces_ && AllBlank(text);
    take(cut);
    if (cut || game.bytes.size() > kLargestPbnGame) {
      // Too long to hold: handed out as it is, and the rest in pieces.
      game.tooLong = true;
      game.tags.clear();
      inBraces_ = false;
      overflow_ = cut || !blank;
      break;
    }
    if (atFileStart_ && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      text.remove_prefix(kByteOrderMark.size());
    }
    atFileStart_ = false;
    if (blank) {
      if (!game.tags.empty()) break;
      continue;
    }
    ScanLine(game, int(game.lines.size()) - 1, text);
  }
  return !game.bytes.empty();
}

}  // namespace tarrow

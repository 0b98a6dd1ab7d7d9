// For tests only: what the command-line PDF tools say about a file
// (poppler's pdfinfo and pdftotext), to check written and printed pages.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarrow::testing {

// The output of a shell command, standard error included.
inline std::string CommandOutput(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int s = pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

// pdfinfo's page count, -1 when it cannot read the file.
inline int PdfPages(const std::filesystem::path& file) {
  const std::string info = CommandOutput("pdfinfo '" + file.string() + "'");
  const size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The text of a PDF with every run of white space made one blank.
inline std::string PdfWords(const std::filesystem::path& file) {
  std::string text;
  for (char c : CommandOutput("(pdftotext -raw '" + file.string() + "' - 2>/dev/null)")) {
    const bool blank = c == ' ' || c == '\n' || c == '\t' || c == '\f';
    if (!blank)
      text += c;
    else if (!text.empty() && text.back() != ' ')
      text += ' ';
  }
  return text;
}

}  // namespace tarrow::testing

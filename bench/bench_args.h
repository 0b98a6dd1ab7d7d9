// The "--name value" options of the benchmark and comparison programs.
//
//   tarrow::bench::BenchArgs args(argc, argv);
//   int deals = 1000;
//   std::string seed = "abc";
//   args.Read("--deals", deals);
//   args.Read("--seed", seed);
//   if (!args.Ok()) return Usage();
//
// Each Read takes the option's value when it was given; Ok() then tells
// whether the line was all known options, each with a value, every number
// read whole.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow::bench {

class BenchArgs {
 public:
  BenchArgs(int argc, const char* const* argv) {
    for (int i = 1; i < argc; i += 2) {
      if (i + 1 >= argc) {
        bad_ = true;  // a name without its value
        break;
      }
      options_.push_back({argv[i], argv[i + 1], false});
    }
  }

  // The value given for name (the last one when given twice), or nothing.
  std::optional<std::string> Value(std::string_view name) {
    std::optional<std::string> value;
    for (Option& option : options_) {
      if (option.name != name) continue;
      option.read = true;
      value = option.value;
    }
    return value;
  }

  void Read(std::string_view name, std::string& value) {
    if (std::optional<std::string> text = Value(name)) value = *text;
  }
  void Read(std::string_view name, int& value) { ReadNumber(name, value); }
  void Read(std::string_view name, uint64_t& value) { ReadNumber(name, value); }

  // Every argument a known name with its value, and every number whole.
  bool Ok() const {
    if (bad_) return false;
    for (const Option& option : options_) {
      if (!option.read) return false;
    }
    return true;
  }

 private:
  struct Option {
    std::string name;
    std::string value;
    bool read;
  };

  template <typename Number>
  void ReadNumber(std::string_view name, Number& value) {
    const std::optional<std::string> text = Value(name);
    if (!text) return;
    Number number{};
    const char* end = text->data() + text->size();
    const auto [ptr, error] = std::from_chars(text->data(), end, number);
    if (text->empty() || error != std::errc() || ptr != end) {
      bad_ = true;
      return;
    }
    value = number;
  }

  std::vector<Option> options_;
  bool bad_ = false;
};

}  // namespace tarrow::bench

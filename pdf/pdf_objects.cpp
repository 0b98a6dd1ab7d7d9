#include "pdf/pdf_objects.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tarrow {

void AppendPdfReal(std::string& out, double value) {
  const long long hundredths = std::llround(value * 100);
  if (hundredths == 0) {
    out += '0';
    return;
  }
  if (hundredths < 0) out += '-';
  const long long magnitude = std::llabs(hundredths);
  out += std::to_string(magnitude / 100);
  const int fraction = int(magnitude % 100);
  if (fraction == 0) return;
  out += '.';
  out += char('0' + fraction / 10);
  if (fraction % 10 != 0) out += char('0' + fraction % 10);
}

void TPdfText::Write(std::string& out) const {
  out += '(';
  for (char c : text_) {
    switch (c) {
      case '(':
      case ')':
      case '\\':
        out += '\\';
        out += c;
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        break;
      default:
        out += c;
    }
  }
  out += ')';
}

void TPdfReference::Write(std::string& out) const {
  out += std::to_string(target_->ObjectNumber());
  out += " 0 R";
}

TPdfObject* TPdfArray::Add(std::unique_ptr<TPdfObject> value) {
  items_.push_back(std::move(value));
  return items_.back().get();
}

void TPdfArray::Write(std::string& out) const {
  out += '[';
  for (const auto& item : items_) {
    item->Write(out);
    out += ' ';
  }
  out += ']';
}

TPdfObject* TPdfDictionary::Set(std::string key, std::unique_ptr<TPdfObject> value) {
  for (auto& [k, v] : items_) {
    if (k == key) {
      v = std::move(value);
      return v.get();
    }
  }
  items_.emplace_back(std::move(key), std::move(value));
  return items_.back().second.get();
}

TPdfObject* TPdfDictionary::Find(std::string_view key) const {
  for (const auto& [k, v] : items_)
    if (k == key) return v.get();
  return nullptr;
}

void TPdfDictionary::Remove(std::string_view key) {
  std::erase_if(items_, [key](const auto& item) { return item.first == key; });
}

void TPdfDictionary::Write(std::string& out) const {
  out += "<<\n";
  for (const auto& [k, v] : items_) {
    out += '/';
    out += k;
    out += ' ';
    v->Write(out);
    out += '\n';
  }
  out += ">>";
}

TPdfStream::TPdfStream(bool flate) {
  dictionary_.SetNumber("Length", 0);
  if (flate) filters_.push_back("FlateDecode");
}

void TPdfStream::Prepare() {
  constexpr size_t kSmallestCompressed = 100;
  const bool wantsFlate =
      std::find(filters_.begin(), filters_.end(), "FlateDecode") != filters_.end();
  bool compressed = false;
  if (wantsFlate && data_.size() >= kSmallestCompressed) {
    uLongf size = compressBound(uLong(data_.size()));
    encoded_.resize(size);
    compressed =
        compress2(reinterpret_cast<Bytef*>(encoded_.data()), &size,
                  reinterpret_cast<const Bytef*>(data_.data()), uLong(data_.size()), 7) == Z_OK;
    encoded_.resize(size);
  }
  if (!compressed) {
    // Only lack of memory makes compress2 fail; the data then goes out raw.
    std::erase(filters_, "FlateDecode");
    encoded_ = data_;
  }
  dictionary_.SetNumber("Length", int32_t(encoded_.size()));
  if (filters_.empty()) {
    dictionary_.Remove("Filter");
  } else {
    auto array = std::make_unique<TPdfArray>();
    for (const std::string& f : filters_) array->AddName(f);
    dictionary_.Set("Filter", std::move(array));
  }
}

void TPdfStream::Write(std::string& out) const {
  dictionary_.Write(out);
  out += "\nstream\n";
  out += encoded_;
  out += "\nendstream";
}

TPdfImage::TPdfImage(int width, int height, std::string_view rgb) : width_(width), height_(height) {
  TPdfDictionary& d = Dictionary();
  d.SetName("Type", "XObject");
  d.SetName("Subtype", "Image");
  d.SetNumber("Width", width);
  d.SetNumber("Height", height);
  d.SetName("ColorSpace", "DeviceRGB");
  d.SetNumber("BitsPerComponent", 8);
  Data().assign(rgb);
}

}  // namespace tarrow

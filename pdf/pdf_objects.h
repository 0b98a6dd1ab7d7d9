// The PDF value classes: the small tree of PDF objects the writer builds and
// serialises.  Containers own their elements; an indirect object is owned by
// the document that registered it and is placed into containers through a
// TPdfReference, written "N 0 R".
//
//   auto dict = std::make_unique<TPdfDictionary>();
//   dict->Set("Type", std::make_unique<TPdfName>("Page"));
//   dict->Set("Parent", std::make_unique<TPdfReference>(root));
//   std::string out; dict->Write(out);    // "<<\n/Type /Page\n/Parent 3 0 R\n>>"
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarrow {

// Appends a real with at most two decimals: 1.5 -> "1.5", 2.0 -> "2",
// -3.25 -> "-3.25", and anything whose magnitude rounds below 0.01 -> "0".
void AppendPdfReal(std::string& out, double value);

class TPdfObject {
 public:
  virtual ~TPdfObject() = default;
  TPdfObject() = default;
  TPdfObject(const TPdfObject&) = delete;
  TPdfObject& operator=(const TPdfObject&) = delete;

  // 0 for a direct object; the document's number once registered.
  int ObjectNumber() const noexcept { return objectNumber_; }
  void SetObjectNumber(int number) noexcept { objectNumber_ = number; }

  // Appends the value itself (never a reference).
  virtual void Write(std::string& out) const = 0;
  // Brings derived entries up to date (stream lengths) before writing.
  virtual void Prepare() {}

 private:
  int objectNumber_ = 0;
};

class TPdfNumber : public TPdfObject {
 public:
  explicit TPdfNumber(int32_t value) : value_(value) {}
  int32_t Value() const noexcept { return value_; }
  void Write(std::string& out) const override { out += std::to_string(value_); }

 private:
  int32_t value_;
};

// A literal string of 8-bit bytes: "(", the escaped bytes, ")".
class TPdfText : public TPdfObject {
 public:
  explicit TPdfText(std::string text) : text_(std::move(text)) {}
  const std::string& Text() const noexcept { return text_; }
  void Write(std::string& out) const override;

 protected:
  std::string text_;
};

class TPdfName : public TPdfText {
 public:
  explicit TPdfName(std::string name) : TPdfText(std::move(name)) {}
  void Write(std::string& out) const override {
    out += '/';
    out += text_;
  }
};

// "N 0 R" for an indirect object the document owns; the target must outlive
// the reference (both live until the document is freed).
class TPdfReference : public TPdfObject {
 public:
  explicit TPdfReference(const TPdfObject* target) : target_(target) {}
  void Write(std::string& out) const override;

 private:
  const TPdfObject* target_;
};

class TPdfArray : public TPdfObject {
 public:
  TPdfObject* Add(std::unique_ptr<TPdfObject> value);
  void AddNumber(int32_t value) { Add(std::make_unique<TPdfNumber>(value)); }
  void AddName(std::string name) { Add(std::make_unique<TPdfName>(std::move(name))); }
  size_t Size() const noexcept { return items_.size(); }
  TPdfObject* At(size_t i) const { return items_.at(i).get(); }
  void Clear() { items_.clear(); }
  void Write(std::string& out) const override;

 private:
  std::vector<std::unique_ptr<TPdfObject>> items_;
};

class TPdfDictionary : public TPdfObject {
 public:
  // Replaces the value of an existing key in place, else appends the pair.
  TPdfObject* Set(std::string key, std::unique_ptr<TPdfObject> value);
  void SetName(std::string key, std::string name) {
    Set(std::move(key), std::make_unique<TPdfName>(std::move(name)));
  }
  void SetNumber(std::string key, int32_t value) {
    Set(std::move(key), std::make_unique<TPdfNumber>(value));
  }
  void SetReference(std::string key, const TPdfObject* target) {
    Set(std::move(key), std::make_unique<TPdfReference>(target));
  }
  TPdfObject* Find(std::string_view key) const;
  void Remove(std::string_view key);
  size_t Size() const noexcept { return items_.size(); }
  void Write(std::string& out) const override;

 private:
  std::vector<std::pair<std::string, std::unique_ptr<TPdfObject>>> items_;
};

// A stream: its dictionary (/Length first, then /Filter), a filter list and
// the bytes.  With FlateDecode in the list, data of 100 bytes or more is
// compressed in zlib format at level 7; shorter data is written raw and the
// filter dropped, and an empty filter list drops /Filter.
class TPdfStream : public TPdfObject {
 public:
  explicit TPdfStream(bool flate = true);
  TPdfDictionary& Dictionary() noexcept { return dictionary_; }
  std::string& Data() noexcept { return data_; }
  const std::string& Data() const noexcept { return data_; }
  void Prepare() override;
  void Write(std::string& out) const override;

 private:
  TPdfDictionary dictionary_;
  std::vector<std::string> filters_;  // filter names, "FlateDecode" or none
  std::string data_;
  std::string encoded_;  // what Prepare chose to write
};

// An 8-bit RGB image, rows top to bottom: /Type /XObject /Subtype /Image.
class TPdfImage : public TPdfStream {
 public:
  TPdfImage(int width, int height, std::string_view rgb);
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }

 private:
  int width_, height_;
};

}  // namespace tarrow

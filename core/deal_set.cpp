#include "core/deal_set.h"

#include <cstring>

#include "core/deal_number.h"
#include "core/sha0.h"

namespace tarrow {
namespace {

class Serializer {
 public:
  explicit Serializer(std::vector<uint8_t>& out) : out_(out) {}
  void U8(uint8_t v) { out_.push_back(v); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(uint8_t(v >> (8 * i)));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(uint8_t(v >> (8 * i)));
  }
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  void F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    U64(bits);
  }
  // Length byte and the characters: a text's length is part of what is
  // hashed, so "ab" + "c" and "a" + "bc" give different digests.
  template <size_t N>
  void Text(const LimitedText<N>& text) {
    U8(uint8_t(text.str().size()));
    out_.insert(out_.end(), text.str().begin(), text.str().end());
  }

 private:
  std::vector<uint8_t>& out_;
};

}  // namespace

void BoardEntry::ClearAnalysis() noexcept {
  table.fill(0);
  doneMask = {0, 0};
  for (auto& side : solveTime)
    for (auto& t : side) t = 0;
  jobStart = 0;
}

int DealSet::PresentBoards() const noexcept {
  int count = 0;
  for (const BoardEntry& b : boards) count += b.number.valid;
  return count;
}

void DealSet::RefreshDeals() {
  for (size_t i = 0; i < boards.size(); ++i) deals[i] = DealFromNumber(boards[i].number);
}

std::vector<uint8_t> SerializeForDigest(const DealSet& set) {
  std::vector<uint8_t> bytes;
  bytes.reserve(36 * 96 + 512);
  Serializer s(bytes);
  for (const BoardEntry& b : set.boards) {
    s.U8(b.number.valid);
    s.U32(b.number.high);
    s.U32(b.number.middle);
    s.U32(b.number.low);
    for (uint8_t t : b.table) s.U8(t);
    s.U8(b.doneMask[0]);
    s.U8(b.doneMask[1]);
    for (const auto& side : b.solveTime)
      for (float t : side) s.F32(t);
    s.F64(b.jobStart);
  }
  const SetHeader& h = set.header;
  s.Text(h.event);
  s.Text(h.description);
  s.Text(h.seed);
  s.F64(h.eventDate);
  s.F32(h.analysisDuration);
  s.F64(h.generationTime);
  s.Text(h.site);
  s.Text(h.banner);
  s.Text(h.club);
  s.Text(h.computerName);
  return bytes;
}

SetDigest ComputeSetDigest(const DealSet& set) {
  const std::vector<uint8_t> bytes = SerializeForDigest(set);
  return HashBlock(bytes.data(), bytes.size());
}

bool SetChangedSinceSave(const DealSet& set) {
  return ComputeSetDigest(set) != set.setDigest;
}

}  // namespace tarrow

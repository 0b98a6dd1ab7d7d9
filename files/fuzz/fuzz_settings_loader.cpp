// Any bytes as a settings file: accepted only with the right size, version
// and digest, and every accessor stays inside the record.  Random bytes
// almost never carry a right digest, so the input is also tried as the start
// of a record whose version and digest are made right, which lets the
// fuzzer reach the fields.  The seed holds only the start of a record (the
// fields end at byte 2 136), which keeps the inputs small and the runs fast.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/sha0.h"
#include "files/fuzz/fuzz_check.h"
#include "files/settings.h"

namespace {

void CheckFields(tarrow::SettingsRecord& record) {
  using tarrow::SettingsRecord;
  FUZZ_CHECK(record.Version() == SettingsRecord::kVersion);
  FUZZ_CHECK(record.OutputDirectory().size() <= SettingsRecord::kDirectoryLimit);
  FUZZ_CHECK(record.Site().size() <= SettingsRecord::kNameLimit);
  FUZZ_CHECK(record.PrinterName().size() <= SettingsRecord::kNameLimit);
  const std::vector<std::string> clubs = record.ClubNames();
  const std::vector<std::string> events = record.EventNames();
  FUZZ_CHECK(clubs.size() <= 10 && events.size() <= 10);
  const std::string club = record.SelectedClub();
  const std::string event = record.SelectedEvent();
  // Storing the lists back keeps the items and a selection that names one
  // (an empty selection is stored as none, which shows the first item).
  record.SetClubList(clubs, club);
  record.SetEventList(events, event);
  FUZZ_CHECK(record.ClubNames() == clubs);
  FUZZ_CHECK(record.EventNames() == events);
  FUZZ_CHECK(club.empty() || record.SelectedClub() == club);
  FUZZ_CHECK(event.empty() || record.SelectedEvent() == event);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tarrow::SettingsRecord;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (std::optional<SettingsRecord> record = SettingsRecord::FromBytes(bytes)) {
    FUZZ_CHECK(size >= SettingsRecord::kSize);
    CheckFields(*record);
  }
  std::string padded(bytes.substr(0, SettingsRecord::kDigestOffset));
  padded.resize(SettingsRecord::kSize, '\0');
  padded[400] = char(179);
  padded[401] = padded[402] = padded[403] = '\0';
  const std::array<uint8_t, 20> digest =
      tarrow::HashBlock(padded.data(), SettingsRecord::kDigestOffset);
  std::copy(digest.begin(), digest.end(), padded.begin() + SettingsRecord::kDigestOffset);
  std::optional<SettingsRecord> made = SettingsRecord::FromBytes(padded);
  FUZZ_CHECK(made.has_value());
  CheckFields(*made);
  return 0;
}

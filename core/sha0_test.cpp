#include "core/sha0.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrow {
namespace {

std::string Hex(const Digest& d) {
  char text[48];
  std::snprintf(text, sizeof text, "%08X %08X %08X %08X %08X", d[0], d[1], d[2], d[3], d[4]);
  return text;
}

TEST(Sha0Test, MatchesThePublishedVectorsOfTheFirstStandard) {
  EXPECT_EQ(Hex(HashText("abc")), "0164B8A9 14CD2A5E 74C4F7FF 082C4D97 F1EDF880");
  EXPECT_EQ(Hex(HashText("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "D2516EE1 ACFA5BAF 33DFC1C4 71E43844 9EF134C8");
  EXPECT_EQ(Hex(HashText(std::string(1000000, 'a'))),
            "3232AFFA 48628A26 653B5AAA 44541FD9 0D690603");
}

TEST(Sha0Test, PadsAtTheBlockBoundaries) {
  // 55 bytes leave room for the length; 56 need a second block; 64 fill a
  // block during absorption and pad into the next one.
  EXPECT_EQ(Hex(HashText(std::string(55, 'a'))), "0FF59F7C B9AFC10D 7ABCDC9A B8C00E0E 7B02034F");
  EXPECT_EQ(Hex(HashText(std::string(56, 'a'))), "F826F1DB 56DDB270 E25F21A7 A40C4163 B51C47FF");
  EXPECT_EQ(Hex(HashText(std::string(64, 'a'))), "63813911 34B901DB 7A5A0369 9339BCA3 1C409DDE");
  EXPECT_EQ(Hex(HashText(std::string(119, 'x'))), "A0406DD8 226C7E54 EB273743 EE230608 756F3FBB");
}

TEST(Sha0Test, StreamingInPiecesGivesTheOneShotDigest) {
  const std::string text(300, 'q');
  for (size_t piece : {1u, 7u, 63u, 64u, 65u}) {
    ShaState state;
    for (size_t i = 0; i < text.size(); i += piece) {
      state.Update(text.data() + i, std::min(piece, text.size() - i));
    }
    EXPECT_EQ(state.Finish(), HashText(text)) << "pieces of " << piece;
  }
}

TEST(Sha0Test, HashBlockStoresEachWordLeastSignificantByteFirst) {
  const std::string text = "abc";
  const std::array<uint8_t, 20> bytes = HashBlock(text.data(), text.size());
  EXPECT_EQ(bytes[0], 0xA9);  // h0 = 0164B8A9
  EXPECT_EQ(bytes[3], 0x01);
  EXPECT_EQ(bytes[16], 0x80);  // h4 = F1EDF880
  EXPECT_EQ(bytes[19], 0xF1);
}

}  // namespace
}  // namespace tarrow

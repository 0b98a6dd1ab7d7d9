// The browser build's deflate (web/src/deflate.cpp, built here with compress2
// renamed web_compress2) read back by the real zlib: data of every size from
// nothing to 200 KB, repetitive and not, must come back byte for byte.
//
//   g++ -std=c++20 -O2 -c -Dcompress2=web_compress2 -Iweb/src/zlib web/src/deflate.cpp -o deflate.o
//   g++ -std=c++20 -O2 web/tests/deflate_test.cpp deflate.o -lz && ./a.out
#include <zlib.h>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>
int web_compress2(unsigned char*, unsigned long*, const unsigned char*, unsigned long, int);
int main() {
  std::mt19937 rng(7);
  int failures = 0;
  size_t in = 0, outTotal = 0;
  for (int round = 0; round < 120; ++round) {
    size_t size = round < 5 ? round : rng() % (round < 100 ? 300 : 200000);
    std::vector<unsigned char> data(size);
    int alphabet = 1 + rng() % 256;
    for (size_t i = 0; i < size; ++i) {
      if (i > 10 && rng() % 3 == 0) {
        size_t back = 1 + rng() % std::min<size_t>(i, 40000);
        data[i] = data[i - back];
      } else
        data[i] = (unsigned char)(rng() % alphabet);
    }
    unsigned long packed = size + size / 8 + 64;
    std::vector<unsigned char> out(packed);
    if (web_compress2(out.data(), &packed, data.data(), size, 7) != Z_OK) {
      ++failures;
      continue;
    }
    uLongf back = size + 1;
    std::vector<unsigned char> again(size + 1);
    int r = uncompress(again.data(), &back, out.data(), packed);
    if (r != Z_OK || back != size || !std::equal(data.begin(), data.end(), again.begin())) {
      ++failures;
      std::printf("round %d size %zu: %d\n", round, size, r);
    }
    in += size;
    outTotal += packed;
  }
  // Drawing commands, as a page's content stream holds them, do shrink.
  std::string page;
  for (int i = 0; i < 4000; ++i)
    page += std::to_string(i % 97) + " 712 m " + std::to_string(i % 89) + " 40 l S\n";
  unsigned long packed = page.size() + page.size() / 8 + 64;
  std::vector<unsigned char> out(packed);
  web_compress2(out.data(), &packed, reinterpret_cast<const unsigned char*>(page.data()),
                page.size(), 7);
  uLongf back = page.size();
  std::vector<unsigned char> again(page.size());
  if (uncompress(again.data(), &back, out.data(), packed) != Z_OK || back != page.size() ||
      !std::equal(again.begin(), again.end(), page.begin()) || packed * 4 > page.size()) {
    ++failures;
    std::printf("drawing commands: %zu -> %lu bytes\n", page.size(), packed);
  }
  std::printf("failures %d, %zu -> %zu bytes\n", failures, in, outTotal);
  return failures != 0;
}

// The one corner of zlib the PDF writer calls, for the browser build, whose
// toolchain brings no zlib.  compress2 reports that it could not compress, and
// the writer then puts its streams out uncompressed, as the format allows:
// the PDFs are larger, and every reader opens them.
#pragma once

typedef unsigned long uLong;
typedef unsigned long uLongf;
typedef unsigned char Bytef;

#define Z_OK 0
#define Z_MEM_ERROR (-4)

inline uLong compressBound(uLong sourceLen) {
  return sourceLen + 64;
}

inline int compress2(Bytef*, uLongf*, const Bytef*, uLong, int) {
  return Z_MEM_ERROR;
}

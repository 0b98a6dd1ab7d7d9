// The one corner of zlib the PDF writer calls, for the browser build, whose
// toolchain brings no zlib: compress2 writes a zlib stream of one deflate
// block with the fixed Huffman codes (deflate.cpp).  It compresses the
// pages' drawing commands about as well as zlib's level 1; any inflater
// reads it.
#pragma once

typedef unsigned long uLong;
typedef unsigned long uLongf;
typedef unsigned char Bytef;

#define Z_OK 0
#define Z_BUF_ERROR (-5)

// Enough for any input: fixed codes spend at most 9 bits a byte.
inline uLong compressBound(uLong sourceLen) {
  return sourceLen + sourceLen / 8 + 64;
}

// level is ignored.  Z_BUF_ERROR when *destLen is too small.
int compress2(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen, int level);

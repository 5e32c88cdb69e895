// The engine's output object: batched pieces written into a fixed or a
// growing buffer.
#include <stdlib.h>
#include <string.h>

#include "lib/string/bsd_fmt_internal.h"

namespace {

constexpr int kPadChunk = 16;
const char blanks[kPadChunk + 1] = "                ";
const char zeroes[kPadChunk + 1] = "0000000000000000";

// Makes room for `need` bytes (NUL included): the size is multiplied by the
// smallest whole factor that makes it fit.
bool Grow(BSDFmt_Output* out, size_t need) {
  size_t factor = (need + out->size - 1) / out->size;
  if (factor > SIZE_MAX / out->size) {
    return false;
  }
  size_t newSize = out->size * factor;
  char* grown = static_cast<char*>(realloc(out->buf, newSize));
  if (grown == nullptr) {
    return false;
  }
  out->buf = grown;
  out->size = newSize;
  return true;
}

// Most pieces are a few bytes: a sign, a digit run, a literal between two
// conversions. They are cheaper to copy in place than through memcpy.
inline void CopyPiece(char* dst, const char* src, size_t n) {
  if (n > 16) {
    memcpy(dst, src, n);
    return;
  }
  for (size_t i = 0; i < n; i++) {
    dst[i] = src[i];
  }
}

}  // namespace

int BSDFmt_SFVWrite(BSDFmt_Output* out, const BSDFmt_Piece* pieces, int count, size_t len) {
  if (out->error) {
    return -1;
  }
  size_t room;
  if (out->allocMode) {
    size_t need = out->stored + len + 1;
    if (need < len || (need > out->size && !Grow(out, need))) {
      out->error = true;
      return -1;
    }
    room = len;
  } else {
    room = out->size == 0 ? 0 : out->size - 1 - out->stored;
  }
  char* dst = out->buf + out->stored;
  for (int i = 0; i < count && room > 0; i++) {
    size_t n = pieces[i].len < room ? pieces[i].len : room;
    CopyPiece(dst, pieces[i].data, n);
    dst += n;
    room -= n;
  }
  out->stored = static_cast<size_t>(dst - out->buf);
  return 0;
}

int BSDFmt_SPrint(BSDFmt_Output* out) {
  int rc = 0;
  if (out->pendingCount > 0) {
    rc = BSDFmt_SFVWrite(out, out->pending, out->pendingCount, out->pendingLen);
  }
  out->pendingCount = 0;
  out->pendingLen = 0;
  return rc;
}

void BSDFmt_PadRun(BSDFmt_Output* out, long long count, bool zeros) {
  const char* table = zeros ? zeroes : blanks;
  while (count > kPadChunk) {
    BSDFmt_Put(out, table, kPadChunk);
    count -= kPadChunk;
  }
  if (count > 0) {
    BSDFmt_Put(out, table, static_cast<size_t>(count));
  }
}

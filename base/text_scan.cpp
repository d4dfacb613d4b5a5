#include "base/text_scan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/diagnostics.h"
#include "platform/platform.h"

namespace {

bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

bool IsTrimmed(char c, bool blanks) {
  if (c == '\n' || c == '\r' || c == kCtrlZ) return true;
  return blanks && (c == ' ' || c == '\t');
}

// The bytes that interrupt a run of ordinary characters in LineReader:
// the line ends, Ctrl-Z, and NUL (which ends the line's C string).
bool IsSpecialByte(char c) {
  return c == '\n' || c == '\r' || c == kCtrlZ || c == '\0';
}

// Offset of the first special byte among the `limit` bytes at `run`, or
// `limit` when there is none. Lines are long runs of ordinary characters,
// so where the processor has SSE2 (every x86-64 does) sixteen bytes are
// tested at once; the byte loop finishes the rest.
size_t FindSpecialByte(const char* run, size_t limit) {
  size_t n = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i ctrl_z = _mm_set1_epi8(kCtrlZ);
  const __m128i nul = _mm_setzero_si128();
  for (; n + 16 <= limit; n += 16) {
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(run + n));
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, ctrl_z), _mm_cmpeq_epi8(bytes, nul)));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return n + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  while (n < limit && !IsSpecialByte(run[n])) ++n;
  return n;
}

}  // namespace

// The reader takes a file one character at a time; the unlocked stdio calls
// keep that as cheap as a buffer walk (a stream is never shared between
// threads here).
char* ReadLine(char* buffer, size_t size, FILE* stream) {
  size_t stored = 0;
  size_t counted = 0;
  bool any = false;
  while (counted + 1 < size) {
    int c = getc_unlocked(stream);
    if (c == EOF) break;
    any = true;
    if (c == kCtrlZ) {
      // Dropped, but it still uses up room in the line.
      ++counted;
      continue;
    }
    if (IsLineEnd(c)) {
      int next = getc_unlocked(stream);
      bool pair = (c == '\r' && next == '\n') || (c == '\n' && next == '\r');
      if (!pair && next != EOF) ungetc(next, stream);
      buffer[stored++] = '\n';
      buffer[stored] = '\0';
      return buffer;
    }
    buffer[stored++] = static_cast<char>(c);
    ++counted;
  }
  buffer[stored] = '\0';
  if (ferror_unlocked(stream)) return nullptr;
  // A trailing Ctrl-Z alone is no line of its own.
  if (!any || (stored == 0 && counted + 1 < size)) return nullptr;
  return buffer;
}

LineReader::LineReader(FILE* stream, size_t block)
    : stream_(stream),
      size_(block < 1 ? 1 : block),
      storage_(new char[size_]),
      block_(storage_.get()) {
  // The blocks are read straight into our own buffer; a stdio buffer as
  // well would only add a copy (and a file status query to size it).
  // Streams over memory have no descriptor and stay buffered: unbuffered,
  // stdio would hand them over one byte per call.
  if (fileno(stream_) >= 0) setvbuf(stream_, nullptr, _IONBF, 0);
}

LineReader::LineReader(std::string_view bytes)
    : stream_(nullptr),
      size_(bytes.size()),
      block_(bytes.data()),
      end_(bytes.size()),
      at_end_(true) {}

bool LineReader::Fill() {
  if (failed_ || at_end_) return false;
  position_ = 0;
  end_ = fread(storage_.get(), 1, size_, stream_);
  // Once seen, the end stays the end, as it does for getc.
  at_end_ = end_ < size_ && feof(stream_) != 0;
  if (end_ > 0) return true;
  // A read error ends the file for good, as it does for ReadLine.
  failed_ = ferror(stream_) != 0;
  return false;
}

int LineReader::Peek() {
  if (position_ == end_ && !Fill()) return EOF;
  return static_cast<unsigned char>(block_[position_]);
}

// The same steps as ReadLine, except that runs of ordinary characters are
// found and copied at once. A NUL byte is stored like any other character;
// only the first one is remembered, for the length of the C string.
char* LineReader::ReadLine(char* buffer, size_t size, size_t* length) {
  constexpr size_t kNoNul = SIZE_MAX;
  size_t stored = 0;
  size_t counted = 0;
  size_t first_nul = kNoNul;
  bool any = false;
  while (counted + 1 < size) {
    if (position_ == end_ && !Fill()) break;
    const char* run = block_ + position_;
    const size_t limit = std::min(size - 1 - counted, end_ - position_);
    const size_t n = FindSpecialByte(run, limit);
    memcpy(buffer + stored, run, n);
    stored += n;
    counted += n;
    position_ += n;
    if (n > 0) any = true;
    if (n == limit) continue;
    const char c = run[n];
    ++position_;
    any = true;
    if (c == '\0') {
      if (first_nul == kNoNul) first_nul = stored;
      buffer[stored++] = c;
      ++counted;
      continue;
    }
    if (c == kCtrlZ) {
      // Dropped, but it still uses up room in the line.
      ++counted;
      continue;
    }
    const int next = Peek();
    if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r'))
      ++position_;
    buffer[stored++] = '\n';
    buffer[stored] = '\0';
    *length = first_nul == kNoNul ? stored : first_nul;
    return buffer;
  }
  buffer[stored] = '\0';
  *length = first_nul == kNoNul ? stored : first_nul;
  if (failed_) return nullptr;
  // A trailing Ctrl-Z alone is no line of its own.
  if (!any || (stored == 0 && counted + 1 < size)) return nullptr;
  return buffer;
}

bool ReadLine(std::string* line, FILE* stream, size_t size) {
  std::string buffer(size < 2 ? 2 : size, '\0');
  line->clear();
  if (ReadLine(buffer.data(), buffer.size(), stream) == nullptr) return false;
  line->assign(buffer.c_str());
  return true;
}

void TrimLine(char* text, bool blanks) { TrimLine(text, strlen(text), blanks); }

size_t TrimLine(char* text, size_t length, bool blanks) {
  while (length > 0 && IsTrimmed(text[length - 1], blanks)) --length;
  text[length] = '\0';
  return length;
}

void TrimLine(std::string* text, bool blanks) {
  size_t n = text->size();
  while (n > 0 && IsTrimmed((*text)[n - 1], blanks)) --n;
  text->resize(n);
}

const char* SkipBlanks(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  return text;
}

char* SkipBlanks(char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  return text;
}

char* NextToken(const char** cursor, int mode, char* token) {
  const char* p = *cursor;
  while (*p != '\0' && IsScanSpace(*p)) ++p;
  size_t n = 0;
  while (p[n] != '\0' && !IsScanSpace(p[n]) && n < kTokenSize - 1) {
    token[n] = p[n];
    ++n;
  }
  token[n] = '\0';
  if (n == 0) return token;
  if ((mode & kTokenNormalize) != 0) NormalizeName(token);
  if ((mode & kTokenPeek) == 0) *cursor = p + n;
  return token;
}

std::string NextToken(const char** cursor, int mode) {
  char token[kTokenSize];
  return NextToken(cursor, mode, token);
}

std::string NextToken(char** cursor, int mode) {
  const char* p = *cursor;
  std::string word = NextToken(&p, mode);
  *cursor += p - *cursor;
  return word;
}

std::string TakeFileName(const char* text, NameQuotes* quotes) {
  const char* p = SkipBlanks(text);
  std::string name;
  *quotes = NameQuotes::kFine;
  if (*p != '"') {
    name = p;
  } else {
    ++p;
    const char* end = strchr(p, '"');
    if (end == nullptr) {
      *quotes = NameQuotes::kMissingEnd;
      name = p;
    } else {
      name.assign(p, static_cast<size_t>(end - p));
      if (end[1] != '\0') *quotes = NameQuotes::kTrailingText;
    }
  }
  if (name.size() > kNameSize - 1) name.resize(kNameSize - 1);
  return name;
}

void ReportNameQuotes(NameQuotes quotes, Diagnostics& diag) {
  if (quotes == NameQuotes::kMissingEnd)
    diag.ReportMessage(0, kWarning, "Missing end quote");
  else if (quotes == NameQuotes::kTrailingText)
    diag.ReportMessage(0, kWarning, "Trailing characters after end quote");
}

std::string ReadFileName(const char* text, Diagnostics& diag) {
  NameQuotes quotes = NameQuotes::kFine;
  std::string name = TakeFileName(text, &quotes);
  ReportNameQuotes(quotes, diag);
  return name;
}

void NormalizeName(char* text) {
  for (; *text != '\0'; ++text) *text = *text == '/' ? '\\' : LowerAscii(*text);
}

void NormalizeName(std::string* text) {
  for (char& c : *text) c = c == '/' ? '\\' : LowerAscii(c);
}

std::string NormalizedName(std::string_view text) {
  std::string copy(text);
  NormalizeName(&copy);
  return copy;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

int IndexInList(std::string_view word, const char* const* list) {
  for (int i = 0; list[i] != nullptr && list[i][0] != '\0'; ++i)
    if (word == list[i]) return i;
  return -1;
}

int IndexInList(std::string_view word, std::initializer_list<const char*> list) {
  int i = 0;
  for (const char* entry : list) {
    if (entry != nullptr && word == entry) return i;
    ++i;
  }
  return -1;
}

void CopyBounded(char* dst, const char* src, size_t n) {
  if (n == 0) return;
  size_t len = strnlen(src, n - 1);
  memcpy(dst, src, len);
  dst[len] = '\0';
}

void StripTrailingBackslashes(std::string* path) {
  while (!path->empty()) {
    char last = path->back();
    if (last == '\\' || (last == '/' && path->size() > 1)) {
      path->pop_back();
    } else {
      break;
    }
  }
}

void StripTrailingBackslashes(char* path) {
  std::string copy(path);
  StripTrailingBackslashes(&copy);
  path[copy.size()] = '\0';
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

bool IsDecimal(std::string_view text) {
  if (text.size() < 2) return false;
  size_t point = text.find('.');
  if (point == std::string_view::npos) return false;
  std::string_view before = text.substr(0, point);
  std::string_view after = text.substr(point + 1);
  return (before.empty() || IsAllDigits(before)) &&
         (after.empty() || IsAllDigits(after));
}

bool IsIdentifier(std::string_view text) {
  if (text.empty() || !IsLetter(text[0])) return false;
  for (char c : text.substr(1))
    if (!IsLetter(c) && !IsDigit(c) && c != '_') return false;
  return true;
}

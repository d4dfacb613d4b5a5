// The small text-scanning operations every reader of LDraw and configuration
// text shares: physical lines, trimming, words, quoted file names, LDraw name
// normalisation, prefix and word-list tests, character classes.
#ifndef R7P_BASE_TEXT_SCAN_H_
#define R7P_BASE_TEXT_SCAN_H_

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

class Diagnostics;

/// Size of the model reader's line buffer: at most 999 characters a line.
inline constexpr size_t kLineSize = 1000;
/// Size of the word buffer: words are at most 79 characters.
inline constexpr size_t kTokenSize = 80;
/// Size of the file-name buffer: names are at most 263 characters.
inline constexpr size_t kNameSize = 264;

/// Ctrl-Z, the old end-of-file mark some LDraw files still carry.
inline constexpr char kCtrlZ = 26;

/// Reads one physical line of `stream` into `buffer` (of `size` bytes,
/// size >= 2). CR, LF, CR LF and LF CR each end one line and are stored as a
/// single "\n"; CR CR and LF LF give an empty line between. Ctrl-Z is dropped
/// but still counts towards the limit: after size - 1 characters without a
/// line end the line is cut there (no "\n" stored) and the rest of the
/// physical line comes with the next call. Returns `buffer`, or null at end
/// of file with nothing stored, or on a read error.
char* ReadLine(char* buffer, size_t size, FILE* stream);
/// The same into a std::string (cleared first); false where the buffer
/// version returns null.
bool ReadLine(std::string* line, FILE* stream, size_t size = kLineSize);

/// ReadLine over a stream that nobody else reads meanwhile: the same lines,
/// but the stream is taken in large blocks instead of a character at a
/// time. Bytes beyond the last line returned may already have been taken
/// from the stream. The stream stays owned (and open) by the caller.
class LineReader {
 public:
  /// `block` is the size of the reads (tests use tiny ones).
  explicit LineReader(FILE* stream, size_t block = 1 << 16);
  /// The lines of `bytes`, which must outlive the reader, as a stream of
  /// exactly these bytes would give them.
  explicit LineReader(std::string_view bytes);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  /// Exactly what ReadLine(buffer, size, stream) would give at this point,
  /// also setting `*length` to strlen(buffer), which the reader knows
  /// without counting again (also when it returns null).
  char* ReadLine(char* buffer, size_t size, size_t* length);

 private:
  bool Fill();
  /// The next byte without taking it, or EOF.
  int Peek();

  FILE* stream_;  // null when reading from memory
  size_t size_;
  std::unique_ptr<char[]> storage_;  // the block of a stream; not cleared:
                                     // only what was read is used
  const char* block_;                // storage_, or the bytes in memory
  size_t position_ = 0;
  size_t end_ = 0;
  bool failed_ = false;
  bool at_end_ = false;
};

/// Removes from the end, repeatedly, LF, CR and Ctrl-Z, and with `blanks`
/// also spaces and tabs.
void TrimLine(char* text, bool blanks);
/// The same for a text of `length` characters (its strlen); returns the
/// new length.
size_t TrimLine(char* text, size_t length, bool blanks);
void TrimLine(std::string* text, bool blanks);

/// Position of the first character that is neither a space nor a tab.
const char* SkipBlanks(const char* text);
char* SkipBlanks(char* text);

/// Mode bits of NextToken.
inline constexpr int kTokenNormalize = 1;  // pass the word through NormalizeName
inline constexpr int kTokenPeek = 2;       // do not advance the cursor

/// Reads the next word at `*cursor` the way scanf's "%79s" does: white space
/// (space, tab, CR, LF, VT, FF) is skipped, then at most 79 non-white
/// characters are taken. Without kTokenPeek the cursor moves past everything
/// consumed; a longer word is split and the next call returns its rest.
/// With no word the empty text is returned and the cursor stays.
std::string NextToken(const char** cursor, int mode = 0);
std::string NextToken(char** cursor, int mode = 0);
/// Buffer variant: writes the word (at most 79 characters) into `token`
/// (kTokenSize bytes) and returns it.
char* NextToken(const char** cursor, int mode, char* token);

/// Takes a file name from the rest of a line: blanks are skipped; an
/// unquoted name is the whole rest (inner blanks kept); a quoted one ends at
/// the next double quote. Reports through `diag` (level 0, WARNING) "Missing
/// end quote" (the name is then all text after the opening quote) and
/// "Trailing characters after end quote" (they are ignored). The name is
/// cut to kNameSize - 1 characters.
std::string ReadFileName(const char* text, Diagnostics& diag);

/// What ReadFileName would report about a name's quotes.
enum class NameQuotes { kFine, kMissingEnd, kTrailingText };
/// ReadFileName without the reports: the same name, and what was wrong
/// with its quotes in `*quotes`.
std::string TakeFileName(const char* text, NameQuotes* quotes);
/// The report ReadFileName makes about `quotes`, if any.
void ReportNameQuotes(NameQuotes quotes, Diagnostics& diag);

/// In place: ASCII A-Z become a-z and every '/' becomes '\'.
void NormalizeName(char* text);
void NormalizeName(std::string* text);
/// Returns a normalised copy.
std::string NormalizedName(std::string_view text);

/// True when `text` begins with `prefix` (case-sensitive).
bool StartsWith(std::string_view text, std::string_view prefix);

/// Index of the first entry equal to `word` (exact, case-sensitive), or -1.
/// The array form stops at the first empty entry (or a null pointer).
int IndexInList(std::string_view word, const char* const* list);
int IndexInList(std::string_view word, std::initializer_list<const char*> list);

/// Copies at most n - 1 characters of `src` into `dst` and always
/// terminates it (n > 0).
void CopyBounded(char* dst, const char* src, size_t n);

/// Removes every trailing separator of a host path: '\' and '/', but never
/// the '/' that names the root directory.
void StripTrailingBackslashes(std::string* path);
void StripTrailingBackslashes(char* path);

/// White space as scanf and "%s" skip it in the C locale: blank, tab, LF,
/// VT, FF and CR (the codes 9 to 13). Inline: it runs for every character
/// between the numbers of a line.
inline bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
/// The first character at or after `text` that is not scanf white space.
inline const char* SkipScanSpace(const char* text) {
  while (IsScanSpace(*text)) ++text;
  return text;
}

/// ASCII character classes, without locale.
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }
inline bool IsLetter(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
/// A-Z as a-z; every other character as it is.
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
/// Non-empty and digits only.
bool IsAllDigits(std::string_view text);
/// At least two characters: digits, one '.', digits (either run may be
/// empty): "12.5", "12.", ".5"; no point, no decimal.
bool IsDecimal(std::string_view text);
/// A letter followed by letters, digits or '_'.
bool IsIdentifier(std::string_view text);

#endif  // R7P_BASE_TEXT_SCAN_H_

#include "model/parser.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "colour/colour_table.h"
#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/line_scan.h"
#include "model/line_source.h"
#include "model/line_validation.h"
#include "model/meta_commands.h"
#include "model/name_class.h"
#include "model/prescan.h"
#include "model/reference_lines.h"
#include "base/text_scan.h"

namespace {

// Items the line scan must convert for types 1..5: type, colour, the
// numbers, and for type 1 the first word of the file name. A type 4 or 5
// line with a word after its twelve numbers converts one item more.
constexpr int kExpectedItems[] = {0, 15, 8, 11, 14, 14};

constexpr size_t kTitleSize = 100;    // title, author, first comment
constexpr size_t kCategorySize = 40;  // CATEGORY text

/// What becomes of the line in hand.
enum class Outcome {
  kStore,    // go on and store the line
  kDrop,     // the line is dropped (its message, if any, was written)
  kStop,     // reading of the file ends normally (full table at a FILE line)
  kAbandon,  // memory ran out: the file is abandoned
};

std::string Bounded(const char* text, size_t size) {
  size_t length = strnlen(text, size - 1);
  return std::string(text, length);
}

int32_t ClampColour(long value) {
  // The colour is read as a C long; on 64-bit Linux that is wider than the
  // 32-bit colour, so out-of-range numbers saturate as a 32-bit strtol would.
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

void ClearMatrix(Matrix& m) {
  for (float& element : m.m) element = 0;
}

/// The numbers of a type 2..5 line as vertex rows (x, y, z, 1).
void SetVertices(Matrix& m, const float (&n)[12]) {
  for (int row = 0; row < 4; ++row) {
    m.at(row, 0) = n[row * 3];
    m.at(row, 1) = n[row * 3 + 1];
    m.at(row, 2) = n[row * 3 + 2];
    m.at(row, 3) = 1;
  }
}

/// The numbers x y z a b c d e f g h i of a type-1 line as its placement.
void SetPlacement(Matrix& m, const float (&n)[12]) {
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) m.at(row, col) = n[3 + row * 3 + col];
    m.at(row, 3) = n[row];
  }
  m.at(3, 0) = m.at(3, 1) = m.at(3, 2) = 0;
  m.at(3, 3) = 1;
}

/// Reads one physical file into the file table; one object per ReadDatFile.
class DatFileReader {
 public:
  DatFileReader(ReaderContext& context, const char* referenced_by,
                DatFile& file, bool is_main)
      : ctx_(context),
        diag_(context.diag),
        referenced_by_(referenced_by),
        file_(file),
        target_(&file),
        is_main_(is_main) {}

  /// Reads every line of `source` (StreamLines or PrescannedLines).
  template <class Source>
  Status Read(Source& source);

 private:
  /// The per-section state, cleared at the start of the file and at every
  /// FILE line that opens a new section.
  struct Section {
    BfcState bfc;
    int open_block = kNoBlock;
    int texture_kind = 0;
    bool category_met = false;
    std::string category;
    std::string first_comment;
  };

  void Begin();
  Status Finish(Outcome last);
  Outcome ProcessLine(char* buffer, size_t length, const GeometryScan* scanned);
  Outcome ScanTypeZero(const char* after_zero, const char* end, DatLine& line,
                       const char** meta);
  Outcome ScanGeometry(const char* start, const GeometryScan* scanned,
                       GeometryScan& scan);
  Outcome CheckType(const GeometryScan& scan, DatLine& line);
  Outcome PrepareReference(const char* start, const GeometryScan& scan,
                           DatLine& line, std::string* name, double* det);
  Outcome HandleMeta(const char* meta, DatLine& line, int* opened);
  Outcome HandleTransform(int kind);
  Outcome HandleKeyword(const char* meta, DatLine& line);
  void TakeModelText(const char* meta);
  Outcome StartNextSection(const std::string& raw_name);
  void EndSection(bool at_eof);
  LineVerdict Validate(DatLine& line, const std::string& name);
  bool ColourKnown(int32_t colour) const;
  bool IsStored(int32_t type) const {
    return ((ctx_.line_type_mask >> type) & 1u) != 0;
  }
  // The text of a comment is needed only where comments are stored.
  bool KeepsComments() const { return IsStored(0); }
  bool Store(DatLine&& line);
  bool OpenBlock(int kind, const Matrix& placement);

  ReaderContext& ctx_;
  Diagnostics& diag_;
  const char* referenced_by_;
  DatFile& file_;    // the file passed in
  DatFile* target_;  // receives the lines
  bool is_main_;
  bool ldraw_seen_ = false;
  bool first_file_pending_ = true;
  uint32_t line_number_ = 0;
  Section section_;
};

void DatFileReader::Begin() {
  diag_.current_file = file_.name;
  diag_.current_line = 0;
  ctx_.last_read_plain = true;
  if (ctx_.validator != nullptr) ctx_.validator->BeginFile();
}

Status DatFileReader::Finish(Outcome last) {
  if (last != Outcome::kStop && last != Outcome::kAbandon)
    EndSection(true);
  else
    ctx_.last_read_plain = false;
  return last == Outcome::kAbandon ? Status::kFailed : Status::kOk;
}

template <class Source>
Status DatFileReader::Read(Source& source) {
  Begin();
  Outcome outcome = Outcome::kStore;
  SourceLine line;
  while (source.Next(&line)) {
    outcome = ProcessLine(line.text, line.length, line.scan);
    if (outcome == Outcome::kStop || outcome == Outcome::kAbandon) break;
  }
  return Finish(outcome);
}

// `length` is strlen(buffer), known to the line reader. `scanned`, when
// not null, is the line's ScanFiniteGeometryLine made beforehand.
Outcome DatFileReader::ProcessLine(char* buffer, size_t length,
                                   const GeometryScan* scanned) {
  diag_.current_line = ++line_number_;
  bool invert_pending = section_.bfc.invert_next;
  section_.bfc.invert_next = false;
  length = TrimLine(buffer, length, true);
  const char* const end = buffer + length;
  diag_.line_buffer.assign(buffer, length);

  DatLine line;
  ClearMatrix(line.matrix);
  line.lineNumber = line_number_;
  const char* start = SkipBlanks(buffer);
  const char* meta = nullptr;  // meta-command text of a type-0 line
  std::string name;            // normalised target of a type-1 line
  double det = 0;
  int opened = kNoBlock;       // kind of a transform block this line opens

  GeometryScan scan;
  Outcome outcome = Outcome::kStore;
  if (*start == '0') {
    outcome = ScanTypeZero(start + 1, end, line, &meta);
    scan.type = 0;
  } else {
    outcome = ScanGeometry(start, scanned, scan);
  }
  if (outcome != Outcome::kStore) return outcome;
  if (invert_pending && scan.type != 1)
    diag_.ReportMessage(0, kWarning, "Line type 1 must follow BFC INVERTNEXT");
  if (target_->Has(READ)) {
    diag_.ReportMessage(0, kSkipping, "Subfile %s already read",
                        target_->name.c_str());
    return Outcome::kDrop;
  }
  if (scan.items >= 1) {
    outcome = CheckType(scan, line);
    if (outcome != Outcome::kStore) return outcome;
    if (line.type >= 2) SetVertices(line.matrix, scan.n);
    if (line.type == 1) {
      SetPlacement(line.matrix, scan.n);
      outcome = PrepareReference(start, scan, line, &name, &det);
      if (outcome != Outcome::kStore) return outcome;
    }
  }
  // Free text before the first LDraw line is kept whole, as a comment.
  if (line.type == 0 && (line.flags & META) == 0 && KeepsComments())
    line.text.assign(buffer, length);
  if (meta != nullptr) {
    outcome = HandleMeta(meta, line, &opened);
    if (outcome != Outcome::kStore) return outcome;
  }
  if (Validate(line, name) == LineVerdict::kDrop) return Outcome::kDrop;
  if (line.type == 1) {
    line.file = ctx_.files.GetOrAddFile(false, name);
    if (line.file == nullptr) return Outcome::kDrop;
    if (det < 0) line.flags |= MIRRORED;
  }
  if (opened != kNoBlock) {
    const Matrix placement = line.matrix;
    if (IsStored(line.type) && !Store(std::move(line))) return Outcome::kAbandon;
    if (!OpenBlock(opened, placement)) return Outcome::kAbandon;
    return Outcome::kStore;
  }
  if (IsStored(line.type) && !Store(std::move(line))) return Outcome::kAbandon;
  return Outcome::kStore;
}

// A line whose first character is "0": a comment, a meta-command, or the
// FILE line of a multi-part file. `after_zero` points behind the "0", `end`
// at the end of the line.
Outcome DatFileReader::ScanTypeZero(const char* after_zero, const char* end,
                                    DatLine& line, const char** meta) {
  line.type = 0;
  line.flags |= META;
  if (*after_zero == '\0') return Outcome::kStore;  // an empty comment
  bool separated = false;
  const char* text = CommentText(after_zero, &separated);
  if (!separated)
    diag_.ReportMessage(3, kWarning, "Comment lines should have space after 0");
  if (KeepsComments()) line.text.assign(text, static_cast<size_t>(end - text));
  *meta = SkipBlanks(text);
  NameQuotes quotes = NameQuotes::kFine;
  std::optional<std::string> section = SectionFileName(*meta, &quotes);
  if (!section) return Outcome::kStore;
  ReportNameQuotes(quotes, diag_);
  const std::string& section_name = *section;
  // `0 FILE ""` names nothing; it stays an ordinary comment.
  if (section_name.empty()) return Outcome::kStore;
  ldraw_seen_ = true;
  if (!first_file_pending_) return StartNextSection(section_name);
  first_file_pending_ = false;
  if (section_.bfc.operational)
    diag_.ReportMessage(0, kWarning, "LDraw command(s) preceded this line");
  if (is_main_) ctx_.files.title.clear();
  *meta = nullptr;  // stored as a plain comment, no meta-command parsing
  return Outcome::kStore;
}

// Any line not starting with "0": the scan converts the type, the colour, up
// to twelve numbers and one more word; the count of converted items decides.
Outcome DatFileReader::ScanGeometry(const char* start,
                                    const GeometryScan* scanned,
                                    GeometryScan& scan) {
  if (scanned != nullptr)
    scan = *scanned;
  else
    ScanFiniteGeometryLine(start, scan);
  if (scan.items >= 1) return Outcome::kStore;
  if (!ldraw_seen_) return Outcome::kStore;  // leading free text
  if (*start == '\0') return Outcome::kDrop;
  diag_.ReportMessage(0, kSkipping, "Bad line");
  return Outcome::kDrop;
}

// The type and the item count of a scanned line. Before the first LDraw
// line, a line that fails here is free text that happens to begin with a
// number, and stays as a comment.
Outcome DatFileReader::CheckType(const GeometryScan& scan, DatLine& line) {
  if (scan.type < 0 || scan.type > 5) {
    if (!ldraw_seen_) return Outcome::kStore;
    diag_.ReportMessage(0, kSkipping, "Unknown line type");
    return Outcome::kDrop;
  }
  if (scan.type == 0) return Outcome::kStore;
  if (scan.items != kExpectedItems[scan.type]) {
    if (!ldraw_seen_) return Outcome::kStore;
    diag_.ReportMessage(0, kSkipping, "%d arguments expected",
                        kExpectedItems[scan.type]);
    return Outcome::kDrop;
  }
  ldraw_seen_ = true;
  section_.bfc.operational = true;
  line.type = scan.type;
  line.colour = ClampColour(scan.colour);
  return Outcome::kStore;
}

// The reference of a type-1 line: its target name (a quoted empty name
// drops the line), the determinant that tells a mirrored placement,
// light.dat as a light source, and the warning for a speed primitive
// referenced directly.
Outcome DatFileReader::PrepareReference(const char* start,
                                        const GeometryScan& scan,
                                        DatLine& line, std::string* name,
                                        double* det) {
  NameQuotes quotes = NameQuotes::kFine;
  *name = ReferenceTarget(start, scan, &quotes);
  ReportNameQuotes(quotes, diag_);
  if (name->empty()) {
    // A quoted empty name ("") names no file at all.
    diag_.ReportMessage(0, kSkipping, "%d arguments expected",
                        kExpectedItems[1]);
    return Outcome::kDrop;
  }
  *det = MatDet3(line.matrix);
  if (ctx_.settings.Has(LightDatLights) && *name == "light.dat") {
    line.flags |= LIGHT;
    ctx_.settings.SettingsFlags |= LightDatFound;
    ctx_.last_read_plain = false;
    if (!ColourKnown(line.colour)) {
      diag_.ReportMessage(0, kWarning, "Sorry, cannot handle color %d, using 15",
                          line.colour);
      line.colour = 15;
    }
  }
  if (IsSpeedPrimitive(*name))
    diag_.ReportMessage(0, kWarning,
                        "This speed-primitive should not be referenced directly");
  return Outcome::kStore;
}

// Meta-commands, in the order in which they are recognised. `opened`
// receives the kind of a transform block that the line opens.
Outcome DatFileReader::HandleMeta(const char* meta, DatLine& line,
                                  int* opened) {
  if (section_.first_comment.empty())
    section_.first_comment = Bounded(meta, kTitleSize);
  const BfcLine bfc = ParseBfc(meta, diag_);
  if (bfc.kind == BfcLine::Kind::kBad) return Outcome::kDrop;
  if (bfc.kind == BfcLine::Kind::kOptions) {
    if (!ApplyBfc(bfc.options, section_.bfc, diag_)) return Outcome::kDrop;
    ldraw_seen_ = true;
    return Outcome::kStore;
  }
  const TransformLine transform = ParseTransformMeta(meta, line, diag_);
  if (transform.role == TransformLine::Role::kOpens) {
    ldraw_seen_ = true;
    section_.bfc.operational = true;
    *opened = transform.kind;
    return Outcome::kStore;
  }
  if (transform.role == TransformLine::Role::kEnds) {
    ldraw_seen_ = true;
    section_.bfc.operational = true;
    return HandleTransform(transform.kind);
  }
  ldraw_seen_ = true;
  if (StartsWith(meta, "~Moved to ")) {
    if (referenced_by_ != nullptr)
      diag_.ReportMessage(0, kPlain, "NOTABENE \"%s\" referenced by \"%s\": %s",
                          diag_.current_file.c_str(), referenced_by_, meta + 1);
    else
      diag_.ReportMessage(0, kPlain, "NOTABENE \"%s\" Line %u: %s",
                          diag_.current_file.c_str(), line_number_,
                          diag_.line_buffer.c_str());
  }
  if (PovBlockKeyword(meta).has_value()) {
    // Stored as a comment: the scene writer acts on the block keywords.
    diag_.ReportMessage(0, kWarning, "This keyword is deprecated");
    return Outcome::kStore;
  }
  if (ParsePartType(meta, *target_, diag_) == Status::kFailed)
    return Outcome::kDrop;
  return HandleKeyword(meta, line);
}

// The END of a transform block of `kind`: it must close the innermost block.
Outcome DatFileReader::HandleTransform(int kind) {
  if (section_.open_block == kNoBlock) {
    diag_.ReportMessage(0, kSkipping, "END not expected");
    return Outcome::kDrop;
  }
  if (section_.open_block != kind) {
    diag_.ReportMessage(0, kSkipping, "%s END expected",
                        TransformKeyword(section_.open_block));
    return Outcome::kDrop;
  }
  target_->flags |= READ;
  section_.open_block = target_->parentBlock;
  target_ = target_->parentFile;  // the END line goes to the enclosing file
  return Outcome::kStore;
}

// STEP, CATEGORY, TEXTURE, and the title and author of the main model.
Outcome DatFileReader::HandleKeyword(const char* meta, DatLine& line) {
  const char* cursor = meta;
  char word[kTokenSize];
  NextToken(&cursor, 0, word);
  if (std::strcmp(word, "STEP") == 0) {
    line.flags |= STEP;
  } else if (std::strcmp(word, "CATEGORY") == 0) {
    if (section_.category_met) {
      diag_.ReportMessage(0, kSkipping, "Already met CATEGORY %s",
                          section_.category.c_str());
      return Outcome::kDrop;
    }
    section_.category_met = true;
    section_.category = Bounded(SkipBlanks(cursor), kCategorySize);
  } else if (std::strcmp(word, "TEXTURE") == 0) {
    NextToken(&cursor, 0, word);
    int kind = 0;  // no word counts as END
    if (std::strcmp(word, "SLOPE") == 0) {
      kind = 1;
    } else if (word[0] != '\0' && std::strcmp(word, "END") != 0) {
      diag_.ReportMessage(0, kSkipping, "Unknown TEXTURE %s", word);
      return Outcome::kDrop;
    }
    line.flags |= TEXTURE;
    line.colour = kind;
    section_.texture_kind = kind;
  } else if (is_main_) {
    TakeModelText(meta);
  }
  return Outcome::kStore;
}

// The first "Author:" line and the first plain comment of the main model.
void DatFileReader::TakeModelText(const char* meta) {
  FileTable& files = ctx_.files;
  ctx_.last_read_plain = false;
  if (StartsWith(meta, "Author:")) {
    if (!files.author.empty()) return;
    files.author = Bounded(SkipBlanks(meta + 7), kTitleSize);
    if (ctx_.switches.CheckMode) diag_.ReportMessage(0, kPlain, "%s", meta);
    return;
  }
  if (!files.title.empty()) return;
  // Rotation hints and tally lines of model tools are not titles.
  if (StartsWith(meta, "R7P ") || StartsWith(meta, "ROTATION ") ||
      std::strstr(meta, "Z-Tally") != nullptr)
    return;
  files.title = Bounded(meta, kTitleSize);
  if (ctx_.switches.CheckMode) diag_.ReportMessage(0, kPlain, "%s", meta);
}

// A FILE line after the first: the current section ends and the named one
// begins. The line itself is not stored.
Outcome DatFileReader::StartNextSection(const std::string& raw_name) {
  ctx_.last_read_plain = false;
  EndSection(false);
  if (ctx_.switches.Verbose != 0)
    fprintf(diag_.message_stream, "MPD subfile %s\n", raw_name.c_str());
  std::string name = NormalizedName(raw_name);
  DatFile* record = ctx_.files.GetOrAddFile(false, name);
  if (record == nullptr) return Outcome::kStop;
  if (record->Has(READ))
    diag_.ReportMessage(0, kSkipping, "FILE %s already read", name.c_str());
  record->flags = (record->flags & ~uint32_t{LIBRARY}) | MPD_SUBFILE |
                  (file_.flags & LIBRARY);
  target_ = record;
  section_ = Section();
  return Outcome::kDrop;
}

// End of file, or a FILE line that starts the next section.
void DatFileReader::EndSection(bool at_eof) {
  if (target_->Has(READ)) return;
  // Unclosed transform blocks are closed one by one, innermost first.
  while (target_->Has(INTERNAL)) {
    const char* keyword = TransformKeyword(section_.open_block);
    if (at_eof)
      diag_.ReportMessage(0, kPlain, "WARNING \"%s\": End-Of-File, %s END expected",
                          diag_.current_file.c_str(), keyword);
    else
      diag_.ReportMessage(0, kWarning, "%s END expected", keyword);
    target_->flags |= READ;
    section_.open_block = target_->parentBlock;
    target_ = target_->parentFile;
  }
  if (section_.texture_kind == 1) {
    if (at_eof)
      diag_.ReportMessage(0, kPlain,
                          "WARNING \"%s\": End-Of-File, TEXTURE %s not ended",
                          diag_.current_file.c_str(), "SLOPE");
    else
      diag_.ReportMessage(0, kWarning, "TEXTURE %s not ended", "SLOPE");
  }
  bool sticker = section_.category_met
                     ? section_.category == "Sticker"
                     : StartsWith(section_.first_comment, "Sticker");
  if (sticker) target_->flags |= STICKER;
  target_->flags |= READ;
}

// The line checks; in check mode a library file shows only their level-0
// messages, whatever the user's warning level.
LineVerdict DatFileReader::Validate(DatLine& line, const std::string& name) {
  if (line.type == 0 || ctx_.validator == nullptr) return LineVerdict::kStore;
  int saved_level = diag_.warning_level;
  if (ctx_.switches.CheckMode && !is_main_) diag_.warning_level = 0;
  const LineVerdict verdict =
      ctx_.validator->ValidateLine(line, name, *target_);
  diag_.warning_level = saved_level;
  return verdict;
}

bool DatFileReader::ColourKnown(int32_t colour) const {
  return ctx_.colours == nullptr || ctx_.colours->IsColour(colour);
}

bool DatFileReader::Store(DatLine&& line) {
  if (line.type >= 1 && line.colour != 16 && line.colour != 24 &&
      !ctx_.files.AddUsedColour(line.colour))
    return false;
  if (ctx_.files.AppendLine(*target_, std::move(line))) return true;
  diag_.ReportInputError("Out of memory in \"%s\" line %u",
                         diag_.current_file.c_str(), line_number_);
  return false;
}

// A transform block becomes an internal record, referenced from the
// enclosing file by a synthesised type-1 line of colour 16; the lines of the
// block go into the record until its END.
bool DatFileReader::OpenBlock(int kind, const Matrix& placement) {
  ctx_.last_read_plain = false;
  DatLine reference;
  reference.type = 1;
  reference.colour = 16;
  reference.lineNumber = 0;
  reference.matrix = placement;
  char name[32];
  snprintf(name, sizeof name, "R7Transf%d", ctx_.files.internal_counter);
  DatFile* record = ctx_.files.GetOrAddFile(true, name, &reference.internal);
  if (record == nullptr) return true;
  ++ctx_.files.internal_counter;
  reference.file = record;
  record->parentBlock = section_.open_block;
  record->parentFile = target_;
  if (!ctx_.files.AppendLine(*target_, std::move(reference))) {
    diag_.ReportInputError("Out of memory in \"%s\" line %u",
                           diag_.current_file.c_str(), line_number_);
    return false;
  }
  target_ = record;
  section_.open_block = kind;
  return true;
}

}  // namespace

Status ReadDatFile(ReaderContext& context, const char* referenced_by,
                   DatFile& file, FILE* stream, bool is_main) {
  Status result = Status::kFailed;
  {
    StreamLines lines(stream);
    result = DatFileReader(context, referenced_by, file, is_main).Read(lines);
  }
  fclose(stream);
  return result;
}

Status ReadDatFile(ReaderContext& context, const char* referenced_by,
                   DatFile& file, PrescannedFile& prescan, bool is_main) {
  // The lines are counted already: room for all of them at once spares the
  // growth of the record, each step of which moves every line.
  if (file.lines.empty()) file.lines.reserve(prescan.lines.size());
  PrescannedLines lines(prescan);
  return DatFileReader(context, referenced_by, file, is_main).Read(lines);
}

#include "model/meta_commands.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "base/text_scan.h"

namespace {

constexpr const char* kBfcWords[] = {"CERTIFY", "NOCERTIFY", "CLIP",
                                     "NOCLIP",  "CW",        "CCW",
                                     "INVERTNEXT", nullptr};

constexpr const char* kTransformWords[] = {"TRANSLATE", "ROTATE", "SCALE",
                                           "TRANSFORM", nullptr};

// Numbers each transform keyword takes, by kind.
constexpr int kTransformArity[] = {0, 3, 4, 1, 12};

constexpr int kBfcWinding = kBfcClip | kBfcNoClip | kBfcCw | kBfcCcw |
                            kBfcInvertNext;

// The first character of the first word of a meta-command, where NextToken
// would find it. Most meta-command lines are none of the statements parsed
// here, and their first characters tell so.
char FirstWordCharacter(const char* text) { return *SkipScanSpace(text); }

// False when the first word cannot be one that starts an official-status
// header ("!LDRAW_ORG", "LDRAW_ORG", "UNOFFICIAL", "UN-OFFICIAL",
// "OFFICIAL", "ORIGINAL"; compared in lower case). Every one of them has
// more than one character, so the second is always there to look at.
bool MayBeStatusHeader(const char* text) {
  const char* word = SkipScanSpace(text);
  const char c0 = LowerAscii(word[0]);
  if (c0 == '\0') return false;
  const char c1 = LowerAscii(word[1]);
  return (c0 == '!' && c1 == 'l') || (c0 == 'l' && c1 == 'd') ||
         (c0 == 'u' && c1 == 'n') || (c0 == 'o' && (c1 == 'f' || c1 == 'r'));
}

bool BothIn(int options, int a, int b) {
  return (options & a) != 0 && (options & b) != 0;
}

/// Applies NOCERTIFY; false when the statement is dropped.
bool ApplyNoCertify(BfcState& state, Diagnostics& diag) {
  const char* fault = nullptr;
  if (state.certify_met)
    fault = "BFC CERTIFY already met";
  else if (state.certified)
    fault = "Already BFC certified implicitly";
  else if (state.operational)
    fault = "BFC NOCERTIFY must appear before the first operational command-line";
  if (fault != nullptr) {
    diag.ReportMessage(0, kSkipping, "%s", fault);
    return false;
  }
  state.nocertify_met = true;
  state.certified = false;
  return true;
}

/// Applies CERTIFY; false when the statement is dropped.
bool ApplyCertify(BfcState& state, Diagnostics& diag) {
  if (state.certify_met) {
    diag.ReportMessage(0, kWarning, "BFC CERTIFY already met");
  } else if (state.certified) {
    diag.ReportMessage(0, kWarning, "Already BFC certified implicitly");
  } else if (state.operational) {
    diag.ReportMessage(
        0, kSkipping,
        "BFC CERTIFY must appear before the first operational command-line");
    return false;
  } else {
    state.certify_met = true;
    state.certified = true;
  }
  return true;
}

/// The placement of an opened block from the numbers read in type-1 order
/// (x y z a b c d e f g h i).
void BuildBlockMatrix(int kind, const float (&n)[12], Matrix& m,
                      Diagnostics& diag) {
  for (float& element : m.m) element = 0;
  switch (kind) {
    case kTranslate:
      m.at(0, 0) = m.at(1, 1) = m.at(2, 2) = 1;
      m.at(0, 3) = n[0];
      m.at(1, 3) = n[1];
      m.at(2, 3) = n[2];
      break;
    case kRotate:
      if (!MatRotation(m, n[0], Vector{n[1], n[2], n[3]}))
        diag.ReportMessage(0, kWarning, "Zero vector");
      break;
    case kScale:
      m.at(0, 0) = m.at(1, 1) = m.at(2, 2) = n[0];
      break;
    default:
      for (int row = 0; row < 3; ++row) {
        m.at(row, 3) = n[row];
        for (int col = 0; col < 3; ++col) m.at(row, col) = n[3 + row * 3 + col];
      }
      break;
  }
  m.at(3, 0) = m.at(3, 1) = m.at(3, 2) = 0;
  m.at(3, 3) = 1;
}

}  // namespace

BfcLine ParseBfc(const char* text, Diagnostics& diag) {
  if (FirstWordCharacter(text) != 'B') return {};
  const char* cursor = text;
  char word[kTokenSize];
  if (std::strcmp(NextToken(&cursor, 0, word), "BFC") != 0) return {};
  if (*NextToken(&cursor, kTokenPeek, word) == '\0') {
    diag.ReportMessage(0, kSkipping, "No BFC options specified");
    return {BfcLine::Kind::kBad, 0};
  }
  int options = 0;
  while (*NextToken(&cursor, 0, word) != '\0') {
    int index = IndexInList(word, kBfcWords);
    if (index < 0) {
      diag.ReportMessage(0, kSkipping, "Illegal BFC option");
      return {BfcLine::Kind::kBad, 0};
    }
    options |= 1 << index;
  }
  if ((options & kBfcNoCertify) != 0 && options != kBfcNoCertify)
    diag.ReportMessage(0, kWarning, "NOCERTIFY must appear alone");
  if (BothIn(options, kBfcClip, kBfcNoClip) || BothIn(options, kBfcCw, kBfcCcw)) {
    diag.ReportMessage(0, kSkipping, "Only one BFC option from a group allowed");
    return {BfcLine::Kind::kBad, 0};
  }
  return {BfcLine::Kind::kOptions, options};
}

bool ApplyBfc(int options, BfcState& state, Diagnostics& diag) {
  if (state.nocertify_met) {
    diag.ReportMessage(0, kSkipping, "BFC NOCERTIFY already met");
    return false;
  }
  if ((options & kBfcNoCertify) != 0 && !ApplyNoCertify(state, diag))
    return false;
  if ((options & kBfcCertify) != 0 && !ApplyCertify(state, diag)) return false;
  if ((options & kBfcWinding) != 0) {
    if (!state.certified && state.operational) {
      diag.ReportMessage(0, kSkipping,
                         "This BFC is ignored because no BFC appeared before "
                         "the first operational command-line");
      return false;
    }
    state.certified = true;
    if ((options & kBfcInvertNext) != 0) state.invert_next = true;
  }
  state.operational = true;
  return true;
}

TransformLine ParseTransformMeta(const char* text, DatLine& line,
                                 Diagnostics& diag) {
  const char first = FirstWordCharacter(text);
  if (first != 'T' && first != 'R' && first != 'S') return {};
  const char* cursor = text;
  char word[kTokenSize];
  int kind = IndexInList(NextToken(&cursor, 0, word), kTransformWords) + 1;
  if (kind == kNoBlock) return {};
  const char* rest = cursor;
  if (std::strcmp(NextToken(&rest, 0, word), "END") == 0) return {TransformLine::Role::kEnds, kind};
  float n[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  int got = std::sscanf(cursor, "%f %f %f %f %f %f %f %f %f %f %f %f", &n[0],
                        &n[1], &n[2], &n[3], &n[4], &n[5], &n[6], &n[7], &n[8],
                        &n[9], &n[10], &n[11]);
  // A number beyond single precision, "nan" or "inf" is no usable number:
  // the scan counts as ending in front of it.
  for (int i = 0; i < got; ++i) {
    if (std::isfinite(n[i])) continue;
    got = i;
    break;
  }
  if (got != kTransformArity[kind]) {
    diag.ReportMessage(0, kSkipping, "Illegal syntax");
    return {};
  }
  BuildBlockMatrix(kind, n, line.matrix, diag);
  return {TransformLine::Role::kOpens, kind};
}

const char* TransformKeyword(int kind) {
  if (kind < kTranslate || kind > kTransform) return "";
  return kTransformWords[kind - 1];
}

Status ParsePartType(const char* text, DatFile& file, Diagnostics& diag) {
  if (!MayBeStatusHeader(text)) return Status::kOk;
  const char* cursor = text;
  char word[kTokenSize];
  std::string first = NextToken(&cursor, kTokenNormalize, word);
  bool header = first == "!ldraw_org" || first == "ldraw_org" ||
                first == "unofficial" || first == "un-official";
  if (!header && first == "official")
    header = std::strcmp(NextToken(&cursor, kTokenNormalize, word), "lcad") == 0;
  else if (!header && first == "original")
    header = std::strcmp(NextToken(&cursor, kTokenNormalize, word), "ldraw") == 0;
  if (!header) return Status::kOk;
  std::string type = NextToken(&cursor, kTokenNormalize, word);
  uint32_t kind = 0;
  if (type == "part" || type == "subpart" || type == "sub-part" ||
      type == "element")
    kind = PART;
  else if (type == "primitive" || type == "48_primitive")
    kind = PRIMITIVE;
  else
    return Status::kOk;
  // The kind may already come from the library directory the file was
  // found in; a header that contradicts it is not believed.
  if (kind == PART && file.Has(PRIMITIVE)) {
    diag.ReportMessage(0, kSkipping, "Already categorized as Primitive");
    return Status::kFailed;
  }
  if (kind == PRIMITIVE && file.Has(PART)) {
    diag.ReportMessage(0, kSkipping, "Already categorized as Part");
    return Status::kFailed;
  }
  file.flags |= kind;
  return Status::kOk;
}

std::optional<int> PovBlockKeyword(const char* text) {
  constexpr const char* kPovWords[] = {"ENDPOV", "IFPOV", "IFNOTPOV", "ELSEPOV",
                                       nullptr};
  if (std::strncmp(text, "R7P ", 4) != 0) return std::nullopt;
  const int index = IndexInList(text + 4, kPovWords);
  if (index < 0) return std::nullopt;
  return index;
}

#include "pov/declarations.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "base/settings.h"
#include "model/statistics.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/meta_commands.h"
#include "base/text_scan.h"
#include "pov/colour_textures.h"
#include "pov/format_g.h"
#include "pov/mesh_triangles.h"
#include "pov/prepared_parts.h"
#include "pov/primitive_subst.h"
#include "pov/scene_frame.h"
#include "pov/scene_state.h"
#include "pov/scene_text.h"

namespace {

constexpr int32_t kInheritedColour = 16;
constexpr int32_t kTextureSlope = 1;

// One character of a name adds at most "_crosshatch_" to its identifier.
constexpr size_t kIdentifierRoom = kMaxIdentifier + 16;

/// The word that stands for a character of a file name in an identifier,
/// or null when the character is written as two hex digits.
const char* ReplacementWord(unsigned char c) {
  switch (c) {
    case '_': return "";
    case ' ': return "space";
    case '#': return "crosshatch";
    case '~': return "tilde";
    case '\\': return "slash";
    case '/': return "slash";
    case ':': return "colon";
    case '&': return "and";
    case '.': return "dot";
    case '-': return "dash";
    default: return nullptr;
  }
}

/// "  x y z", three numbers of a line written back as a comment.
void AddCommentTriple(SceneText& out, float x, float y, float z) {
  char* text = out.Room(3 * kFormatGSize + 2);
  text[0] = ' ';
  text[1] = ' ';
  out.Commit(static_cast<size_t>(2 + FormatGTriple(x, y, z, ' ', text + 2)));
}

/// Writes the identifier of `name` without its suffix into `id` (room for
/// kIdentifierRoom bytes) and returns its length; sets `*cut` when it was
/// cut to kMaxIdentifier characters, which then take no suffix.
size_t IdentifierBody(const std::string& name, char* id, bool* cut) {
  size_t length = 0;
  // POV-Ray identifiers may not start with a digit.
  if (!name.empty() && IsDigit(static_cast<unsigned char>(name[0])))
    id[length++] = '_';
  for (const char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (IsDigit(c) || IsLetter(c)) {
      id[length++] = ch;
    } else if (const char* word = ReplacementWord(c)) {
      const size_t size = std::strlen(word);
      id[length++] = '_';
      std::memcpy(id + length, word, size);
      length += size;
      id[length++] = '_';
    } else {
      id[length++] = '_';
      id[length++] = kUpperHexDigits[c >> 4];
      id[length++] = kUpperHexDigits[c & 0xF];
      id[length++] = '_';
    }
    if (length > kMaxIdentifier) {
      // Keeps identifiers within POV-Ray's length limit.
      std::memcpy(id + kMaxIdentifier - 6, "MAX125", 6);
      *cut = true;
      return kMaxIdentifier;
    }
  }
  return length;
}

bool IsPartOrPrimitive(const DatFile& record) {
  return record.Has(PART) || record.Has(PRIMITIVE);
}

/// Where the text after "// " starts when the line's stored text is
/// written as a comment: past a leading "//" and one blank after it.
size_t CommentStart(const std::string& text) {
  if (text.compare(0, 2, "//") != 0) return 0;
  size_t start = 2;
  if (start < text.size() && text[start] == ' ') ++start;
  return start;
}

/// One declaration in the making: the counting pass, the writing pass and
/// the slope declaration of one file.
class DeclarationWriter {
 public:
  DeclarationWriter(FILE* file, DatFile& record, bool is_model,
                    SceneWriterContext& ctx)
      : file_(file),
        record_(record),
        is_model_(is_model),
        ctx_(ctx),
        identifier_(MakeIdentifier(record.name, ctx.identifier_suffix)),
        lean_(ctx.settings.Has(LeanScene)),
        hold_(lean_ && is_model) {}

  /// Counts, then writes when there is anything to write.
  void Declare();

 private:
  bool StepsWanted() const;
  bool IsTransparent(int32_t colour) const;
  const LgeoElement* ElementOf(const DatFile& ref) const;
  bool IsStudLike(const DatLine& line) const;

  void CountLines();
  void CountReference(const DatLine& line, bool* mesh_open);
  void WriteHead();
  void WriteLines();
  void WriteComment(const DatLine& line, bool last);
  void WriteBlockCommand(const DatLine& line, int keyword);
  bool DirectiveFits(int keyword);
  void CloseOpenPovBlocks();
  void WriteReference(const DatLine& line);
  void WriteLight(const DatLine& line);
  void WriteSimpleReference(const DatLine& line, const DatFile& ref);
  void WriteExtendedReference(const DatLine& line, const DatFile& ref,
                              const LgeoElement* element);
  void WriteVariant(const DatLine& line, const DatFile& ref, bool lgeo,
                    bool transparent, bool slope, const std::string& indent);
  void WritePolygon(const DatLine& line);
  void EndMesh();
  void OpenStuds();
  void CloseStuds();
  void Step();
  void CloseStep();
  void WriteSlopeDeclaration();

  const char* StudIndent() const { return studs_open_ ? "\t" : ""; }
  /// Hands the text collected in out_ to the scene file.
  void Flush() {
    if (!namings_.empty()) {
      ctx_.lifetimes.Place(namings_, out_.text(), std::ftell(file_));
      namings_.clear();
    }
    out_.WriteTo(file_);
  }
  /// Moves the text collected in out_ and its namings to `held`.
  void Hold(std::string* held, std::vector<Naming>* held_namings) {
    held->assign(out_.text());
    out_.Clear();
    held_namings->swap(namings_);
    namings_.clear();
  }
  /// Notes every identifier the line of POV code `code`, about to be
  /// written, may name.
  void NamedInCode(const std::string& code) {
    const size_t offset = out_.text().size();
    size_t at = 0;
    while (at < code.size()) {
      const unsigned char c = static_cast<unsigned char>(code[at]);
      if (!IsLetter(c) && c != '_') {
        // Digits glued to letters belong to the word they follow.
        ++at;
        while (at < code.size() &&
               IsDigit(static_cast<unsigned char>(code[at])))
          ++at;
        continue;
      }
      size_t end = at + 1;
      while (end < code.size() &&
             (IsLetter(static_cast<unsigned char>(code[end])) ||
              IsDigit(static_cast<unsigned char>(code[end])) || code[end] == '_'))
        ++end;
      namings_.push_back(Naming{
          ctx_.lifetimes.LifetimeOfText(std::string_view(code).substr(at, end - at)),
          offset});
      at = end;
    }
  }
  /// In the lean form, notes that the line being written names `ref`'s
  /// identifier in `form`.
  void Named(const DatFile& ref, IdentifierForm form) {
    if (!lean_) return;
    namings_.push_back(Naming{
        ctx_.lifetimes.Lifetime(ref, form, ctx_.identifier_suffix),
        out_.text().size()});
  }

  FILE* file_;
  DatFile& record_;
  bool is_model_;
  SceneWriterContext& ctx_;
  std::string identifier_;
  bool lean_;  // the lean form: identifiers named are reported
  bool hold_;  // the lean form's main model: its object is held back
  std::vector<Naming> namings_;  // the lean form's namings in out_
  // The declaration's text on its way to file_: everything this writer
  // writes goes through it, and it is flushed before anybody else writes.
  SceneText out_;

  // Counting pass.
  int objects_ = 0;
  int solid_objects_ = 0;
  int slope_references_ = 0;  // to slope files in a colour other than 16
  bool step_clock_ = false;

  // Writing pass.
  int block_state_ = 0;  // 0 none, 1 IFPOV, 2 IFNOTPOV, 3 ELSEPOV outside
  // The #if directives written and not yet ended; true once a level has
  // its #else.
  std::vector<bool> open_directives_;
  int texture_ = -1;
  bool mesh_open_ = false;
  int32_t mesh_colour_ = 0;
  int mesh_texture_ = -1;
  bool studs_open_ = false;
  int steps_ = 0;
  int slope16_written_ = 0;
};

bool DeclarationWriter::StepsWanted() const {
  return ctx_.settings.Has(StepClock) ||
         (ctx_.settings.Has(StepClockModelOnly) && is_model_);
}

bool DeclarationWriter::IsTransparent(int32_t colour) const {
  uint32_t attributes = 0;
  ctx_.scene.colours.ColourToRgb(colour, nullptr, &attributes);
  return (attributes & kAlphaGiven) != 0;
}

const LgeoElement* DeclarationWriter::ElementOf(const DatFile& ref) const {
  return ctx_.scene.lgeo.FindLgeoElement(ref.name, 0,
                                         ctx_.settings.SubstitutionOrder);
}

// A reference that only adds studs to the shape: it goes inside the studs
// conditional, and it does not count as a solid object, so that a
// declaration never ends up as an object with nothing in it when studs are
// switched off.
bool DeclarationWriter::IsStudLike(const DatLine& line) const {
  if (line.flags & LIGHT) return false;
  return line.file->Has(STUD) || line.file->solidElementCount == 0;
}

void DeclarationWriter::CountReference(const DatLine& line, bool* mesh_open) {
  *mesh_open = false;
  DatFile& ref = *line.file;
  if (ref.writeMark == 0) {
    WriteDeclaration(file_, ref, false, ctx_);
    ctx_.scene.files.FreeFileLines(ref);
  }
  if (line.flags & LIGHT) {
    ++objects_;
    ++solid_objects_;
    return;
  }
  if (ref.elementCount <= 0) return;
  ++objects_;
  if (!IsStudLike(line)) ++solid_objects_;
  if (ref.Has(SLOPE_DECLARED) && line.colour != kInheritedColour)
    ++slope_references_;
}

void DeclarationWriter::CountLines() {
  int state = 0;
  int texture = -1;
  bool mesh_open = false;
  int32_t mesh_colour = 0;
  int mesh_texture = -1;
  for (const DatLine& line : record_.lines) {
    if (line.type == 0) {
      if (line.flags & TEXTURE) {
        texture = line.colour == 0 ? -1 : line.colour;
        continue;
      }
      if ((line.flags & STEP) && StepsWanted()) step_clock_ = true;
      const std::optional<int> keyword = PovBlockKeyword(line.text.c_str());
      if (!keyword) continue;
      mesh_open = false;
      if (objects_ < 2) objects_ = 2;
      if (solid_objects_ < 2) solid_objects_ = 2;
      state = *keyword == 3 ? 3 - state : *keyword;
      continue;
    }
    if (state != 0) continue;
    if (line.type == 1 && line.file != nullptr) {
      CountReference(line, &mesh_open);
    } else if ((line.type == 3 || line.type == 4) &&
               PolygonIsVisible(line)) {
      if (mesh_open &&
          (line.colour != mesh_colour || texture != mesh_texture))
        mesh_open = false;
      if (!mesh_open) {
        mesh_open = true;
        mesh_colour = line.colour;
        mesh_texture = texture;
        ++objects_;
        ++solid_objects_;
      }
    }
  }
}

void DeclarationWriter::WriteHead() {
  Flush();
  if (!hold_) {
    WriteDeclarationGuard(file_, record_, is_model_, true, ctx_);
    out_.Add("#declare ");
    out_.Add(identifier_.c_str());
    out_.Add(" = ");
  }
  if (record_.Has(PART)) {
    out_.Add("#if (R7Quality = 0) box { ");
    out_.AddVectorG(record_.bbox.min);
    out_.Add(", ");
    out_.AddVectorG(record_.bbox.max);
    out_.Add(" } #else ");
  }
  // A step clock may hide every member, and POV-Ray refuses an empty
  // object; an empty union only draws a warning.
  if (step_clock_)
    out_.Add("union {\n");
  else if (objects_ == 1)
    out_.Add(slope_references_ > 0
                 ? "#if (R7Quality > 0) union #else object #end {\n"
                 : "object {\n");
  else
    out_.Add(solid_objects_ == 1 ? "#if (R7Studs) union #else object #end {\n"
                                 : "union {\n");
}

void DeclarationWriter::EndMesh() {
  if (!mesh_open_) return;
  if (mesh_colour_ != kInheritedColour) {
    out_.Add("\t\t");
    AddMaterial(out_, mesh_colour_, mesh_texture_ == kTextureSlope);
    out_.Add('\n');
  }
  out_.Add("\t}\n");
  mesh_open_ = false;
}

void DeclarationWriter::OpenStuds() {
  if (studs_open_) return;
  out_.Add("\t#if (R7Studs)\n");
  studs_open_ = true;
}

void DeclarationWriter::CloseStuds() {
  if (!studs_open_) return;
  out_.Add("\t#end\n");
  studs_open_ = false;
}

void DeclarationWriter::Step() {
  CloseStep();
  out_.Add("// STEP\n#if (clock > ");
  out_.AddInt(steps_ + 1);
  out_.Add(")\n");
  ++steps_;
}

void DeclarationWriter::CloseStep() {
  if (steps_ == 0) return;
  out_.Add("#end // if (clock > ");
  out_.AddInt(steps_);
  out_.Add(")\n");
}

void DeclarationWriter::WriteBlockCommand(const DatLine& line, int keyword) {
  static constexpr const char* kDirectives[] = {"end", "if (1)", "if (0)",
                                                "else"};
  EndMesh();
  CloseStuds();
  if (!ctx_.settings.Has(ExcludeNonPov)) {
    out_.Add("// ");
    out_.Add(line.text.c_str());
    out_.Add('\n');
    if (DirectiveFits(keyword)) {
      out_.Add('#');
      out_.Add(kDirectives[keyword]);
      out_.Add('\n');
    }
  }
  block_state_ = keyword == 3 ? 3 - block_state_ : keyword;
}

// POV-Ray stops at an #end or #else without its #if, and at an #if left
// open when the declaration ends. A model whose blocks do not pair up keeps
// the stray commands as comments only, and blocks still open at the end of
// the file are ended there (CloseOpenPovBlocks).
bool DeclarationWriter::DirectiveFits(int keyword) {
  switch (keyword) {
    case 1:
    case 2:
      open_directives_.push_back(false);
      return true;
    case 0:
      if (open_directives_.empty()) return false;
      open_directives_.pop_back();
      return true;
    default:  // ELSEPOV
      if (open_directives_.empty() || open_directives_.back()) return false;
      open_directives_.back() = true;
      return true;
  }
}

void DeclarationWriter::CloseOpenPovBlocks() {
  for (; !open_directives_.empty(); open_directives_.pop_back())
    out_.Add("#end\n");
}

void DeclarationWriter::WriteComment(const DatLine& line, bool last) {
  // Inside an IFPOV block the comment lines are the POV code itself.
  if (block_state_ == 1) {
    if (lean_) NamedInCode(line.text);
    out_.Add(line.text.c_str());
    out_.Add('\n');
    return;
  }
  if (block_state_ != 0 && ctx_.settings.Has(ExcludeNonPov)) return;
  const size_t start = CommentStart(line.text);
  if (start == line.text.size() && last) return;
  out_.Add("// ");
  out_.Add(line.text.c_str() + start);
  out_.Add('\n');
}

void DeclarationWriter::WriteLight(const DatLine& line) {
  float rgb[3] = {0.5f, 0.5f, 0.5f};
  ctx_.scene.colours.ColourToRgb(line.colour, rgb);
  out_.Add("\tlight_source {\n\t\t");
  out_.AddVectorG(Vector{line.matrix.at(0, 3), line.matrix.at(1, 3),
                         line.matrix.at(2, 3)});
  out_.Add("\n\t\tcolor rgb ");
  out_.AddVectorG(Vector{rgb[0], rgb[1], rgb[2]});
  out_.Add(ctx_.settings.Has(Shadowless) ? "\n\t\tshadowless\n\t}\n"
                                         : "\n\t}\n");
}

void DeclarationWriter::WriteSimpleReference(const DatLine& line,
                                             const DatFile& ref) {
  out_.Add(StudIndent());
  out_.Add("\tobject { ");
  AddIdentifier(out_, ref.name, ctx_.identifier_suffix);
  Named(ref, IdentifierForm::kPlain);
  out_.Add(' ');
  AddPlacementMatrix(out_, line.matrix);
  if (line.colour != kInheritedColour && ref.Has(INHERITS_COLOUR)) {
    out_.Add(' ');
    AddMaterial(out_, line.colour, false);
  }
  out_.Add(" }\n");
}

void DeclarationWriter::WriteVariant(const DatLine& line, const DatFile& ref,
                                     bool lgeo, bool transparent, bool slope,
                                     const std::string& indent) {
  const char* in = indent.c_str();
  const char* suffix = slope ? "_slope" : (lgeo && transparent ? "_clear" : "");
  out_.Add(in);
  out_.Add("object {\n");
  out_.Add(in);
  out_.Add('\t');
  AddIdentifier(out_, ref.name, ctx_.identifier_suffix);
  out_.Add(suffix);
  Named(ref, slope ? IdentifierForm::kSlope
                   : (lgeo && transparent ? IdentifierForm::kClear
                                          : IdentifierForm::kPlain));
  out_.Add('\n');
  // LGEO's transparent elements touch each other exactly; a small seam keeps
  // their surfaces apart. Other parts placed rigidly get the user's seam.
  if (lgeo && transparent) {
    out_.Add(in);
    out_.Add('\t');
    AddSeamMatrix(out_, ref, "0.01", ctx_.settings.SeamWidth);
  } else if (!lgeo && (line.flags & RIGID)) {
    out_.Add(in);
    out_.Add('\t');
    AddSeamMatrix(out_, ref, transparent ? "R7SWT" : "R7SW",
                  ctx_.settings.SeamWidth);
  }
  out_.Add(in);
  out_.Add('\t');
  AddPlacementMatrix(out_, line.matrix);
  if (line.colour != kInheritedColour && ref.Has(INHERITS_COLOUR)) {
    out_.Add('\n');
    out_.Add(in);
    out_.Add('\t');
    AddMaterial(out_, line.colour, slope);
  }
  out_.Add('\n');
  out_.Add(in);
  out_.Add("}\n");
}

void DeclarationWriter::WriteExtendedReference(const DatLine& line,
                                               const DatFile& ref,
                                               const LgeoElement* element) {
  const bool transparent = IsTransparent(line.colour);
  const bool lgeo = element != nullptr && element->chosenSet == 'L';
  bool slope_variant = ref.Has(SLOPE_DECLARED);
  if (slope_variant && line.colour == kInheritedColour) {
    // The user's colour decides; the slope object is made one level up.
    slope_variant = false;
    record_.flags |= SLOPE_DECLARED;
    ++slope16_written_;
  }
  const bool merge = transparent && lgeo && ref.Has(SLOPE_DECLARED);
  const std::string outer = StudIndent();
  std::string indent = outer + "\t";
  if (merge) {
    out_.Add(outer.c_str());
    out_.Add("\t#if (R7Quality > 0) merge #else object #end {\n");
    indent += "\t";
  }
  WriteVariant(line, ref, lgeo, transparent, false, indent);
  if (slope_variant) {
    out_.Add(indent.c_str());
    out_.Add("#if (R7Quality > 0)\n");
    WriteVariant(line, ref, lgeo, transparent, true, indent + "\t");
    out_.Add(indent.c_str());
    out_.Add("#end\n");
  }
  if (merge) {
    out_.Add(outer.c_str());
    out_.Add("\t}\n");
  }
}

void DeclarationWriter::WriteReference(const DatLine& line) {
  const DatFile& ref = *line.file;
  const bool light = (line.flags & LIGHT) != 0;
  if (ref.elementCount <= 0 && !light) return;
  EndMesh();
  if (record_.solidElementCount > 0) {
    if (IsStudLike(line))
      OpenStuds();
    else
      CloseStuds();
  }
  if (!IsPartOrPrimitive(record_)) {
    out_.Add(StudIndent());
    out_.Add("\t//");
    AddLineComment(out_, line);
  }
  if (light) {
    WriteLight(line);
    return;
  }
  const LgeoElement* element = ElementOf(ref);
  if (element == nullptr && !(line.flags & RIGID) && !ref.Has(SLOPE_DECLARED))
    WriteSimpleReference(line, ref);
  else
    WriteExtendedReference(line, ref, element);
}

void DeclarationWriter::WritePolygon(const DatLine& line) {
  // A polygon none of whose triangles survives is not written at all:
  // POV-Ray would drop its triangles, and it refuses a mesh left without
  // any.
  WrittenCorners corners;
  const bool surely_visible = SurelyHasVisibleTriangle(line);
  FormatCorners(line, !surely_visible, &corners, &ctx_.corner_texts);
  if (!surely_visible && !HasVisibleTriangle(line, corners)) return;
  CloseStuds();
  if (mesh_open_ && (line.colour != mesh_colour_ || texture_ != mesh_texture_))
    EndMesh();
  if (!mesh_open_) {
    out_.Add("\tmesh {\n");
    mesh_open_ = true;
    mesh_colour_ = line.colour;
    mesh_texture_ = texture_;
  }
  if (!IsPartOrPrimitive(record_)) {
    out_.Add("\t\t//");
    AddLineComment(out_, line);
  }
  const int count = line.type == 4 ? 2 : 1;
  for (int t = 0; t < count; ++t) {
    AddMeshTriangle(out_, corners, kMeshTriangles[t]);
  }
}

void DeclarationWriter::WriteLines() {
  const bool exclude = ctx_.settings.Has(ExcludeNonPov);
  const size_t count = record_.lines.size();
  for (size_t i = 0; i < count; ++i) {
    const DatLine& line = record_.lines[i];
    if (line.type == 0) {
      if (line.flags & TEXTURE) {
        texture_ = line.colour == 0 ? -1 : line.colour;
        continue;
      }
      if ((line.flags & STEP) && StepsWanted()) {
        EndMesh();
        CloseStuds();
        Step();
        continue;
      }
      const std::optional<int> keyword = PovBlockKeyword(line.text.c_str());
      if (keyword)
        WriteBlockCommand(line, *keyword);
      else
        WriteComment(line, i + 1 == count);
      continue;
    }
    if (exclude && block_state_ != 0) continue;
    if (line.type == 1 && line.file != nullptr)
      WriteReference(line);
    else if (line.type == 3 || line.type == 4)
      WritePolygon(line);
  }
}

void DeclarationWriter::WriteSlopeDeclaration() {
  const bool steps_used = steps_ > 0;
  if (!hold_) {
    out_.Add("\n#if (R7Quality > 0)\n#declare ");
    out_.Add(identifier_.c_str());
    out_.Add("_slope = ");
  }
  out_.Add(slope16_written_ == 1 && !steps_used ? "object {\n" : "union {\n");
  // Whatever the clock hides, the union keeps two members, far away.
  if (steps_used)
    out_.Add("\tsphere {<1e9,1e9,1e9>,1} sphere {<1e9,1e9,1e9>,1} //HACK\n");
  steps_ = 0;
  for (const DatLine& line : record_.lines) {
    if (line.type == 0 && line.text == "STEP" && StepsWanted()) {
      Step();
      continue;
    }
    if (line.type != 1 || line.file == nullptr ||
        line.colour != kInheritedColour)
      continue;
    const DatFile& ref = *line.file;
    if (!ref.Has(SLOPE_DECLARED) || ref.elementCount <= 0) continue;
    out_.Add("\tobject { ");
    AddIdentifier(out_, ref.name, ctx_.identifier_suffix);
    Named(ref, IdentifierForm::kSlope);
    out_.Add("_slope ");
    AddPlacementMatrix(out_, line.matrix);
    out_.Add(" }\n");
  }
  CloseStep();
  out_.Add(hold_ ? "}\n" : "}\n#end\n");
}

void DeclarationWriter::Declare() {
  CountLines();
  record_.elementCount = objects_;
  record_.solidElementCount = solid_objects_;
  if (objects_ == 0) return;
  WriteHead();
  WriteLines();
  CloseStuds();
  EndMesh();
  CloseOpenPovBlocks();
  CloseStep();
  out_.Add(record_.Has(PART) ? "}\n#end\n" : "}\n");
  const int steps_used = steps_;
  if (hold_) {
    Hold(&ctx_.held_model, &ctx_.held_model_namings);
    ctx_.held_model_slope.clear();
    ctx_.held_slope_namings.clear();
    if (record_.Has(SLOPE_DECLARED)) {
      WriteSlopeDeclaration();
      Hold(&ctx_.held_model_slope, &ctx_.held_slope_namings);
    }
    ctx_.model_held = true;
  } else {
    if (record_.Has(SLOPE_DECLARED)) WriteSlopeDeclaration();
    Flush();
    WriteDeclarationGuard(file_, record_, is_model_, false, ctx_);
  }
  record_.writeMark = 'N';
  if (steps_used > 0)
    std::fprintf(ctx_.scene.diag.message_stream, "Number of steps: %d\n",
                 steps_used + 1);
}

/// Offers a part or primitive to the substitutions in SubstitutionOrder;
/// true when one of them declared it.
bool Substitute(FILE* file, DatFile& record, bool is_model,
                SceneWriterContext& ctx) {
  // The order string may change while a substitution runs (it never does
  // today), so walk a copy.
  const std::string order = ctx.settings.SubstitutionOrder;
  for (const char kind : order) {
    bool written = false;
    switch (kind) {
      case 'P': written = WritePovEquivalent(file, record, is_model, ctx); break;
      case '3': written = WritePovPartsInclude(file, record, is_model, ctx); break;
      case 'L':
      case 'A':
        written = WriteElementInclude(file, record, is_model, kind, ctx);
        break;
      default: break;
    }
    if (!written) continue;
    WriteDeclarationGuard(file, record, is_model, false, ctx);
    record.elementCount = 1;
    record.solidElementCount = record.Has(STUD) ? 0 : 1;
    record.writeMark = kind;
    return true;
  }
  return false;
}

/// The held object text without its last line end.
std::string_view HeldObject(const std::string& held) {
  std::string_view text = held;
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return text;
}

/// The lean form's model object: the main model's object (and slope
/// object) written where the normal scene names their identifiers, with
/// the same material.
void WriteHeldModel(FILE* file, SceneWriterContext& ctx,
                    const std::string& material, bool inherits) {
  const long base = std::ftell(file);
  SceneText text;
  text.Add("object { ");
  const std::string_view model = HeldObject(ctx.held_model);
  ctx.lifetimes.Place(ctx.held_model_namings, ctx.held_model,
                      base + static_cast<long>(text.text().size()));
  text.Append(model.data(), model.size());
  text.Add(' ');
  text.Add(material.c_str());
  text.Add(inherits ? " }\n" : "}\n");
  if (!ctx.held_model_slope.empty()) {
    const std::string slope_material =
        inherits ? MaterialText(ctx.settings.DefaultColor, true) : "";
    text.Add("#if (R7Quality > 0)\n\tobject { ");
    const std::string_view slope = HeldObject(ctx.held_model_slope);
    ctx.lifetimes.Place(ctx.held_slope_namings, ctx.held_model_slope,
                        base + static_cast<long>(text.text().size()));
    text.Append(slope.data(), slope.size());
    text.Add(' ');
    text.Add(slope_material.c_str());
    text.Add(inherits ? " }\n#end\n" : "}\n#end\n");
  }
  text.WriteTo(file);
  ctx.model_held = false;
  ctx.held_model.clear();
  ctx.held_model_namings.clear();
  ctx.held_model_slope.clear();
  ctx.held_slope_namings.clear();
}

}  // namespace

std::string MakeIdentifier(const std::string& name, const std::string& suffix) {
  char id[kIdentifierRoom];
  bool cut = false;
  const size_t length = IdentifierBody(name, id, &cut);
  std::string text(id, length);
  if (!cut) text += suffix;
  return text;
}

void AddIdentifier(SceneText& text, const std::string& name,
                   const std::string& suffix) {
  char id[kIdentifierRoom];
  bool cut = false;
  text.Append(id, IdentifierBody(name, id, &cut));
  if (!cut) text.Add(suffix.c_str());
}

void WriteDeclarationGuard(FILE* file, const DatFile& record, bool is_model,
                           bool open, const SceneWriterContext& ctx) {
  SceneText text;
  if (!open) {
    text.Add("#end // ifndef (");
    AddIdentifier(text, record.name, ctx.identifier_suffix);
    text.Add(")\n\n");
    text.WriteTo(file);
    return;
  }
  const char* kind = is_model                 ? "Model"
                     : record.Has(PRIMITIVE) ? "Primitive"
                     : record.Has(PART)      ? "Part"
                                             : "Submodel";
  text.Add("\n//// ");
  text.Add(kind);
  text.Add(' ');
  text.Add(record.name.c_str());
  text.Add("\n#ifndef (");
  AddIdentifier(text, record.name, ctx.identifier_suffix);
  text.Add(")\n");
  text.WriteTo(file);
}

void AddPlacementMatrix(SceneText& out, const Matrix& m) {
  char* text = out.Room(8 + 4 * (3 * kFormatGSize + 1));
  std::memcpy(text, "matrix <", 8);
  int length = 8;
  for (int col = 0; col < 4; ++col) {
    length += FormatGTriple(m.at(0, col), m.at(1, col), m.at(2, col), ',',
                            text + length);
    text[length++] = col < 3 ? ',' : '>';
  }
  out.Commit(static_cast<size_t>(length));
}

void AddSeamMatrix(SceneText& out, const DatFile& record, const char* seam,
                   float seam_width) {
  const float min[3] = {record.bbox.min.x, record.bbox.min.y,
                        record.bbox.min.z};
  const float max[3] = {record.bbox.max.x, record.bbox.max.y,
                        record.bbox.max.z};
  float size[3], centre[3];
  for (int i = 0; i < 3; ++i) {
    size[i] = max[i] - min[i];
    centre[i] = (min[i] + max[i]) / 2;
  }
  out.Add("matrix <");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) out.Add(",0,0,0,");
    if (size[i] == 0 || size[i] <= seam_width) {
      out.Add('1');
      continue;
    }
    out.Add("1-");
    out.Add(seam);
    out.Add('/');
    out.AddG(size[i]);
  }
  for (int i = 0; i < 3; ++i) {
    if (size[i] == 0 || centre[i] == 0 || size[i] <= seam_width) {
      out.Add(",0");
      continue;
    }
    out.Add(',');
    out.Add(seam);
    out.Add('/');
    // The quotient of two floats is a float.
    out.AddG(size[i] / centre[i]);
  }
  out.Add(">\n");
}

void WriteSeamMatrix(FILE* file, const DatFile& record, const char* seam,
                     float seam_width) {
  SceneText text;
  AddSeamMatrix(text, record, seam, seam_width);
  text.WriteTo(file);
}

void AddLineComment(SceneText& out, const DatLine& line) {
  out.Add(' ');
  out.AddInt(line.type);
  out.Add(' ');
  if (line.type == 0)
    out.Add(line.text.c_str());
  else
    out.AddColour(line.colour);
  int rows = 0;
  switch (line.type) {
    case 1:
      AddCommentTriple(out, line.matrix.at(0, 3), line.matrix.at(1, 3),
                       line.matrix.at(2, 3));
      rows = 3;
      break;
    case 2: rows = 2; break;
    case 3: rows = 3; break;
    case 4:
    case 5: rows = 4; break;
    default: break;
  }
  for (int k = 0; k < rows; ++k)
    AddCommentTriple(out, line.matrix.at(k, 0), line.matrix.at(k, 1),
                     line.matrix.at(k, 2));
  if (line.type == 1 && line.file != nullptr) {
    out.Add(' ');
    out.Add(line.file->name.c_str());
  }
  out.Add('\n');
}

void WriteDeclaration(FILE* file, DatFile& record, bool is_model,
                      SceneWriterContext& ctx) {
  if (record.writeMark != 0) return;
  record.writeMark = ' ';
  WriteSceneHeader(ctx.scene, file);
  ctx.stats.CountDeclaredFile(record);
  FlushColourTextures(ctx.scene, file);
  if (IsPartOrPrimitive(record) && Substitute(file, record, is_model, ctx))
    return;
  DeclarationWriter(file, record, is_model, ctx).Declare();
}

void WriteModelObject(FILE* file, SceneWriterContext& ctx) {
  const DatFile& model = ctx.scene.files.slot(0);
  const Settings& settings = ctx.settings;
  const std::string id = MakeIdentifier(model.name, ctx.identifier_suffix);
  WriteSectionTitle(file, "ModelObject %s", model.name.c_str());
  uint32_t attributes = 0;
  ctx.scene.colours.ColourToRgb(settings.DefaultColor, nullptr, &attributes);
  const bool clear =
      (attributes & kAlphaGiven) != 0 &&
      ctx.scene.lgeo.FindLgeoElement(model.name, 'L',
                                     settings.SubstitutionOrder) != nullptr;
  const bool inherits = model.Has(INHERITS_COLOUR);
  const std::string material =
      inherits ? MaterialText(settings.DefaultColor, false) : "";
  if (ctx.model_held) {
    WriteHeldModel(file, ctx, material, inherits);
  } else {
    std::fprintf(file, "object { %s%s %s%s}\n", id.c_str(),
                 clear ? "_clear" : "", material.c_str(), inherits ? " " : "");
    if (model.Has(SLOPE_DECLARED)) {
      const std::string slope_material =
          inherits ? MaterialText(settings.DefaultColor, true) : "";
      std::fprintf(file,
                   "#if (R7Quality > 0)\n\tobject { %s_slope %s%s}\n#end\n",
                   id.c_str(), slope_material.c_str(), inherits ? " " : "");
    }
  }
  std::fputs("\n\n", file);
}

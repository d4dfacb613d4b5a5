#include "pov/prepared_parts.h"

#include <cstdio>
#include <string>

#include "colour/lgeo_lists.h"
#include "base/settings.h"
#include "model/statistics.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "pov/colour_textures.h"
#include "pov/declarations.h"
#include "pov/scene_frame.h"
#include "pov/scene_state.h"

namespace {

/// Longest line of an R7PPARTS file that is read as one line.
constexpr size_t kMaxPovPartsLine = 199;
constexpr int kNewestVersionMajor = 1;
constexpr int kNewestVersionMinor = 4;
constexpr char kCtrlZ = 26;

bool EndsWithIgnoringCase(const std::string& text, const char* suffix) {
  const size_t n = std::char_traits<char>::length(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = text[text.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

/// Reads one line of an include file: CR, LF, CR LF and LF CR each end a
/// line, Ctrl-Z is dropped, and a line longer than 199 characters is
/// continued as the next line. False at the end of the file.
bool ReadPovPartsLine(FILE* in, std::string* line) {
  line->clear();
  int c = std::fgetc(in);
  if (c == EOF) return false;
  while (c != EOF) {
    if (c == '\r' || c == '\n') {
      const int next = std::fgetc(in);
      if (next != EOF && next != c && (next == '\r' || next == '\n')) break;
      if (next != EOF) std::ungetc(next, in);
      break;
    }
    if (c != kCtrlZ) line->push_back(static_cast<char>(c));
    if (line->size() == kMaxPovPartsLine) break;
    c = std::fgetc(in);
  }
  return true;
}

/// The file name as the messages and the #include line show it: up to and
/// including its last '.', with '/' between folders.
std::string IncludeStem(const std::string& name) {
  const size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos ? name + "." : name.substr(0, dot + 1);
  for (char& c : stem)
    if (c == '\\') c = '/';
  return stem;
}

/// The text of the file's first line when that line is a comment (a
/// leading "//" and one blank dropped); false when there is none.
bool FirstComment(const DatFile& record, std::string* text) {
  if (record.lines.empty() || record.lines.front().type != 0) return false;
  const std::string& line = record.lines.front().text;
  size_t start = 0;
  if (line.compare(0, 2, "//") == 0) {
    start = 2;
    if (start < line.size() && line[start] == ' ') ++start;
  }
  *text = line.substr(start);
  return true;
}

std::string NormalizeUsesName(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '/') c = '\\';
  }
  return name;
}

/// Acts on the R7PDATA lines of an open include file. False when the file
/// is too new to be used.
bool ReadPovPartsData(FILE* in, const std::string& stem, FILE* file,
                      SceneWriterContext& ctx) {
  FILE* messages = ctx.scene.diag.message_stream;
  std::string line;
  char word[kMaxPovPartsLine + 1];
  while (ReadPovPartsLine(in, &line)) {
    int major = 0, minor = 0;
    if (std::sscanf(line.c_str(), "// R7PDATA: version %d.%d", &major,
                    &minor) == 2) {
      if (major > kNewestVersionMajor ||
          (major == kNewestVersionMajor && minor > kNewestVersionMinor)) {
        std::fprintf(messages,
                     "*** Version %d.%d of R7PPARTS/%sinc too new for this "
                     "R7P\n",
                     major, minor, stem.c_str());
        return false;
      }
    } else if (std::sscanf(line.c_str(), "// R7PDATA: flag %199s", word) ==
               1) {
      const std::string flag = word;
      std::fprintf(messages, "*** %s R7PDATA flag '%s' in R7PPARTS/%sinc\n",
                   flag == "slope" ? "Obsolete" : "Unknown", word,
                   stem.c_str());
    } else if (std::sscanf(line.c_str(), "// R7PDATA: uses %199s", word) ==
               1) {
      const std::string used = NormalizeUsesName(word);
      DatFile* target = ctx.scene.files.LookupFile(used);
      if (target == nullptr) {
        std::fprintf(messages,
                     "*** Unknown part in R7PDATA uses '%s' in "
                     "R7PPARTS/%sinc\n",
                     used.c_str(), stem.c_str());
      } else if (target->writeMark == 0) {
        // The include file refers to this declaration: write it first.
        WriteDeclaration(file, *target, false, ctx);
        ctx.scene.files.FreeFileLines(*target);
      }
    }
  }
  return true;
}

void WriteBoxConditional(FILE* file, const DatFile& record) {
  std::fprintf(file, "#if (R7Quality = 0) box { <%g,%g,%g>, <%g,%g,%g> } #else ",
               static_cast<double>(record.bbox.min.x),
               static_cast<double>(record.bbox.min.y),
               static_cast<double>(record.bbox.min.z),
               static_cast<double>(record.bbox.max.x),
               static_cast<double>(record.bbox.max.y),
               static_cast<double>(record.bbox.max.z));
}

}  // namespace

std::string PovPartsFileName(const std::string& name) {
  std::string result;
  if (EndsWithIgnoringCase(name, ".dat") || EndsWithIgnoringCase(name, ".ldr"))
    result = name.substr(0, name.size() - 4) + ".inc";
  else if (EndsWithIgnoringCase(name, ".inc"))
    result = name;
  else
    return "";
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

bool HasPreparedPart(platform::PathFinder& finder, const std::string& ldraw_dir,
                     const std::string& name) {
  FILE* file = OpenPovPartsFile(finder, ldraw_dir, name);
  if (file == nullptr) return false;
  fclose(file);
  return true;
}

FILE* OpenPovPartsFile(platform::PathFinder& finder,
                       const std::string& ldraw_dir, const std::string& name,
                       std::string* found_path) {
  if (ldraw_dir.empty()) return nullptr;
  const std::string file_name = PovPartsFileName(name);
  if (file_name.empty()) return nullptr;
  std::string path = ldraw_dir;
  if (path.back() != '/') path += '/';
  path += "R7PPARTS/" + file_name;
  if (path.size() > platform::kMaxHostPath) return nullptr;
  return finder.Open(path, found_path);
}

bool WritePovPartsInclude(FILE* file, DatFile& record, bool is_model,
                          SceneWriterContext& ctx) {
  FILE* in = OpenPovPartsFile(ctx.scene.finder, ctx.ldraw_dir, record.name);
  if (in == nullptr) return false;
  const std::string stem = IncludeStem(record.name);
  const bool usable = ReadPovPartsData(in, stem, file, ctx);
  std::fclose(in);
  if (!usable) return false;
  if (record.Has(PART))
    ctx.stats.CountR7pPartsPart();
  else if (record.Has(PRIMITIVE))
    ctx.stats.CountR7pPartsPrimitive();
  WriteDeclarationGuard(file, record, is_model, true, ctx);
  std::string comment;
  if (FirstComment(record, &comment))
    std::fprintf(file, "// %s\n", comment.c_str());
  std::fprintf(file, "\t#include \"%sinc\"  // From R7PPARTS\n", stem.c_str());
  return true;
}

bool WriteElementInclude(FILE* file, DatFile& record, bool is_model,
                         char kind, SceneWriterContext& ctx) {
  const LgeoElement* element = ctx.scene.lgeo.FindLgeoElement(
      record.name, kind, ctx.settings.SubstitutionOrder);
  std::string comment;
  const bool has_comment = FirstComment(record, &comment);
  if (element == nullptr) {
    if (kind == 'L' && record.Has(PART))
      std::fprintf(ctx.scene.diag.remark_stream, "Not in LGEO: %s %s\n",
                   record.name.c_str(), comment.c_str());
    return false;
  }
  const bool part = record.Has(PART);
  if (part) {
    if (kind == 'L')
      ctx.stats.CountLgeoPart();
    else
      ctx.stats.CountAxPart();
  }
  const std::string element_name =
      (kind == 'L' ? "lg_" : "ax_") + element->lgeoName;
  const std::string id = MakeIdentifier(record.name, ctx.identifier_suffix);
  const char* transform = "\ttransform R7LgeoToLDraw\n";
  WriteDeclarationGuard(file, record, is_model, true, ctx);
  // The element's own file is read only above quality 0, and only once.
  std::fprintf(file, "#if (R7Quality > 0)\n\t#ifndef (%s)\n",
               element_name.c_str());
  WriteIncludeLine(file, 1, element_name.c_str());
  std::fputs("\t#end\n#end\n", file);
  for (const char* suffix : {"", "_clear"}) {
    if (*suffix != '\0' && kind != 'L') break;
    std::fprintf(file, "#declare %s%s = ", id.c_str(), suffix);
    if (part) WriteBoxConditional(file, record);
    std::fputs("object {\n", file);
    if (has_comment) std::fprintf(file, "// %s\n", comment.c_str());
    std::fprintf(file, "\t%s%s\n%s}\n", element_name.c_str(), suffix,
                 transform);
    if (part) std::fputs("#end\n", file);
  }
  if (kind == 'L' && (element->flags & kLgeoSlope)) {
    record.flags |= SLOPE_DECLARED;
    std::fprintf(file, "#if (R7Quality > 0)\n#declare %s_slope = object {\n",
                 id.c_str());
    if (has_comment) std::fprintf(file, "// %s\n", comment.c_str());
    std::fprintf(file, "\t%s_slope\n%s}\n#end\n", element_name.c_str(),
                 transform);
  }
  return true;
}

Status WriteLgeoComparison(FILE* file, SceneWriterContext& ctx) {
  constexpr int kComparisonColour = 46;
  Settings& settings = ctx.settings;
  WriteColourTexture(ctx.scene, file, kComparisonColour);
  const int default_colour = settings.DefaultColor;
  settings.DefaultColor = kComparisonColour;
  WriteModelObject(file, ctx);
  settings.DefaultColor = default_colour;
  // Declare the same part again, now as its LGEO element, under names of
  // its own so that both versions can stand side by side.
  settings.SubstitutionOrder = "PL";
  ctx.identifier_suffix = "_lgeo";
  DatFile& model = ctx.scene.files.slot(0);
  model.writeMark = 0;
  // The second declaration is the same file again: the statistics gain its
  // LGEO element, not another part.
  const Statistics counted = ctx.stats;
  WriteDeclaration(file, model, true, ctx);
  const bool replaced = model.writeMark == 'L';
  ctx.stats = counted;
  if (replaced && model.Has(PART)) ctx.stats.CountLgeoPart();
  return replaced ? Status::kOk : Status::kFailed;
}

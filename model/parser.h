// Reads one LDraw file (.ldr, .dat, .mpd) into the file table: line types,
// syntax checks, meta-commands, BFC state, MPD sections, transform blocks.
#ifndef R7P_MODEL_PARSER_H_
#define R7P_MODEL_PARSER_H_

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/status.h"
#include "model/dat_file.h"

class ColourTable;
class Diagnostics;
class FileTable;
class LineValidator;
struct PrescannedFile;
struct Settings;
struct RunSwitches;

/// Line-type masks (bit n = type n is stored).
inline constexpr uint32_t kConversionLineTypes = 0x1B;  // 0, 1, 3, 4
inline constexpr uint32_t kAllLineTypes = 0x3F;         // 0..5 (edges drawn)
inline constexpr uint32_t kCheckLineTypes = 0x3E;       // 1..5 (check mode)

/// Everything ReadDatFile needs from the run.
struct ReaderContext {
  Diagnostics& diag;
  Settings& settings;           // reads LightDatLights, sets LightDatFound
  const RunSwitches& switches;  // CheckMode, Verbose
  FileTable& files;
  /// Types whose lines are stored.
  uint32_t line_type_mask = kConversionLineTypes;
  /// The run's line checks; BeginFile() is called when a file is opened and
  /// ValidateLine() before a line of type 1 to 5 is stored. Null: every line
  /// is stored unchecked.
  LineValidator* validator = nullptr;
  /// The colour table that decides whether light.dat's colour is a colour.
  /// Null: every number counts as a colour.
  const ColourTable* colours = nullptr;
  /// Set by ReadDatFile: true when the file's lines went into the file's own
  /// record and nothing else -- no further FILE sections, no transform
  /// blocks, no light.dat, no full table or lack of memory, no title or
  /// author taken. Messages are not considered here.
  bool last_read_plain = false;
};

/// Reads the open `stream` into `file` (and, for a multi-part file, into the
/// records of its further FILE sections; transform blocks become INTERNAL
/// records referenced by synthesised type-1 lines). `referenced_by` is the
/// name of the file whose line led here, null for the main model; `is_main`
/// is set for the main model and its internal blocks (title and author are
/// taken from it). The current file name of the messages becomes
/// file.name and the line number starts at 0. Remarks go through
/// diag.ReportMessage. Sets READ on every section read to its end.
/// kOk when the end of the stream was reached (also when a full table
/// stopped an MPD file), kFailed when the file was abandoned for lack of
/// memory. The stream is closed before returning in every case.
Status ReadDatFile(ReaderContext& context, const char* referenced_by,
                DatFile& file, FILE* stream, bool is_main);
/// The same from the prescanned lines of a file (see PrescanLines), which
/// the reader may alter; everything else is as with the stream.
Status ReadDatFile(ReaderContext& context, const char* referenced_by,
                DatFile& file, PrescannedFile& prescan, bool is_main);

#endif  // R7P_MODEL_PARSER_H_

// How a line of an LDraw file names another file: a type-1 line references
// a part, a primitive or a sub-model, and a "0 FILE" line opens a section of
// a multi-part file. The model reader and the prescan that reads library
// files ahead of it recognise both through these functions, so that the
// files read ahead are the files the reader will ask for.
#ifndef R7P_MODEL_REFERENCE_LINES_H_
#define R7P_MODEL_REFERENCE_LINES_H_

#include <optional>
#include <string>

#include "base/text_scan.h"
#include "model/line_scan.h"

/// The text of a line starting with "0", given `after_zero` (behind the
/// "0"): one blank or tab after the "0" separates it and is skipped;
/// `*separated` tells whether there was one.
const char* CommentText(const char* after_zero, bool* separated);

/// True when the meta-command `meta` (blanks skipped) is "FILE" as a whole
/// word followed by at least one more word.
bool IsFileLine(const char* meta);

/// The name a "0 FILE" meta-command gives its section, as written (quotes
/// taken off, not normalised; possibly empty); nothing when `meta` is no
/// FILE line. `*quotes` tells what was wrong with the name's quotes.
std::optional<std::string> SectionFileName(const char* meta,
                                           NameQuotes* quotes);

/// The normalised target of a type-1 line: `start` is the line from its
/// first non-blank character, `scan` its ScanFiniteGeometryLine. "" unless
/// the scan converted a type 1 with all fifteen items, and for a quoted
/// empty name. `*quotes` tells what was wrong with the name's quotes.
std::string ReferenceTarget(const char* start, const GeometryScan& scan,
                            NameQuotes* quotes);

#endif  // R7P_MODEL_REFERENCE_LINES_H_

// A record's lines as text, for tests that fill a record in two ways and
// compare the results.
#ifndef R7P_TESTS_RECORD_TEXT_H_
#define R7P_TESTS_RECORD_TEXT_H_

#include <string>

#include "model/dat_file.h"

namespace testing_support {

/// Every line of `record`: type, colour, line number, flags, the sixteen
/// numbers in "%a" (exact to the bit), the target's name ("-" for none) and
/// the text, each line in brackets.
std::string LinesText(const DatFile& record);

}  // namespace testing_support

#endif  // R7P_TESTS_RECORD_TEXT_H_

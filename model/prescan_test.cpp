#include "model/prescan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "model/parser.h"
#include "base/text_scan.h"
#include "tests/diagnostics_fixture.h"
#include "tests/record_text.h"
#include "tests/test_support.h"

namespace {

using testing_support::MemoryFile;

// Everything a reading leaves behind: the result, every record of the table
// with its lines (numbers in %a), title and author, and what was written.
struct Reading {
  Status result = Status::kOk;
  bool plain = false;
  std::string records;
  std::string reports;
};

Reading ReadOnce(const std::string& bytes, bool prescanned, bool is_main) {
  MemoryFile remarks;
  MemoryFile messages;
  Diagnostics diag;
  diag.remark_stream = remarks.get();
  diag.message_stream = messages.get();
  diag.warning_level = 3;
  Settings settings;
  settings.SettingsFlags |= LightDatLights;
  RunSwitches switches;
  FileTable files(diag);
  ReaderContext context{diag, settings, switches, files, kAllLineTypes, {}, {}};
  if (is_main) files.SetMainModel("model.ldr");
  DatFile& file = is_main ? files.slot(0) : *files.GetOrAddFile(false, "part.dat");
  Reading reading;
  if (prescanned) {
    PrescannedFile prescan;
    PrescanLines(bytes, &prescan);
    reading.result = ReadDatFile(context, nullptr, file, prescan, is_main);
  } else {
    FILE* stream = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), stream);
    rewind(stream);
    reading.result = ReadDatFile(context, nullptr, file, stream, is_main);
  }
  reading.plain = context.last_read_plain;
  std::string& text = reading.records;
  text = files.title + "|" + files.author + "\n";
  for (int i = 0; i < files.count(); ++i) {
    const DatFile& record = files.slot(i);
    text += record.name + " " + std::to_string(record.flags) + "\n" +
            testing_support::LinesText(record) + "\n";
  }
  reading.reports = remarks.text() + "--\n" + messages.text();
  return reading;
}

// Reading prescanned lines must leave exactly what reading the stream does.
void ExpectSameReading(const std::string& bytes, const std::string& what) {
  for (bool is_main : {false, true}) {
    const Reading streamed = ReadOnce(bytes, false, is_main);
    const Reading prescanned = ReadOnce(bytes, true, is_main);
    EXPECT_EQ(prescanned.result, streamed.result) << what;
    EXPECT_EQ(prescanned.plain, streamed.plain) << what;
    EXPECT_EQ(prescanned.records, streamed.records) << what;
    EXPECT_EQ(prescanned.reports, streamed.reports) << what;
  }
}

TEST(PrescanLines, ReadingPrescannedLinesEqualsReadingTheStream) {
  const std::string long_line =
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 " + std::string(1200, 'x') + ".dat";
  std::string big;  // past the stream reader's 64 KB blocks
  while (big.size() < 200000)
    big += "4 16 0 0 0 1.5 0 0 1 0.25 1 0 -0.125 1\r\n2 24 0 0 0 1 1 1\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty", ""},
      {"no line end", "3 16 0 0 0 1 0 0 0 0 1"},
      {"line ends", "3 16 0 0 0 1 0 0 0 0 1\r\n3 4 1 1 1 2 2 2 3 3 4\n\r"
                    "3 1 0 0 0 1 0 0 0 0 2\r3 2 0 0 0 1 0 0 0 0 3\n\n\r\r"},
      {"blank and blank-only lines", "\n   \n\t\n0\n0 \n1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"},
      {"Ctrl-Z", "3 16 0 0 0 1 0 0 0 0 1\x1a\n3 16 0 \x1a 0 0 1 0 0 0 0 1\n\x1a"},
      {"NUL inside a line", std::string("3 16 0 0 0 1 0 0\0 0 0 1\n3 1 0 0 0 1 0 0 0 0 1\n", 44)},
      {"longer than 999 characters", long_line + "\n" + long_line},
      {"leading free text", "Just a note\n12 apples\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
                            "12 apples\nbad line\n"},
      {"numbers of every kind", "1 0x10 1e2 -0 +.5 1 0 0 0 1 0 0 0 1 a.dat\n"
                                "3 16 nan 0 0 1 0 0 0 0 1\n3 16 1e39 0 0 1 0 0 0 0 1\n"
                                "4 16 0 0 0 1 0 0 1 1 0 0 1 0 trailing words\n"
                                "1 16 0 0 0 1 0 0 0 1 0 0 0 1\n"
                                "1 16 0 0 0 0 0 0 0 0 0 0 0 0 flat.dat\n"
                                "5 24 0.70710678 0 0 1 0 0 0 1 0 0 0 1\n"},
      {"file names", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 \"my part.dat\"\n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 \"open quote.dat\n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 \"\" \n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 S\\Sub Part.DAT\n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 light.dat\n"},
      {"meta-commands", "0 Title\n0 Name: x.dat\n0 Author: Someone\n0 BFC CERTIFY CCW\n"
                        "0 BFC INVERTNEXT\n3 16 0 0 0 1 0 0 0 0 1\n0 STEP\n0 !COLOUR x\n"
                        "0 R7P IFPOV\n0 #declare A = 1;\n0 R7P ENDPOV\n"},
      {"multi-part file", "0 FILE main.ldr\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 sub.ldr\n"
                          "0 FILE sub.ldr\n3 16 0 0 0 1 0 0 0 0 1\n0 FILE \"\"\n"
                          "0FILE glued.ldr\n3 16 0 0 0 1 0 0 0 0 1\n0 NOFILE\n"},
      {"large", big},
  };
  for (const auto& [what, bytes] : cases) ExpectSameReading(bytes, what);
}

TEST(PrescanLines, EveryFileOfTheSharedLibraryReadsTheSame) {
  R7P_REQUIRE_SHARED_LIBRARY();
  size_t files = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(testing_support::SharedLibrary())) {
    if (!entry.is_regular_file()) continue;
    const std::string extension = entry.path().extension().string();
    if (extension != ".dat" && extension != ".ldr" && extension != ".mpd") continue;
    // Every third file keeps the test quick; the models are all taken.
    const bool model = entry.path().parent_path().filename() == "models";
    if (!model && ++files % 3 != 0) continue;
    ExpectSameReading(testing_support::ReadFileText(entry.path().string()),
                      entry.path().string());
  }
  EXPECT_GT(files, 100u);
}

TEST(PrescanLines, EveryLineIsKeptAndOnlyNonCommentsAreScanned) {
  std::string bytes;
  std::vector<std::string> texts;
  for (int i = 0; i < 700; ++i) {
    texts.push_back((i % 3 == 0 ? "0 comment " : "3 16 0 0 0 1 0 0 0 0 ") + std::to_string(i));
    bytes += texts.back() + (i % 2 == 0 ? "\r\n" : "  \n");
  }
  PrescannedFile whole;
  PrescanLines(bytes, &whole);
  ASSERT_EQ(whole.lines.size(), texts.size());
  EXPECT_EQ(whole.scans.size(), 466u);  // the lines not starting with "0"
  int32_t next_scan = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    const PrescannedFile::Line& line = whole.lines[i];
    EXPECT_EQ(whole.LineText(line), texts[i]);
    EXPECT_EQ(line.length, texts[i].size());
    EXPECT_EQ(line.scan, i % 3 == 0 ? -1 : next_scan);
    if (line.scan >= 0) {
      EXPECT_EQ(whole.scans[static_cast<size_t>(line.scan)].items, 11);
      ++next_scan;
    }
  }
  // Prescanning into a used record replaces what it held.
  PrescannedFile reused;
  PrescanLines(bytes, &reused);
  PrescanLines("3 16 0 0 0 1 0 0 0 0 1\n", &reused);
  EXPECT_EQ(reused.lines.size(), 1u);
  EXPECT_EQ(reused.scans.size(), 1u);
  EXPECT_STREQ(reused.LineText(reused.lines[0]), "3 16 0 0 0 1 0 0 0 0 1");
}

TEST(PrescanLines, NamesOfReferencesAndSections) {
  PrescannedFile file;
  PrescanLines(
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 Parts\\S\\3001S01.DAT\n"
      "  1\t4 0 0 0 1 0 0 0 1 0 0 0 1   \"My Part.dat\" extra\n"
      "1 16 0 0 0 1 0 0 0 1 0 0 0 short.dat\n"
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1e39 huge.dat\n"
      "10 16 0 0 0 1 0 0 0 1 0 0 0 1 ten.dat\n"
      "3 16 0 0 0 1 0 0 0 0 1\n"
      "0 FILE Sub/Model.LDR\n",
      &file);
  std::vector<std::string> names;
  for (const PrescannedFile::Line& line : file.lines)
    names.push_back(ReferencedName(file, line));
  EXPECT_EQ(names, (std::vector<std::string>{"parts\\s\\3001s01.dat", "my part.dat", "", "",
                                             "", "", ""}));

  EXPECT_EQ(SectionName("0 FILE Sub/Model.LDR"), "sub\\model.ldr");
  EXPECT_EQ(SectionName("  0\tFILE \"a b.ldr\""), "a b.ldr");
  EXPECT_EQ(SectionName("0FILE glued.ldr"), "glued.ldr");
  EXPECT_EQ(SectionName("0 FILE"), "");
  EXPECT_EQ(SectionName("0 FILES x.ldr"), "");
  EXPECT_EQ(SectionName("0 NOFILE x.ldr"), "");
  EXPECT_EQ(SectionName("1 FILE x.ldr"), "");
  EXPECT_EQ(SectionName("0"), "");
}

}  // namespace

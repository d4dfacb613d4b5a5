#include "model/meta_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "base/diagnostics.h"
#include "tests/diagnostics_fixture.h"
#include "tests/test_support.h"

// gtest finds these beside the types when it prints a failed expectation.
void PrintTo(const BfcLine& line, std::ostream* out) {
  *out << "BfcLine{" << static_cast<int>(line.kind) << ", " << line.options << "}";
}
void PrintTo(const TransformLine& line, std::ostream* out) {
  *out << "TransformLine{" << static_cast<int>(line.role) << ", " << line.kind << "}";
}

namespace {

BfcLine Options(int options) { return {BfcLine::Kind::kOptions, options}; }
BfcLine Bad() { return {BfcLine::Kind::kBad, 0}; }
TransformLine Opens(int kind) { return {TransformLine::Role::kOpens, kind}; }
TransformLine Ends(int kind) { return {TransformLine::Role::kEnds, kind}; }

class MetaCommandsTest : public testing_support::DiagnosticsFixture {
 protected:
  MetaCommandsTest() { ReadingLine("x.dat", 4, "0 line"); }
};

TEST_F(MetaCommandsTest, ParseBfcOptions) {
  EXPECT_EQ(ParseBfc("STEP", diag_), BfcLine{});
  EXPECT_EQ(ParseBfc("bfc CERTIFY", diag_), BfcLine{});
  EXPECT_EQ(ParseBfc("BFCX CERTIFY", diag_), BfcLine{});
  EXPECT_EQ(ParseBfc("BFC   CERTIFY \t CCW", diag_), Options(kBfcCertify | kBfcCcw));
  EXPECT_EQ(ParseBfc("BFC INVERTNEXT", diag_), Options(kBfcInvertNext));
  EXPECT_EQ(Remarks(), "");
  EXPECT_EQ(ParseBfc("BFC", diag_), Bad());
  EXPECT_EQ(ParseBfc("BFC certify", diag_), Bad());
  EXPECT_EQ(ParseBfc("BFC CW CCW", diag_), Bad());
  EXPECT_EQ(ParseBfc("BFC NOCERTIFY CLIP", diag_), Options(kBfcNoCertify | kBfcClip));
  EXPECT_EQ(ParseBfc("BFC NOCERTIFY CLIP NOCLIP", diag_), Bad());
  EXPECT_EQ(Remarks(),
            "SKIPPING \"x.dat\" Line 4: No BFC options specified: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Illegal BFC option: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Only one BFC option from a group allowed: 0 line\n"
            "WARNING \"x.dat\" Line 4: NOCERTIFY must appear alone: 0 line\n"
            "WARNING \"x.dat\" Line 4: NOCERTIFY must appear alone: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Only one BFC option from a group allowed: 0 line\n");
}

TEST_F(MetaCommandsTest, BfcStateTable) {
  BfcState fresh;
  EXPECT_TRUE(ApplyBfc(kBfcCertify | kBfcCcw, fresh, diag_));
  EXPECT_TRUE(fresh.certified && fresh.certify_met && fresh.operational);
  EXPECT_TRUE(ApplyBfc(kBfcCw, fresh, diag_));
  EXPECT_TRUE(ApplyBfc(kBfcInvertNext, fresh, diag_));
  EXPECT_TRUE(fresh.invert_next);
  EXPECT_FALSE(ApplyBfc(kBfcNoCertify, fresh, diag_));
  EXPECT_EQ(Remarks(), "SKIPPING \"x.dat\" Line 4: BFC CERTIFY already met: 0 line\n");

  BfcState implicit;  // a winding statement certifies implicitly
  EXPECT_TRUE(ApplyBfc(kBfcCcw, implicit, diag_));
  EXPECT_TRUE(ApplyBfc(kBfcCertify, implicit, diag_));
  EXPECT_FALSE(ApplyBfc(kBfcNoCertify, implicit, diag_));
  EXPECT_EQ(Remarks(),
            "WARNING \"x.dat\" Line 4: Already BFC certified implicitly: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Already BFC certified implicitly: 0 line\n");

  BfcState late;
  late.operational = true;
  EXPECT_FALSE(ApplyBfc(kBfcNoCertify, late, diag_));
  EXPECT_FALSE(ApplyBfc(kBfcCertify, late, diag_));
  EXPECT_FALSE(ApplyBfc(kBfcClip, late, diag_));
  EXPECT_EQ(Remarks(),
            "SKIPPING \"x.dat\" Line 4: BFC NOCERTIFY must appear before the first operational command-line: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: BFC CERTIFY must appear before the first operational command-line: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: This BFC is ignored because no BFC appeared before the first operational command-line: 0 line\n");

  BfcState uncertified;  // NOCERTIFY first, then the winding in the same line
  EXPECT_TRUE(ApplyBfc(kBfcNoCertify | kBfcCw, uncertified, diag_));
  EXPECT_TRUE(uncertified.nocertify_met);
  EXPECT_TRUE(uncertified.certified);
  EXPECT_FALSE(ApplyBfc(kBfcCw, uncertified, diag_));
  EXPECT_EQ(Remarks(), "SKIPPING \"x.dat\" Line 4: BFC NOCERTIFY already met: 0 line\n");
}

TEST_F(MetaCommandsTest, TransformMetaCommands) {
  DatLine line;
  EXPECT_EQ(ParseTransformMeta("STEP", line, diag_), TransformLine{});
  EXPECT_EQ(ParseTransformMeta("translate 1 2 3", line, diag_), TransformLine{});
  EXPECT_EQ(ParseTransformMeta("TRANSLATE END whatever", line, diag_), Ends(kTranslate));
  EXPECT_EQ(ParseTransformMeta("TRANSFORM END", line, diag_), Ends(kTransform));
  EXPECT_EQ(ParseTransformMeta("TRANSLATE 1 -2 3", line, diag_), Opens(kTranslate));
  EXPECT_EQ(line.matrix.at(0, 3), 1.0f);
  EXPECT_EQ(line.matrix.at(1, 3), -2.0f);
  EXPECT_EQ(line.matrix.at(2, 2), 1.0f);
  EXPECT_EQ(line.matrix.at(3, 3), 1.0f);
  EXPECT_EQ(ParseTransformMeta("SCALE 2.5", line, diag_), Opens(kScale));
  EXPECT_EQ(line.matrix.at(1, 1), 2.5f);
  EXPECT_EQ(line.matrix.at(0, 3), 0.0f);
  EXPECT_EQ(ParseTransformMeta("ROTATE 90 0 0 1", line, diag_), Opens(kRotate));
  EXPECT_NEAR(line.matrix.at(1, 0), 1.0f, 1e-6);  // x axis turns into y
  EXPECT_NEAR(line.matrix.at(0, 0), 0.0f, 1e-6);
  EXPECT_EQ(ParseTransformMeta("TRANSFORM 1 2 3 4 5 6 7 8 9 10 11 12", line, diag_), Opens(kTransform));
  EXPECT_EQ(line.matrix.at(0, 3), 1.0f);
  EXPECT_EQ(line.matrix.at(0, 0), 4.0f);
  EXPECT_EQ(line.matrix.at(2, 2), 12.0f);
  EXPECT_EQ(Remarks(), "");
  EXPECT_EQ(ParseTransformMeta("ROTATE 45 0 0 0", line, diag_), Opens(kRotate));
  EXPECT_EQ(line.matrix.at(0, 0), 1.0f);
  EXPECT_EQ(line.matrix.at(0, 1), 0.0f);
  EXPECT_EQ(ParseTransformMeta("TRANSLATE 1 2", line, diag_), TransformLine{});
  EXPECT_EQ(ParseTransformMeta("SCALE 1 2", line, diag_), TransformLine{});
  EXPECT_EQ(ParseTransformMeta("TRANSLATE", line, diag_), TransformLine{});
  EXPECT_EQ(Remarks(),
            "WARNING \"x.dat\" Line 4: Zero vector: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Illegal syntax: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Illegal syntax: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Illegal syntax: 0 line\n");
  EXPECT_STREQ(TransformKeyword(kRotate), "ROTATE");
  EXPECT_STREQ(TransformKeyword(kNoBlock), "");
}

TEST_F(MetaCommandsTest, PartTypeHeaders) {
  struct Case {
    const char* text;
    uint32_t flags;
  };
  for (const Case& c : {Case{"!LDRAW_ORG Part UPDATE 2004-01", PART},
                        Case{"LDRAW_ORG Subpart", PART},
                        Case{"Unofficial Element", PART},
                        Case{"Un-official sub-part", PART},
                        Case{"Official LCAD Primitive", PRIMITIVE},
                        Case{"ORIGINAL LDRAW 48_Primitive", PRIMITIVE},
                        Case{"!LDRAW_ORG Unofficial_Part", 0},
                        Case{"Official Part", 0},
                        Case{"Original Part", 0},
                        Case{"!LDRAW_ORG", 0},
                        Case{"Part", 0}}) {
    DatFile file;
    EXPECT_EQ(ParsePartType(c.text, file, diag_), Status::kOk) << c.text;
    EXPECT_EQ(file.flags, c.flags) << c.text;
  }
  DatFile part;
  part.flags = PART;
  EXPECT_EQ(ParsePartType("!LDRAW_ORG Primitive", part, diag_), Status::kFailed);
  EXPECT_EQ(ParsePartType("!LDRAW_ORG Part", part, diag_), Status::kOk);
  DatFile primitive;
  primitive.flags = PRIMITIVE;
  EXPECT_EQ(ParsePartType("!LDRAW_ORG Part", primitive, diag_), Status::kFailed);
  EXPECT_EQ(primitive.flags, uint32_t{PRIMITIVE});
  EXPECT_EQ(Remarks(),
            "SKIPPING \"x.dat\" Line 4: Already categorized as Part: 0 line\n"
            "SKIPPING \"x.dat\" Line 4: Already categorized as Primitive: 0 line\n");
}

// The statements are found after any white space a word may follow, in
// every spelling their first letter may take, and only there.
TEST_F(MetaCommandsTest, StatementsAfterEveryKindOfWhiteSpace) {
  for (const char* space : {"", " ", "\t", "\v", "\f", "\r", "\n", " \t\v\f\r\n"}) {
    const std::string lead = space;
    EXPECT_EQ(ParseBfc((lead + "BFC CW").c_str(), diag_), Options(kBfcCw)) << lead.size();
    DatLine line;
    EXPECT_EQ(ParseTransformMeta((lead + "SCALE 2").c_str(), line, diag_), Opens(kScale));
    EXPECT_EQ(ParseTransformMeta((lead + "ROTATE END").c_str(), line, diag_), Ends(kRotate));
    EXPECT_EQ(ParseTransformMeta((lead + "TRANSLATE END").c_str(), line, diag_), Ends(kTranslate));
    for (const char* header : {"!LDRAW_ORG Part", "!ldraw_org part", "ldraw_org Part",
                               "LDRAW_ORG Part", "unofficial Part", "UNOFFICIAL Part",
                               "Un-Official Part", "official lcad part",
                               "OFFICIAL LCAD Part", "original ldraw part",
                               "ORIGINAL LDraw Part"}) {
      DatFile file;
      EXPECT_EQ(ParsePartType((lead + header).c_str(), file, diag_), Status::kOk);
      EXPECT_EQ(file.flags, uint32_t{PART}) << lead.size() << header;
    }
  }
  DatLine line;
  DatFile file;
  for (const char* other : {"", " ", "Name: 3001.dat", "Author: x", "b", "T", "R",
                            "S", "!", "o", "l", "u", "!LICENSE", "LDraw.org", "Unofficial", "of",
                            "~BFC CW", "\"BFC CW", "xBFC CW"}) {
    EXPECT_EQ(ParseBfc(other, diag_), BfcLine{}) << other;
    EXPECT_EQ(ParseTransformMeta(other, line, diag_), TransformLine{}) << other;
    EXPECT_EQ(ParsePartType(other, file, diag_), Status::kOk) << other;
  }
  EXPECT_EQ(file.flags, 0u);
  EXPECT_EQ(Remarks(), "");
}

TEST_F(MetaCommandsTest, PovBlockKeywords) {
  EXPECT_EQ(PovBlockKeyword("R7P ENDPOV"), 0);
  EXPECT_EQ(PovBlockKeyword("R7P IFPOV"), 1);
  EXPECT_EQ(PovBlockKeyword("R7P IFNOTPOV"), 2);
  EXPECT_EQ(PovBlockKeyword("R7P ELSEPOV"), 3);
  for (const char* text : {"R7P IFPOV x", "R7P  IFPOV", "R7P ifpov", "R7PIFPOV",
                           "IFPOV", "R7P ", ""})
    EXPECT_EQ(PovBlockKeyword(text), std::nullopt) << text;
}

}  // namespace

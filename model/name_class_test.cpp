#include "model/name_class.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

// The patterns as scanf alone decides them, without any quick rejection.
bool ScanfFlatPattern(const char* name) {
  int a = 0, b = 0, c = 0;
  char t[2] = {0, 0};
  return std::sscanf(name, "ring%d.da%1[t]", &a, t) == 2 ||
         std::sscanf(name, "rin%d.da%1[t]", &a, t) == 2 ||
         std::sscanf(name, "%d-%dring%d.da%1[t]", &a, &b, &c, t) == 4 ||
         std::sscanf(name, "%d-%drin%d.da%1[t]", &a, &b, &c, t) == 4 ||
         std::sscanf(name, "%d-%ddisc.da%1[t]", &a, &b, t) == 3 ||
         std::sscanf(name, "%d-%dndis.da%1[t]", &a, &b, t) == 3 ||
         std::sscanf(name, "%d-%dedge.da%1[t]", &a, &b, t) == 3;
}

bool ScanfEdgePattern(const char* name) {
  int a = 0, b = 0;
  char t[2] = {0, 0};
  return std::sscanf(name, "%d-%dedge.da%1[t]", &a, &b, t) == 3;
}

TEST(NameClass, StudNamesMatchWholeNamesOnly) {
  for (const char* name : {"stud.dat", "studp01.dat", "studel.dat", "stud2a.dat",
                           "stud4.dat", "stud6a.dat", "stud8.dat"})
    EXPECT_TRUE(IsStudName(name)) << name;
  for (const char* name : {"s\\stud.dat", "stud10.dat", "stud", "Stud.dat",
                           "stud.dat ", "", "stu24.dat"})
    EXPECT_FALSE(IsStudName(name)) << name;
}

TEST(NameClass, SpeedPrimitives) {
  for (const char* name : {"stu2.dat", "stu24.dat", "stu24a.dat", "studline.dat",
                           "stu2p01.dat"})
    EXPECT_TRUE(IsSpeedPrimitive(name)) << name;
  for (const char* name : {"stud4.dat", "48\\stu24.dat", "stu25.dat"})
    EXPECT_FALSE(IsSpeedPrimitive(name)) << name;
}

TEST(NameClass, FlatPrimitivesFollowTheScanPatterns) {
  for (const char* name :
       {"4-4disc.dat", "48\\4-4disc.dat", "1-8ndis.dat", "ring10.dat",
        "4-4rin10.dat", "2-4ring3.dat", "rin7.dat", "1-4edge.dat", "rect.dat",
        "axlehol2.dat", "axlehol9.dat", "axleend.dat",
        "ring10.datttt",        // scanning stops after the first 't'
        "ring10.dat.bak",       // what follows the match is not looked at
        "ring 10.dat",          // %d skips white space
        "+1--4disc.dat",        // %d takes a sign
        "48\\48\\1-4disc.dat",  // numeric sub-directories at any depth
        "8\\rect.dat",
        "\\rect.dat"})  // an empty run of digits before the backslash
    EXPECT_TRUE(IsFlatPrimitive(name)) << name;
  for (const char* name :
       {"4-4cyli.dat", "ring.dat", "ring10.da", "ring10.dax", "s\\4-4disc.dat",
        "48x\\4-4disc.dat", "4-disc.dat", "axlehol4.dat", "",
        "rect.da"})
    EXPECT_FALSE(IsFlatPrimitive(name)) << name;
}

TEST(NameClass, EdgeOnlyFiles) {
  for (const char* name : {"2-4edge.dat", "48\\1-4edge.dat", "axlehol2.dat",
                           "axlehol3.dat", "studline.dat"})
    EXPECT_TRUE(IsEdgeOnlyFile(name)) << name;
  for (const char* name : {"s\\4-4edge.dat", "axlehol9.dat", "4-4disc.dat",
                           "edge.dat"})
    EXPECT_FALSE(IsEdgeOnlyFile(name)) << name;
  // axlehol2.dat is both flat and edge-only; axlehol9.dat flat only.
  EXPECT_TRUE(IsFlatPrimitive("axlehol2.dat"));
  EXPECT_FALSE(IsEdgeOnlyFile("axlehol9.dat"));
  // A long chain of numeric directories is looked through without recursion.
  std::string deep;
  for (int i = 0; i < 1000; ++i) deep += "48\\";
  EXPECT_TRUE(IsEdgeOnlyFile(deep + "1-4edge.dat"));
}

// Every file name of the shared library, and variants of the family names,
// classified as scanf classifies them: the quick rejection of names that
// cannot match must never reject one that does.
TEST(NameClass, PatternsAgreeWithScanfOnLibraryNames) {
  R7P_REQUIRE_SHARED_LIBRARY();
  std::vector<std::string> names = {
      " 1-4edge.dat", "+1-4edge.dat", "1-4 edge.dat", "1-4edge.da", "1-4edge.dat",
      "-1--4ring3.dat", "ring 3.dat", "rin-3.dat", " ring3.dat", "1-4disc.dattt",
      "1-4ndis.dat", "1-4dis.dat", "4-4rin.dat", "edge.dat", "x-4edge.dat",
      "1-4edgee.dat", "1-4ring3.dat.bak", "4-4con1.dat", "rinG3.dat", ""};
  for (const char* sub : {"/p", "/p/48", "/p/8", "/parts", "/parts/s"}) {
    auto listed = platform::ListDirectory(testing_support::SharedLibrary() + sub);
    if (!listed) continue;
    for (const std::string& name : *listed) names.push_back(name);
  }
  int flat = 0;
  int edge = 0;
  for (const std::string& name : names) {
    const bool want_flat = ScanfFlatPattern(name.c_str());
    const bool want_edge = ScanfEdgePattern(name.c_str());
    flat += want_flat;
    edge += want_edge;
    for (const std::string& spelt : {name, "48\\" + name}) {
      // The exact lists come first; only names outside them test the patterns.
      if (spelt.find("axle") != std::string::npos || spelt.find("rect") != std::string::npos ||
          spelt.find("studline") != std::string::npos)
        continue;
      EXPECT_EQ(IsFlatPrimitive(spelt), want_flat) << spelt;
      EXPECT_EQ(IsEdgeOnlyFile(spelt), want_edge) << spelt;
    }
  }
  EXPECT_GT(flat, 20);
  EXPECT_GT(edge, 5);
}

}  // namespace

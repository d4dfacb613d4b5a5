#include "model/name_class.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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

}  // namespace

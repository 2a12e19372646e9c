#include "common/interpreter_location.h"

#include <gtest/gtest.h>


namespace vellora {
namespace {

TEST(AcceptDistillerVersion, AdmitsVersionsFiveToSevenAndEverythingElse) {
  EXPECT_TRUE(AcceptDistillerVersion("SOFTWARE\\Adobe\\Acrobat Distiller\\5.0"));
  EXPECT_TRUE(AcceptDistillerVersion("SOFTWARE\\Adobe\\Acrobat Distiller\\6.0"));
  EXPECT_TRUE(AcceptDistillerVersion("SOFTWARE\\Adobe\\Acrobat Distiller\\7.0"));
  EXPECT_FALSE(AcceptDistillerVersion("SOFTWARE\\Adobe\\Acrobat Distiller\\8.0"));
  EXPECT_FALSE(AcceptDistillerVersion("SOFTWARE\\Adobe\\Acrobat Distiller\\4.05"));
  EXPECT_TRUE(AcceptDistillerVersion("SOFTWARE\\GNU Ghostscript\\8.0"));
  // The test is case-sensitive: only "Acrobat" marks a Distiller key.
  EXPECT_TRUE(AcceptDistillerVersion("SOFTWARE\\Adobe\\acrobat distiller\\8.0"));
}

TEST(InterpreterDisplayName, ShowsVendorAndVersionAndReadsBack) {
  struct Case {
    const char* location;
    const char* shown;
  };
  const Case cases[] = {
      {"SOFTWARE\\Adobe\\Acrobat Distiller\\6.0", "Adobe - Acrobat Distiller - 6.0"},
      {"SOFTWARE\\GNU Ghostscript\\7.06", "GNU Ghostscript - 7.06"},
      {"SOFTWARE\\AFPL Ghostscript\\8.14", "AFPL Ghostscript - 8.14"},
      {"SOFTWARE\\Norvale\\GPL Ghostscript\\10.00", "Norvale - GPL Ghostscript - 10.00"},
      {"SOFTWARE\\GPStill", "GPStill"},
      {"GNU Ghostscript 7.06 (kelp)", "GNU Ghostscript 7.06 (kelp)"},
      {"None (Write Postscript Files)", "None (Write Postscript Files)"},
      {"None Found (Write Postscript Files)", "None Found (Write Postscript Files)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InterpreterDisplayName(c.location), c.shown);
    EXPECT_EQ(InterpreterLocationFromDisplay(c.shown), c.location);
  }
}

TEST(InterpreterDisplayName, NoneTextsAlwaysReadBackAsTheTwoStoredForms) {
  // Choosing None Found again keeps the next job retrying the selection.
  EXPECT_EQ(InterpreterLocationFromDisplay("None Found"), kTextNoneFound);
  EXPECT_EQ(InterpreterLocationFromDisplay("None"), kTextNone);
  EXPECT_EQ(InterpreterLocationFromDisplay("something (kelp)"), kOwnGhostscriptLocation);
  // PStill subkeys do not read back to their key; nothing relies on them.
  EXPECT_EQ(InterpreterDisplayName("SOFTWARE\\GPStill\\3.0"), "GPStill - 3.0");
  EXPECT_EQ(InterpreterLocationFromDisplay("GPStill - 3.0"), "SOFTWARE\\GPStill - 3.0");
  // A location that is just the word keeps nothing, and reads nowhere past its end.
  EXPECT_EQ(InterpreterDisplayName("SOFTWARE"), "");
}

TEST(ClassifyInterpreterLocation, AppliesTheTestsInOrderWithLaterHitsWinning) {
  struct Case {
    const char* location;
    InterpreterKind kind;
    bool distiller6Syntax;
  };
  const Case cases[] = {
      {"SOFTWARE\\Adobe\\Acrobat Distiller\\5.0", InterpreterKind::Distiller, false},
      {"SOFTWARE\\Adobe\\Acrobat Distiller\\6.0", InterpreterKind::Distiller, true},
      {"SOFTWARE\\Adobe\\Acrobat Distiller\\7.0", InterpreterKind::Distiller, true},
      {"SOFTWARE\\GNU Ghostscript\\8.54", InterpreterKind::Ghostscript, false},
      {"SOFTWARE\\Norvale\\GPL Ghostscript\\10.00", InterpreterKind::Ghostscript, false},
      {"GNU Ghostscript 7.06 (kelp)", InterpreterKind::OwnGhostscript, false},
      {"SOFTWARE\\GPStill", InterpreterKind::PStill, false},
      {"None (Write Postscript Files)", InterpreterKind::NoInterpreter, false},
      {"None Found (Write Postscript Files)", InterpreterKind::NoInterpreter, false},
      {"", InterpreterKind::UnknownInterpreter, false},
      {"SOFTWARE\\Somebody\\Else", InterpreterKind::UnknownInterpreter, false},
  };
  for (const Case& c : cases) {
    InterpreterChoice choice = ClassifyInterpreterLocation(c.location);
    EXPECT_EQ(choice.kind, c.kind) << c.location;
    EXPECT_EQ(choice.distiller6Syntax, c.distiller6Syntax) << c.location;
  }
}

}  // namespace
}  // namespace vellora

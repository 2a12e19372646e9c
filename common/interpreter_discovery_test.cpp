#include "common/interpreter_discovery.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/common/discovery_test_support.h"
#include "common/interpreter_texts.h"
#include "common/text.h"

namespace vellora {
namespace {

using discoverytest::addMachineKey;
using discoverytest::setMachineString;

class Discovery : public discoverytest::DiscoveryTest {};

TEST_F(Discovery, ListsEveryRootInOrderWithTheOwnGhostscriptFirst) {
  if (!installOwnGhostscript()) GTEST_SKIP() << discoverytest::kSharedSystemFolder;
  addMachineKey("SOFTWARE\\GPStill\\3.0");
  addMachineKey("SOFTWARE\\AFPL Ghostscript\\8.14");
  addMachineKey("SOFTWARE\\GPL Ghostscript\\9.05");
  addMachineKey("SOFTWARE\\GNU Ghostscript\\7.07");
  addMachineKey("SOFTWARE\\Norvale\\GPL Ghostscript\\10.00");
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\5.0");
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\8.0");
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");

  const std::vector<std::string> expected = {
      "GNU Ghostscript 7.06 (kelp)",
      "SOFTWARE\\Adobe\\Acrobat Distiller\\5.0",
      "SOFTWARE\\Adobe\\Acrobat Distiller\\7.0",
      "SOFTWARE\\Norvale\\GPL Ghostscript\\10.00",
      "SOFTWARE\\GNU Ghostscript\\7.07",
      "SOFTWARE\\GPL Ghostscript\\9.05",
      "SOFTWARE\\AFPL Ghostscript\\8.14",
      "SOFTWARE\\GPStill\\3.0",
      "SOFTWARE\\GPStill",
      "None (Write Postscript Files)",
  };
  EXPECT_EQ(ListInterpreters(), expected);
  EXPECT_EQ(CountInterpreters(), 10);
}

TEST_F(Discovery, AnEmptyMachineListsOnlyNoneFound) {
  EXPECT_EQ(ListInterpreters(), std::vector<std::string>{kTextNoneFound});
  EXPECT_EQ(CountInterpreters(), 1);
}

TEST_F(Discovery, TheListNeverOutgrowsItsCapacityAndKeepsItsNoneEntry) {
  for (int i = 0; i < 300; ++i) addMachineKey(format("SOFTWARE\\GNU Ghostscript\\%03d", i));
  std::vector<std::string> list = ListInterpreters();
  ASSERT_EQ(list.size(), kInterpreterListCapacity);
  EXPECT_EQ(list.back(), kTextNone);
  EXPECT_EQ(list[kInterpreterListCapacity - 2], "SOFTWARE\\GNU Ghostscript\\254");
}

TEST_F(Discovery, ComboEntriesShowDisplayNamesAndSelectTheStoredLocation) {
  addMachineKey("SOFTWARE\\GNU Ghostscript\\7.07");
  addMachineKey("SOFTWARE\\GPStill");
  StoreInterpreterLocation("SOFTWARE\\GPStill");
  InterpreterComboContent combo = InterpreterComboEntries();
  const std::vector<std::string> shown = {"GNU Ghostscript - 7.07", "GPStill",
                                          "None (Write Postscript Files)"};
  EXPECT_EQ(combo.displayNames, shown);
  EXPECT_EQ(combo.selected, 1);

  // The match is exact, letter case included; no match selects the first.
  StoreInterpreterLocation("software\\gpstill");
  EXPECT_EQ(InterpreterComboEntries().selected, 0);
  StoreInterpreterLocation(kTextNone);
  EXPECT_EQ(InterpreterComboEntries().selected, 2);
}

TEST_F(Discovery, AnEarlierRootWinsATie) {
  addMachineKey("SOFTWARE\\AFPL Ghostscript\\8.00");
  addMachineKey("SOFTWARE\\GNU Ghostscript\\8.00");
  EXPECT_TRUE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\GNU Ghostscript\\8.00");
}

TEST_F(Discovery, VersionsOfDifferentProductsCompareAsNumbers) {
  // Distiller 7.0 wins only when nothing has a higher number.
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\8.0");
  addMachineKey("SOFTWARE\\GNU Ghostscript\\6.50");
  EXPECT_TRUE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");

  addMachineKey("SOFTWARE\\AFPL Ghostscript\\8.00");
  EXPECT_TRUE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\AFPL Ghostscript\\8.00");

  // The plain GPL root and PStill never take part.
  addMachineKey("SOFTWARE\\GPL Ghostscript\\9.50");
  addMachineKey("SOFTWARE\\GPStill\\12.0");
  EXPECT_TRUE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\AFPL Ghostscript\\8.00");
}

TEST_F(Discovery, TheOwnGhostscriptBeatsDistillerSevenAndDistillerEightIsNeverChosen) {
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\8.0");
  EXPECT_FALSE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), "");
  if (!installOwnGhostscript()) GTEST_SKIP() << discoverytest::kSharedSystemFolder;
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");
  EXPECT_TRUE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), kOwnGhostscriptLocation);
}

TEST_F(Discovery, AutomaticSelectionWeighsAtMostFiftyCandidates) {
  // Enumerated in name order, so "1.49" is the fiftieth.
  for (int i = 0; i < 60; ++i) addMachineKey(format("SOFTWARE\\GNU Ghostscript\\1.%02d", i));
  EXPECT_TRUE(AutoSelectInterpreter());
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\GNU Ghostscript\\1.49");
}

TEST_F(Discovery, EnsureStoresTheBestInterpreterSilentlyWhenNothingWasChosen) {
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\6.0");
  InterpreterChoice choice = EnsureInterpreter();
  EXPECT_EQ(choice.kind, InterpreterKind::Distiller);
  EXPECT_TRUE(choice.distiller6Syntax);
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\Adobe\\Acrobat Distiller\\6.0");
  EXPECT_TRUE(messages().empty());
}

class NothingSelectable : public discoverytest::DiscoveryTest,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(NothingSelectable, IsListedButTheNoticeComesOnceAndLaterJobsRetrySilently) {
  addMachineKey(GetParam());
  EXPECT_EQ(CountInterpreters(), 2);

  EXPECT_EQ(EnsureInterpreter().kind, InterpreterKind::NoInterpreter);
  EXPECT_EQ(ReadInterpreterLocation(), kTextNoneFound);
  std::vector<discoverytest::ShownMessage> shown = messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, kTextNoInterpreterNotice);
  EXPECT_EQ(shown[0].caption, "Vellora");
  EXPECT_EQ(shown[0].flags, platform::kMbOk | platform::kMbIconInformation);

  ui.clearEvents();
  EXPECT_EQ(EnsureInterpreter().kind, InterpreterKind::NoInterpreter);
  EXPECT_EQ(ReadInterpreterLocation(), kTextNoneFound);
  EXPECT_TRUE(messages().empty());

  // Once an interpreter appears the next job takes it, still silently.
  addMachineKey("SOFTWARE\\GNU Ghostscript\\8.15");
  EXPECT_EQ(EnsureInterpreter().kind, InterpreterKind::Ghostscript);
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\GNU Ghostscript\\8.15");
  EXPECT_TRUE(messages().empty());
}

INSTANTIATE_TEST_SUITE_P(GplOrPStillOnly, NothingSelectable,
                         ::testing::Values("SOFTWARE\\GPL Ghostscript\\9.05", "SOFTWARE\\GPStill"));

TEST_F(Discovery, TheUsersExplicitNoneIsNeverReplaced) {
  addMachineKey("SOFTWARE\\GNU Ghostscript\\8.15");
  StoreInterpreterLocation(kTextNone);
  EXPECT_EQ(EnsureInterpreter().kind, InterpreterKind::NoInterpreter);
  EXPECT_EQ(ReadInterpreterLocation(), kTextNone);
  EXPECT_TRUE(messages().empty());
}

TEST(BestInterpreterCandidate, ReadsVersionsLikeAtofAndKeepsTheFirstOfEqualOnes) {
  EXPECT_EQ(BestInterpreterCandidate({}), -1);
  EXPECT_EQ(BestInterpreterCandidate({{"a", "beta"}, {"b", "x1"}}), 0);
  EXPECT_EQ(BestInterpreterCandidate({{"a", "7.06"}, {"b", "7.0"}, {"c", "7.060"}}), 0);
  EXPECT_EQ(BestInterpreterCandidate({{"a", "9.5"}, {"b", "10.00"}, {"c", "8.71rc"}}), 1);
}

}  // namespace
}  // namespace vellora

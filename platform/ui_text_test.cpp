#include "platform/ui_text.h"

#include <gtest/gtest.h>

namespace {

using platform::FileFilter;
using platform::SaveAsRequest;

TEST(MessageBoxRules, ButtonsDefaultsAndAnswersFollowWindows) {
  using Ids = std::vector<int>;
  EXPECT_EQ(platform::messageBoxButtons(platform::kMbOk), (Ids{platform::kIdOk}));
  EXPECT_EQ(platform::messageBoxButtons(platform::kMbYesNoCancel | platform::kMbIconQuestion),
            (Ids{platform::kIdYes, platform::kIdNo, platform::kIdCancel}));
  EXPECT_EQ(platform::messageBoxButtons(platform::kMbAbortRetryIgnore),
            (Ids{platform::kIdAbort, platform::kIdRetry, platform::kIdIgnore}));
  // The default is the first button unless a later one is named; a named
  // button the box does not have falls back to the first.
  EXPECT_EQ(platform::defaultMessageBoxButton(platform::kMbYesNo), platform::kIdYes);
  EXPECT_EQ(platform::defaultMessageBoxButton(platform::kMbYesNo | platform::kMbDefButton2), platform::kIdNo);
  EXPECT_EQ(platform::defaultMessageBoxButton(platform::kMbYesNoCancel | platform::kMbDefButton3),
            platform::kIdCancel);
  EXPECT_EQ(platform::defaultMessageBoxButton(platform::kMbOkCancel | platform::kMbDefButton3), platform::kIdOk);
  // Nobody to ask: the answer that neither replaces, joins nor sends.
  EXPECT_EQ(platform::safeMessageBoxButton(platform::kMbYesNo), platform::kIdNo);
  EXPECT_EQ(platform::safeMessageBoxButton(platform::kMbYesNoCancel), platform::kIdCancel);
  EXPECT_EQ(platform::safeMessageBoxButton(platform::kMbAbortRetryIgnore), platform::kIdAbort);
  // Closing the box: Cancel where there is one, OK alone answers OK, Yes/No
  // and Abort/Retry/Ignore boxes cannot be closed that way.
  EXPECT_EQ(platform::closedMessageBoxButton(platform::kMbOk), platform::kIdOk);
  EXPECT_EQ(platform::closedMessageBoxButton(platform::kMbRetryCancel), platform::kIdCancel);
  EXPECT_EQ(platform::closedMessageBoxButton(platform::kMbYesNo), 0);
  EXPECT_EQ(platform::closedMessageBoxButton(platform::kMbAbortRetryIgnore), 0);
  EXPECT_EQ(platform::messageBoxButtonByName(" No "), platform::kIdNo);
  EXPECT_EQ(platform::messageBoxButtonByName("maybe"), 0);
  EXPECT_EQ(platform::messageBoxRecord("Go on?", "Vellora", platform::kMbYesNo | platform::kMbIconQuestion,
                                       platform::kIdYes),
            (std::vector<std::string>{"message", "0x24", "Vellora", "Go on?", "yes"}));
  EXPECT_EQ(platform::messageBoxRecord("", "", 0, platform::kIdOk)[1], "0x0");
}

TEST(SaveAsNames, ANameWithoutExtensionGetsTheChosenTypes) {
  SaveAsRequest request;
  request.filters = {{"PDF Documents (*.pdf)", "*.pdf"},
                     {"TIFF (*.tif)", "*.tif;*.tiff"},
                     {"All files", "*.*"}};
  request.defaultExtension = "pdf";
  EXPECT_EQ(platform::withTypeExtension("/home/ann/report", request, 1), "/home/ann/report.pdf");
  EXPECT_EQ(platform::withTypeExtension("/home/ann/report", request, 2), "/home/ann/report.tif");
  EXPECT_EQ(platform::withTypeExtension("/home/ann/report", request, 3), "/home/ann/report.pdf")
      << "a type without an extension of its own takes the default one";
  EXPECT_EQ(platform::withTypeExtension("/home/ann/report.PDF", request, 2), "/home/ann/report.PDF");
  // Only the last part of the path counts.
  EXPECT_EQ(platform::withTypeExtension("/home/ann.v2/report", request, 1), "/home/ann.v2/report.pdf");
  EXPECT_EQ(platform::withTypeExtension("C:\\Docs.old\\report", request, 9), "C:\\Docs.old\\report.pdf");
}

TEST(CaptionsAndEntries, ReadAsTheUserReadsThem) {
  EXPECT_EQ(platform::readableCaption("&Replace"), "Replace");
  EXPECT_EQ(platform::readableCaption("Save && close"), "Save & close");
  EXPECT_EQ(platform::readableCaption(nullptr), "");
  std::vector<std::string> entries = {"Standard", "Printing", "Print Preview"};
  EXPECT_EQ(platform::findEntryByText(entries, "printing"), 1);
  EXPECT_EQ(platform::findEntryByText(entries, "Print"), 1) << "the first that begins with it";
  EXPECT_EQ(platform::findEntryByText(entries, "print preview"), 2);
  EXPECT_EQ(platform::findEntryByText(entries, "Prepress"), -1);
  std::string first, rest;
  platform::splitFirstWord("1022  Annual Figures ", &first, &rest);
  EXPECT_EQ(first, "1022");
  EXPECT_EQ(rest, "Annual Figures");
}

}  // namespace

// CUPS's rules as the POSIX spooler applies them: queue names, ports and
// device URIs, backend discovery lines, default page sizes.
#include <gtest/gtest.h>

#include "spooler/posix/spooler_cups.h"

namespace platform {
namespace posix {
namespace {

TEST(QueueNames, CupsRefusesBlanksSlashesHashesAndLongNames) {
  EXPECT_TRUE(isValidQueueName("Vellora"));
  EXPECT_TRUE(isValidQueueName("Invoices-2024_B.v2"));
  EXPECT_TRUE(isValidQueueName("Rechnungen-\xC3\xBC"));  // UTF-8
  EXPECT_TRUE(isValidQueueName(std::string(127, 'a')));
  EXPECT_FALSE(isValidQueueName(std::string(128, 'a')));
  EXPECT_FALSE(isValidQueueName(""));
  for (const char* bad : {"My Printer", "a/b", "a\\b", "x#y", "q?", "it's", "say\"", "user@host", "tab\there",
                          "del\x7F", "Rechnungen-\xFC"})
    EXPECT_FALSE(isValidQueueName(bad)) << bad;
}

TEST(Ports, APortIsTheDeviceUriOfItsBackendAndBack) {
  EXPECT_EQ("vlm:/", deviceUriForPort("VLM:"));
  EXPECT_EQ("VLM:", portForDeviceUri("vlm:/"));
  EXPECT_EQ("ipp://host/printers/x", deviceUriForPort("ipp://host/printers/x"));
  EXPECT_EQ("ipp://host/printers/x", portForDeviceUri("ipp://host/printers/x"));
  EXPECT_EQ("LPT1", deviceUriForPort("LPT1"));
  EXPECT_EQ("a b:", deviceUriForPort("a b:"));
}

TEST(Ports, TheSchemeComesFromTheBackendsDiscoveryLine) {
  EXPECT_EQ("vlm", schemeOfDiscoveryLine("direct vlm:/ \"Norvale Vellora\" \"Vellora PDF printer\""));
  EXPECT_EQ("cups-pdf", schemeOfDiscoveryLine("file cups-pdf:/ \"x\" \"y\""));
  EXPECT_EQ("", schemeOfDiscoveryLine(""));
  EXPECT_EQ("", schemeOfDiscoveryLine("direct"));
  EXPECT_EQ("", schemeOfDiscoveryLine("direct /etc/passwd"));
  EXPECT_EQ("", schemeOfDiscoveryLine("direct ../x:/"));
}

TEST(PageSizes, TheDefaultOfEveryPageKeywordFollowsTheChosenSize) {
  const std::string ppd =
      "*PPD-Adobe: \"4.3\"\r\n*DefaultPageSize: Letter\r\n*PageSize Letter/US Letter: \"x\"\r\n"
      "*PageSize A4/A4: \"y\"\r\n*DefaultPageRegion: Letter\r\n*DefaultImageableArea: Letter\r\n"
      "*DefaultPaperDimension: Letter\r\n*DefaultResolution: 600dpi";
  const std::string a4 = withDefaultPageSize(ppd, "A4");
  EXPECT_EQ("A4", defaultPageSizeOf(a4));
  EXPECT_NE(std::string::npos, a4.find("*DefaultPageRegion: A4\r\n"));
  EXPECT_NE(std::string::npos, a4.find("*DefaultImageableArea: A4\r\n"));
  EXPECT_NE(std::string::npos, a4.find("*DefaultPaperDimension: A4\r\n"));
  EXPECT_NE(std::string::npos, a4.find("*DefaultResolution: 600dpi"));
  EXPECT_EQ(ppd.size() - 4 * std::string("Letter").size() + 4 * 2, a4.size());
  // A size the description does not offer, and no size, leave it as it is.
  EXPECT_EQ(ppd, withDefaultPageSize(ppd, "Legal"));
  EXPECT_EQ(ppd, withDefaultPageSize(ppd, "A"));
  EXPECT_EQ(ppd, withDefaultPageSize(ppd, ""));
  EXPECT_EQ("Letter", defaultPageSizeOf(ppd));
}

TEST(PageSizes, TheDeviceModeNamesThePageSize) {
  EXPECT_EQ("A4", pageSizeOfDeviceMode("PageSize=A4"));
  EXPECT_EQ("", pageSizeOfDeviceMode(""));
  EXPECT_EQ("", pageSizeOfDeviceMode("\x01\x02binary"));
  EXPECT_EQ("PageSize=Letter", deviceModeForPageSize("Letter"));
  EXPECT_EQ("", deviceModeForPageSize(""));
}

}  // namespace
}  // namespace posix
}  // namespace platform

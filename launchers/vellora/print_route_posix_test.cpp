// The route of documents without an application: its choice by the file's
// content, LibreOffice for office documents, the print server for the rest.
#include "launchers/vellora/print_route.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/shell.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/posix/file_modes.h"
#include "testsupport/stand_in_record.h"

namespace vellora {
namespace {

class PrintRoute : public testsupport::FreshMachineTest {
 protected:
  std::string document(const std::string& name, const std::string& content) {
    const std::string path = machine.path(name);
    testsupport::writeFile(path, content);
    return path;
  }
};

TEST_F(PrintRoute, DocumentKindsFromContentAndOfficeExtensions) {
  EXPECT_EQ(documentKind(document("r.bin", "junk%PDF-1.7\n")), DocumentKind::kPdf);
  EXPECT_EQ(documentKind(document("j.dat", "%!PS-Adobe-3.0\n")), DocumentKind::kPostScript);
  EXPECT_EQ(documentKind(document("notes.txt", "Grüße\tund\r\nmehr\f")), DocumentKind::kText);
  EXPECT_EQ(documentKind(document("p.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10))),
            DocumentKind::kPng);
  EXPECT_EQ(documentKind(document("p.jpg", "\xFF\xD8\xFF\xE0")), DocumentKind::kJpeg);
  EXPECT_EQ(documentKind(document("Letter.DOCX", "PK\x03\x04")), DocumentKind::kOffice);
  EXPECT_EQ(documentKind(document("readme", std::string("\x7F" "ELF\x02\x01\0\0", 8))),
            DocumentKind::kOther);
  EXPECT_EQ(documentKind(document("latin1.txt", "caf\xE9 au lait")), DocumentKind::kOther);
  EXPECT_EQ(documentKind(document("empty.txt", "")), DocumentKind::kOther);
  EXPECT_EQ(documentKind(machine.path("missing.pdf")), DocumentKind::kOther);
}

TEST_F(PrintRoute, OfficeDocumentsGoToLibreOfficeWhenItIsThere) {
  const std::string letter = document("Letter.odt", "PK\x03\x04");
  machine.setEnv("PATH", machine.path("bin"));
  EXPECT_EQ(printWithoutApplication(letter, "Vellora", "", nullptr), platform::kSeErrNoAssociation);
  const std::string office = machine.path("bin/soffice");
  testsupport::writeFile(office, "#!/bin/sh\nfor a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                     machine.path("record") + "'\n");
  ASSERT_TRUE(testsupport::posix::setPermissionBits(office, 0755));
  EXPECT_GT(printWithoutApplication(letter, "Vellora", "", nullptr), 32);
  std::string record;
  testsupport::waitUntil([&] {
    record = testsupport::readFile(machine.path("record"));
    std::size_t lines = 0;
    for (char c : record) lines += c == '\n';
    return lines >= 5;
  });
  EXPECT_EQ(record, office + "\n--headless\n--pt\nVellora\n" + letter + "\n");
}

TEST_F(PrintRoute, WhatNeitherPrintsHasNoWayAndAnUnreachableServerIsReported) {
  const std::string binary = document("readme", std::string("\0\1\2", 3));
  EXPECT_EQ(printWithoutApplication(binary, "Vellora", "", nullptr), platform::kSeErrNoAssociation);
  const std::string report = document("report.pdf", "%PDF-1.4\n");
  EXPECT_EQ(printWithoutApplication(report, "", "", nullptr), platform::kSeErrNoAssociation);

  machine.setEnv("CUPS_SERVER", machine.path("no-such-cupsd.sock"));
  std::string failure;
  const int result = printWithoutApplication(report, "Vellora", "", &failure);
  EXPECT_LE(result, 32);
  EXPECT_NE(result, platform::kSeErrNoAssociation);
  EXPECT_NE(failure.find("\"Vellora\""), std::string::npos) << failure;
}

}  // namespace
}  // namespace vellora

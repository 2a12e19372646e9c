// The shell's verbs on POSIX: associations from HKEY_CLASSES_ROOT, the
// desktop's own printing, and the programs they start.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/posix/shell_verbs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

namespace {

using platform::posix::DocumentKind;

void setClassesDefault(const std::string& key, const std::string& value) {
  platform::RegKey k;
  ASSERT_EQ(k.create(platform::HKCR, key), platform::kRegOk);
  ASSERT_EQ(k.setString("", value), platform::kRegOk);
}

class ShellVerbs : public testsupport::FreshMachineTest {
 protected:
  // A program that appends its arguments, one per line, to a file.
  std::string recorder(const std::string& name) {
    const std::string path = machine.path("bin/" + name);
    testsupport::writeFile(path, "#!/bin/sh\nfor a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                     machine.path("record") + "'\n");
    chmod(path.c_str(), 0755);
    return path;
  }
  std::string record(std::size_t lines) {
    std::string text;
    testsupport::waitUntil([&] {
      text = testsupport::readFile(machine.path("record"));
      std::size_t count = 0;
      for (char c : text) count += c == '\n';
      return count >= lines;
    });
    return text;
  }
  std::string document(const std::string& name, const std::string& content = "text\n") {
    const std::string path = machine.path(name);
    testsupport::writeFile(path, content);
    return path;
  }
  platform::ShellExecuteRequest printRequest(const std::string& verb, const std::string& file) {
    platform::ShellExecuteRequest request;
    request.mask = platform::kSeeMaskFlagDdeWait | platform::kSeeMaskFlagNoUi;
    request.verb = verb;
    request.file = file;
    request.parameters = "\"Vellora\" \"WINSPOOL\" \"VLM:\"";
    return request;
  }
};

TEST_F(ShellVerbs, VerbCommandsComeFromTheProgramIdOrTheExtension) {
  setClassesDefault(".xls", "Excel.Sheet.8");
  setClassesDefault("Excel.Sheet.8\\shell\\Open\\command", "excel.exe /e \"%1\"");
  setClassesDefault(".txt\\shell\\PrintTo\\command", "notepad /pt \"%1\" \"%2\"");
  std::string command;
  ASSERT_TRUE(platform::posix::findVerbCommand("/d/Book.XLS", "open", &command));
  EXPECT_EQ(command, "excel.exe /e \"%1\"");
  ASSERT_TRUE(platform::posix::findVerbCommand("/d/a.txt", "printto", &command));
  EXPECT_EQ(command, "notepad /pt \"%1\" \"%2\"");
  EXPECT_FALSE(platform::posix::findVerbCommand("/d/a.txt", "printVL", &command));
  EXPECT_FALSE(platform::posix::findVerbCommand("/d.x/readme", "open", &command));
}

TEST_F(ShellVerbs, PlaceholdersAreFilledAsTheWindowsShellFillsThem) {
  using platform::posix::expandVerbCommand;
  const std::string printers = "\"Vellora\" \"WINSPOOL\" \"VLM:\"";
  EXPECT_EQ(expandVerbCommand("app /pt \"%1\" \"%2\" \"%3\" \"%4\" %5", "/a b/c.doc", printers),
            "app /pt \"/a b/c.doc\" \"Vellora\" \"WINSPOOL\" \"VLM:\" ");
  EXPECT_EQ(expandVerbCommand("app %L -- %* 100%%", "/c.doc", printers),
            "app /c.doc -- " + printers + " 100%");
  EXPECT_EQ(expandVerbCommand("app /p", "/a b.doc", ""), "app /p \"/a b.doc\"");
}

TEST_F(ShellVerbs, DocumentKindsFromContentAndOfficeExtensions) {
  using platform::posix::documentKind;
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

TEST_F(ShellVerbs, AnAssociatedVerbStartsItsProgramWithoutAShell) {
  const std::string program = recorder("printer app");
  setClassesDefault(".doc", "Word.Document.8");
  setClassesDefault("Word.Document.8\\shell\\printVL\\command",
                    "\"" + program + "\" /pt \"%1\" \"%2\" \"%3\" \"%4\"");
  const std::string letter = document("my letter; $HOME.doc");
  EXPECT_GT(platform::shellExecute(printRequest("printVL", "\"" + letter + "\"")), 32);
  EXPECT_EQ(record(6), program + "\n/pt\n" + letter + "\nVellora\nWINSPOOL\nVLM:\n");
}

TEST_F(ShellVerbs, OpeningAProgramPassesItsParametersAsItsCommandLine) {
  const std::string program = recorder("vellora");
  platform::ShellExecuteRequest request;
  request.verb = "open";
  request.file = program;
  request.parameters = "/home/a b/c.ps";
  request.show = platform::kSwMinimize;
  EXPECT_GT(platform::shellExecute(request), 32);
  EXPECT_EQ(record(3), program + "\n/home/a\nb/c.ps\n");
}

TEST_F(ShellVerbs, WithoutAnAssociationOnlyPrintToHasAWay) {
  std::string failure;
  EXPECT_EQ(platform::shellExecute(printRequest("printVL", machine.path("gone.pdf")), &failure),
            platform::kSeErrFileNotFound);
  EXPECT_NE(failure.find("gone.pdf"), std::string::npos);
  const std::string binary = document("readme", std::string("\0\1\2", 3));
  EXPECT_EQ(platform::shellExecute(printRequest("printVL", binary)), platform::kSeErrNoAssociation);
  EXPECT_EQ(platform::shellExecute(printRequest("printto", binary)), platform::kSeErrNoAssociation);

  // Office documents go to LibreOffice, when it is there.
  const std::string letter = document("Letter.odt", "PK\x03\x04");
  machine.setEnv("PATH", machine.path("bin"));
  EXPECT_EQ(platform::shellExecute(printRequest("printto", letter)), platform::kSeErrNoAssociation);
  recorder("soffice");
  EXPECT_GT(platform::shellExecute(printRequest("printto", letter)), 32);
  EXPECT_EQ(record(5), machine.path("bin/soffice") + "\n--headless\n--pt\nVellora\n" + letter + "\n");
}

TEST_F(ShellVerbs, APrintServerThatCannotBeReachedIsReportedNotIgnored) {
  machine.setEnv("CUPS_SERVER", machine.path("no-such-cupsd.sock"));
  std::string failure;
  const int result =
      platform::shellExecute(printRequest("printto", document("report.pdf", "%PDF-1.4\n")), &failure);
  EXPECT_LE(result, 32);
  EXPECT_NE(result, platform::kSeErrNoAssociation);
  EXPECT_NE(failure.find("\"Vellora\""), std::string::npos) << failure;
}

}  // namespace

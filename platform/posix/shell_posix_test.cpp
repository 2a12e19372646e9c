// The shell's verbs on POSIX: associations from HKEY_CLASSES_ROOT, the
// program's own print route, and the programs they start.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/posix/shell_verbs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

namespace {


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

// What the test's print route was asked, and its answer.
struct RouteCall {
  std::string file, printer, directory;
  int answer = 77;
} gRouteCall;

int recordingRoute(const std::string& file, const std::string& printer,
                   const std::string& directory, std::string* failure) {
  gRouteCall.file = file;
  gRouteCall.printer = printer;
  gRouteCall.directory = directory;
  if (failure && gRouteCall.answer <= 32) *failure = "route refused";
  return gRouteCall.answer;
}

TEST_F(ShellVerbs, WithoutAnAssociationOnlyPrintToHasAWayAndOnlyThroughTheProgramsRoute) {
  std::string failure;
  EXPECT_EQ(platform::shellExecute(printRequest("printVL", machine.path("gone.pdf")), &failure),
            platform::kSeErrFileNotFound);
  EXPECT_NE(failure.find("gone.pdf"), std::string::npos);
  const std::string report = document("report.pdf", "%PDF-1.4\n");
  platform::setPrintRoute(nullptr);
  EXPECT_EQ(platform::shellExecute(printRequest("printto", report)), platform::kSeErrNoAssociation);

  platform::setPrintRoute(&recordingRoute);
  EXPECT_EQ(platform::shellExecute(printRequest("printVL", report)), platform::kSeErrNoAssociation);
  EXPECT_EQ(gRouteCall.file, "");
  platform::ShellExecuteRequest request = printRequest("PrintTo", "\"" + report + "\"");
  request.directory = machine.tmp();
  EXPECT_EQ(platform::shellExecute(request), 77);
  EXPECT_EQ(gRouteCall.file, report);
  EXPECT_EQ(gRouteCall.printer, "Vellora");
  EXPECT_EQ(gRouteCall.directory, machine.tmp());
  gRouteCall.answer = platform::kSeErrDdeFail;
  EXPECT_EQ(platform::shellExecute(printRequest("printto", report), &failure),
            platform::kSeErrDdeFail);
  EXPECT_EQ(failure, "route refused");

  // An association still comes first.
  gRouteCall = RouteCall();
  setClassesDefault(".pdf\\shell\\printto\\command", "\"" + recorder("printer-app") + "\" %1");
  EXPECT_GT(platform::shellExecute(printRequest("printto", report)), 32);
  EXPECT_EQ(record(2), machine.path("bin/printer-app") + "\n" + report + "\n");
  EXPECT_EQ(gRouteCall.file, "");
  platform::setPrintRoute(nullptr);
}

}  // namespace

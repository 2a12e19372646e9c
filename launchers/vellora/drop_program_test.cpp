// The drag-and-drop program in-process: which way each document takes, what
// the started programs get, and what the user is told.
#include "launchers/vellora/drop_program.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/product.h"
#include "common/text.h"
#include "launchers/vellora/drop_messages.h"
#include "platform/dde.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

namespace vellora {
namespace {

const std::string kSep = platform::kPathSeparator;
const std::string kStandins = std::string(VELLORA_STANDIN_DIR) + kSep;
const std::string kRecorder = kStandins + "standin-recorder" + platform::kExeSuffix;
const std::string kDdeServer = kStandins + "standin-ddeserver" + platform::kExeSuffix;

TEST(DropCommandLine, TypeTailAndDocument) {
  EXPECT_EQ(typeTail("C:\\Jobs\\JOB.PS"), ".PS");
  EXPECT_EQ(typeTail("\"C:\\My Books\\q3.xls\""), "xls");
  EXPECT_EQ(typeTail("\"D:\\letter.doc\""), "doc");
  EXPECT_EQ(typeTail("C:\\Docs\\readme"), "dme");
  EXPECT_EQ(typeTail("\"a.doc\" \"b.doc\""), "doc");
  EXPECT_EQ(typeTail("ps"), "");
  EXPECT_EQ(typeTail("\"s\""), "");
  EXPECT_EQ(typeTail("\"ps\""), "\"ps");
  EXPECT_EQ(typeTail("abc"), "abc");

  EXPECT_EQ(documentPath("\"C:\\My Books\\q3.xls\""), "C:\\My Books\\q3.xls");
  EXPECT_EQ(documentPath("C:\\My Books\\q3.xls"), "C:\\My Books\\q3.xls");
  EXPECT_EQ(documentPath("\"a.doc\" \"b.doc\""), "\"a.doc\" \"b.doc\"");
}

TEST(DropCommandLine, DdeCommandsQuoteTheDocumentExactlyOnce) {
  const DdeApplication* excel = ddeApplicationFor("XLS");
  ASSERT_NE(excel, nullptr);
  std::string running, started;
  ASSERT_TRUE(formatDdeCommands(*excel, "\"C:\\My Books\\q3.xls\"", &running, &started));
  EXPECT_EQ(running, "[open(\"C:\\My Books\\q3.xls\")][RUN(\"Vellora_Print\")][Close()]");
  ASSERT_TRUE(formatDdeCommands(*excel, "C:\\Books\\q3.xls", &running, &started));
  EXPECT_EQ(started,
            "[APP.MINIMIZE][APP.SIZE(0,0)][open(\"C:\\Books\\q3.xls\")][RUN(\"Vellora_Print\")][quit]");
  const DdeApplication* word = ddeApplicationFor("doc");
  ASSERT_NE(word, nullptr);
  ASSERT_TRUE(formatDdeCommands(*word, "C:\\" + std::string(400, 'w') + ".doc", &running, &started));
  EXPECT_FALSE(formatDdeCommands(*word, "C:\\" + std::string(460, 'w') + ".doc", &running, &started));
  EXPECT_EQ(ddeApplicationFor("ps"), nullptr);
}

class DropProgram : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    product = machine.path("Programs" + kSep + "Vellora");
    ASSERT_TRUE(platform::createDirectories(product));
    ASSERT_TRUE(platform::copyFile(kRecorder, product + kSep + "vlconv" + platform::kExeSuffix, false));
    put(platform::HKLM, kProductKey, "AppPath", product);
    machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
    // A stand-in application started by this test never outlives it long.
    machine.setEnv("VELLORA_STANDIN_SERVE_MS", "20000");
  }

  void put(platform::RegRoot root, const std::string& key, const std::string& name,
           const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(root, key), platform::kRegOk);
    ASSERT_EQ(k.setString(name, value), platform::kRegOk);
  }
  std::string document(const std::string& name, const std::string& content = "content\n") {
    const std::string path = machine.path(name);
    testsupport::writeFile(path, content);
    return path;
  }
  // The texts of the message boxes shown, with their captions.
  std::vector<std::string> told() {
    std::vector<std::string> texts;
    for (const auto& event : ui.eventsOf("message"))
      texts.push_back(event.at(1) + ": " + event.at(2));
    return texts;
  }
  std::vector<std::vector<std::string>> startedBy(const std::string& program, std::size_t count) {
    std::vector<std::vector<std::string>> runs;
    testsupport::waitUntil([&] {
      runs = testsupport::recordedBy(machine.path("started"), program);
      return runs.size() >= count;
    });
    return runs;
  }
  // Excel (or Word) registered for DDE, its "Open" verb starting `program`.
  void registerDdeApplication(const std::string& extension, const std::string& programId,
                              const std::string& application, const std::string& openCommand) {
    put(platform::HKCR, extension, "", programId);
    put(platform::HKCR, programId + "\\shell\\Open\\command", "", openCommand);
    put(platform::HKCR, programId + "\\shell\\Open\\ddeexec\\Application", "", application);
  }
  bool serviceAnswers(const std::string& service) {
    auto client = platform::DdeClient::create(nullptr, nullptr);
    platform::DdeConversation conversation = client->connect(service, "System");
    if (conversation) client->disconnect(conversation);
    return conversation != 0;
  }

  platform::ScriptedUi ui;
  std::string product;
};

TEST_F(DropProgram, AnEmptyCommandLineSaysWhatVelloraIs) {
  EXPECT_EQ(runDropProgram(""), 0);
  EXPECT_EQ(runDropProgram("\"\""), 0);
  ASSERT_EQ(ui.eventsOf("message").size(), 2u);
  EXPECT_EQ(ui.eventsOf("message")[0][0], "0x40");
  EXPECT_EQ(told()[0], std::string("Vellora 2.5: ") + kDropInstalledText);
  EXPECT_TRUE(testsupport::readRecord(machine.path("started")).empty());
}

TEST_F(DropProgram, MissingFilesSeveralFilesAndLongPathsAreToldNotDropped) {
  const std::string a = document("a.pdf");
  const std::string b = document("b b.pdf");
  runDropProgram(machine.path("gone.ps"));
  runDropProgram(platform::quoteArgument(a) + " " + platform::quoteArgument(b));
  runDropProgram(machine.path(std::string(300, 'x') + ".ps"));
  std::vector<std::string> texts = told();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "Vellora: " + format(kDropNotFoundText, machine.path("gone.ps").c_str()));
  EXPECT_EQ(texts[1].rfind("Vellora: Vellora converts one file at a time", 0), 0u) << texts[1];
  EXPECT_EQ(texts[2].rfind("Vellora: The path of this file is too long for Vellora (at most 259", 0),
            0u);
  EXPECT_TRUE(testsupport::readRecord(machine.path("started")).empty());
}

// The converter's command goes into a buffer of its own: one that would fill
// it is refused, one character less starts the converter.
TEST_F(DropProgram, AConverterCommandThatWouldFillItsBufferIsRefused) {
  const std::string vlconv = product + kSep + "vlconv" + platform::kExeSuffix;
  const std::string around = platform::quoteArgument(vlconv) + " 9993 \"\"";
  const std::size_t folder = machine.path("x").size() - 1;
  auto jobMaking = [&](std::size_t commandSize) {
    return document(std::string(commandSize - around.size() - folder - 3, 'j') + ".ps", "%!PS\n");
  };
  const std::string tooLong = jobMaking(kDropConverterCommandCapacity);
  runDropProgram(tooLong);
  ASSERT_EQ(told().size(), 1u);
  EXPECT_EQ(told()[0].rfind("Vellora: The path of this file is too long for Vellora (at most 259", 0), 0u)
      << told()[0];
  const std::string fits = jobMaking(kDropConverterCommandCapacity - 1);
  runDropProgram(fits);
  auto runs = startedBy(std::string("vlconv") + platform::kExeSuffix, 1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (std::vector<std::string>{vlconv, "9993", fits}));
  EXPECT_EQ(told().size(), 1u);
}

TEST_F(DropProgram, PostScriptAndPdfFilesGoToTheConverterInMode9993) {
  const std::string job = document("my jobs" + kSep + "JOB.PS", "%!PS\n");
  const std::string pdf = document("my jobs" + kSep + "Links.Pdf", "%PDF-1.4\n");
  runDropProgram(job);
  runDropProgram("\"" + job + "\"");
  runDropProgram("\"" + pdf + "\"");
  auto runs = startedBy(std::string("vlconv") + platform::kExeSuffix, 3);
  ASSERT_EQ(runs.size(), 3u);
  std::sort(runs.begin(), runs.end());
  const std::string converter = product + kSep + "vlconv" + platform::kExeSuffix;
  EXPECT_EQ(runs[0], (std::vector<std::string>{converter, "9993", job}));
  EXPECT_EQ(runs[1], (std::vector<std::string>{converter, "9993", job}));
  EXPECT_EQ(runs[2], (std::vector<std::string>{converter, "9993", pdf}));
  EXPECT_TRUE(told().empty());

  // A converter that cannot be started is reported.
  put(platform::HKLM, kProductKey, "AppPath", machine.path("nowhere"));
  runDropProgram(job);
  ASSERT_EQ(told().size(), 1u);
  EXPECT_EQ(told()[0].rfind("Vellora: Vellora could not start the converter", 0), 0u);
}

// Associations, printing and DDE as the POSIX shell service does them; the
// Windows shell has its own tests.
#if !defined(_WIN32)
TEST_F(DropProgram, OtherFilesArePrintedThroughTheirPrintVerb) {
  const std::string readme = document("readme", std::string("\x01\x02\x03", 3));
  runDropProgram(readme);
  EXPECT_EQ(told(), std::vector<std::string>{std::string("Vellora: ") + kDropNoAssociationText});

  // "printto" when no "printVL" is registered; "printVL" before it otherwise.
  put(platform::HKCR, ".xls", "", "Excel.Sheet.8");
  put(platform::HKCR, "Excel.Sheet.8\\shell\\Open\\ddeexec\\Application", "", "calc");
  put(platform::HKCR, "Excel.Sheet.8\\shell\\printto\\command", "",
      "\"" + kRecorder + "\" printto \"%1\" \"%2\" \"%3\" \"%4\"");
  const std::string book = document("Q3 book.xls");
  runDropProgram(book);
  put(platform::HKCR, "Excel.Sheet.8\\shell\\printVL\\command", "",
      "\"" + kRecorder + "\" printVL \"%1\" \"%2\" \"%3\" \"%4\"");
  runDropProgram(book);
  auto runs = startedBy("standin-recorder", 2);
  ASSERT_EQ(runs.size(), 2u);
  std::sort(runs.begin(), runs.end());
  EXPECT_EQ(runs[0], (std::vector<std::string>{kRecorder, "printVL", book, "Vellora", "WINSPOOL", "VLM:"}));
  EXPECT_EQ(runs[1], (std::vector<std::string>{kRecorder, "printto", book, "Vellora", "WINSPOOL", "VLM:"}));
  EXPECT_EQ(told().size(), 1u);
}

TEST_F(DropProgram, AnApplicationStartedForTheJobIsToldToQuit) {
  registerDdeApplication(".xls", "Excel.Sheet.8", "excel", "\"" + kDdeServer + "\" Excel /e \"%1\"");
  registerDdeApplication(".doc", "Word.Document.8", "WinWord", "\"" + kDdeServer + "\" WinWord \"%1\"");
  const std::string book = document("q3.xls");
  const std::string letter = document("letter.doc");
  runDropProgram(book, 20);
  // Excel records its end on its own time, after the drop program is done
  // with it: wait for it so that Word's lines come after Excel's.
  ASSERT_EQ(startedBy("standin-ddeserver", 3).size(), 3u);
  runDropProgram(letter, 20);
  auto runs = startedBy("standin-ddeserver", 6);
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[0], (std::vector<std::string>{kDdeServer, "Excel", "/e", book}));
  EXPECT_EQ(runs[1], (std::vector<std::string>{
                         "standin-ddeserver", "Excel", "execute",
                         "[APP.MINIMIZE][APP.SIZE(0,0)][open(\"" + book + "\")][RUN(\"Vellora_Print\")][quit]"}));
  EXPECT_EQ(runs[2], (std::vector<std::string>{"standin-ddeserver", "Excel", "ended"}));
  EXPECT_EQ(runs[4], (std::vector<std::string>{
                         "standin-ddeserver", "WinWord", "execute",
                         "[REM _DDE_Minimize][AppMinimize,1][FileOpen(\"" + letter +
                             "\") .ReadOnly=1][Vellorax][FileExit 2]"}));
  EXPECT_EQ(runs[5], (std::vector<std::string>{"standin-ddeserver", "WinWord", "ended"}));
  EXPECT_TRUE(told().empty());
}

TEST_F(DropProgram, ARunningApplicationKeepsRunning) {
  registerDdeApplication(".xls", "Excel.Sheet.8", "excel", "\"" + kDdeServer + "\" Excel /e \"%1\"");
  platform::ChildProcess excel;
  platform::StartOptions options;
  ASSERT_TRUE(excel.start(platform::quoteArgument(kDdeServer) + " Excel", options));
  ASSERT_TRUE(testsupport::waitUntil([&] { return serviceAnswers("Excel"); }));

  const std::string book = document("My Books" + kSep + "q3.xls");
  runDropProgram("\"" + book + "\"", 20);
  auto commands = startedBy("standin-ddeserver", 2);
  EXPECT_TRUE(excel.running());
  excel.kill();
  excel.wait(platform::kWaitForever);
  std::vector<std::string> executed;
  for (const auto& line : commands)
    if (line.size() == 4 && line[2] == "execute") executed.push_back(line[3]);
  EXPECT_EQ(executed, std::vector<std::string>{"[open(\"" + book +
                                               "\")][RUN(\"Vellora_Print\")][Close()]"});
}

TEST_F(DropProgram, AnApplicationThatNeverAnswersIsTriedAFewTimesThenTold) {
  registerDdeApplication(".doc", "Word.Document.8", "winword", "\"" + kRecorder + "\" open \"%1\"");
  const std::string letter = document("letter.doc");
  runDropProgram(letter, 1);
  EXPECT_EQ(startedBy("standin-recorder", kDropDispatchAttempts).size(),
            static_cast<std::size_t>(kDropDispatchAttempts));
  ASSERT_EQ(told().size(), 1u);
  EXPECT_EQ(told()[0], "Vellora: " + format(kDropDdeUnreachableText, letter.c_str(), "WinWord", "WinWord"));
}
#endif

}  // namespace
}  // namespace vellora

// Failed and crashed jobs through the real vlconv: the report question, the
// post to a report server on the loopback interface, the run log.
#include <gtest/gtest.h>

#include "common/form_post.h"
#include "testsupport/converter/vlconv_test_support.h"
#include "platform/process.h"
#include "testsupport/loopback_http_server.h"

namespace vellora {
namespace e2e {
namespace {

using testsupport::LoopbackHttpServer;

// The report question: Yes/No with No as the default button, a question
// icon, topmost.
const char kQuestionFlags[] = "0x40124";
const char kReportCaption[] = "Norvale Error Agent";

// PostScript that Ghostscript refuses: an undefined operator.
const std::string kBrokenJob =
    "%!PS-Adobe-3.0\n%%Title: Broken\n/Helvetica findfont 12 scalefont setfont\n"
    "72 700 moveto (text) show nosuchoperator showpage\n";

// The form field of a body, decoded.
std::string formField(const std::string& request, const std::string& name) {
  std::string body = request.substr(request.find("\r\n\r\n") + 4);
  std::string::size_type start = body.find(name + "=");
  if (start == std::string::npos) return std::string();
  start += name.size() + 1;
  std::string::size_type end = body.find_first_of("&\r", start);
  std::string value;
  for (std::string::size_type i = start; i < end; ++i) {
    if (body[i] == '%' && i + 2 < end) {
      value += static_cast<char>(std::stoi(body.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      value += body[i];
    }
  }
  return value;
}

class ErrorReportJobs : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    machine.unsetEnv("http_proxy");
    machine.unsetEnv("no_proxy");
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  }
  void reportTo(const std::string& host) {
    setMachineString("SOFTWARE\\Norvale\\Vellora", "ReportServer", host);
  }
  std::string runLog() { return testsupport::readFile(product + kSep + "vlconv.log"); }
  // The message boxes shown, each as flags, caption, text and answer.
  std::vector<std::vector<std::string>> boxes() { return shown("message"); }
};

TEST_F(ErrorReportJobs, WithYesTheErrorLogIsPostedAndThanked) {
  LoopbackHttpServer server;
  reportTo(server.address());
  answers("message: yes\n");
  ASSERT_EQ(print(spool(kBrokenJob)).exitCode, 0);

  auto shownBoxes = boxes();
  ASSERT_EQ(shownBoxes.size(), 2u);
  EXPECT_EQ(shownBoxes[0][0], kQuestionFlags);
  EXPECT_EQ(shownBoxes[0][1], kReportCaption);
  EXPECT_EQ(shownBoxes[0][2].substr(0, shownBoxes[0][2].find('\n')),
            "An error occurred while processing your document.");
  EXPECT_EQ(shownBoxes[0][3], "yes");
  EXPECT_EQ(shownBoxes[1][1], kReportCaption);
  EXPECT_EQ(shownBoxes[1][2], "Thank you, your error has been logged.");

  ASSERT_TRUE(server.waitForRequests(1, 5000));
  std::string request = server.requests()[0];
  EXPECT_EQ(request.rfind("POST /err.asp HTTP/1.0\r\nUser-Agent: Norvale_Agent\r\nHost: " +
                              server.address() + "\r\n",
                          0),
            0u)
      << request;
  std::string log = runLog();
  EXPECT_NE(log.find("Error creating PDF file (errConverting)"), std::string::npos) << log;
  EXPECT_EQ(formField(request, "msg"), log) << "the run log is the log that was sent";
  EXPECT_EQ(formField(request, "app"), "Vellora");
  EXPECT_EQ(formField(request, "rmin"), "58");
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(ErrorReportJobs, NoOrNoAnswerAtAllSendsNothing) {
  LoopbackHttpServer server;
  reportTo(server.address());
  answers("message: no\n");
  ASSERT_EQ(print(spool(kBrokenJob)).exitCode, 0);
  // Nobody to answer (the script has nothing left): the default is No.
  answers("");
  ASSERT_EQ(print(spool(kBrokenJob)).exitCode, 0);

  auto shownBoxes = boxes();
  ASSERT_EQ(shownBoxes.size(), 2u);
  EXPECT_EQ(shownBoxes[0][3], "no");
  EXPECT_EQ(shownBoxes[1][0], kQuestionFlags);
  EXPECT_EQ(shownBoxes[1][3], "no");
  platform::sleepMilliseconds(200);
  EXPECT_TRUE(server.requests().empty());
  EXPECT_NE(runLog().find("Error creating PDF file (errConverting)"), std::string::npos);
}

TEST_F(ErrorReportJobs, AnUnreachableServerStillEndsWithTheThanks) {
  reportTo("127.0.0.1:" + std::to_string(testsupport::refusedLoopbackPort()));
  answers("message: yes\n");
  ASSERT_EQ(print(spool(kBrokenJob)).exitCode, 0);
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[1], "Thank you, your error has been logged.");
  EXPECT_FALSE(runLog().empty());
}

TEST_F(ErrorReportJobs, WithoutAServerTheUserIsToldWhereTheRunLogIs) {
  answers("message: yes\n");  // never used: there is no question
  ASSERT_EQ(print(spool(kBrokenJob)).exitCode, 0);
  auto shownBoxes = boxes();
  ASSERT_EQ(shownBoxes.size(), 1u);
  EXPECT_EQ(shownBoxes[0][1], "Vellora");
  EXPECT_EQ(shownBoxes[0][2], "An error occurred while processing your document.\n"
                              "The details were written to the run log:\n" +
                                  product + kSep + "vlconv.log");
  EXPECT_NE(runLog().find("Error creating PDF file (errConverting)"), std::string::npos);
}

// A crash while the interpreter runs: the stand-in Distiller sends the
// converter the signal of an access violation.
class CrashReportJobs : public ErrorReportJobs {
 protected:
  void SetUp() override {
    ErrorReportJobs::SetUp();
    std::string distiller = machine.path("bin") + kSep + "crashing-distiller";
    testsupport::writeFile(distiller, "#!/bin/sh\nkill -SEGV $PPID\nsleep 1\n");
    testsupport::run({"chmod", "+x", distiller});
    setMachineString("SOFTWARE\\Norvale\\Vellora", "InterpreterLocation",
                     "SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");
    setMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroDist.exe", "",
                     distiller);
  }
};

TEST_F(CrashReportJobs, AFreshProcessAsksAndSendsTheCrashLog) {
  LoopbackHttpServer server;
  reportTo(server.address());
  answers("message: yes\n");
  ASSERT_EQ(print(spool(postScriptJob("Crashing", 1))).exitCode, 0);

  std::string log = runLog();
  EXPECT_NE(log.find("\nException has been thrown, code: -1073741819\n"), std::string::npos) << log;
  auto shownBoxes = boxes();
  ASSERT_EQ(shownBoxes.size(), 2u);
  EXPECT_EQ(shownBoxes[0][0], kQuestionFlags);
  EXPECT_EQ(shownBoxes[0][2].substr(0, 40), "An error occurred while running Vellora.");
  EXPECT_EQ(shownBoxes[1][1], kReportCaption);
  EXPECT_EQ(shownBoxes[1][2].rfind("Your error has been logged, please contact customer support", 0),
            0u);
  ASSERT_EQ(server.requests().size(), 1u) << "the report was made before vlconv ended";
  EXPECT_EQ(formField(server.requests()[0], "msg"), log);
}

TEST_F(CrashReportJobs, WithoutAServerTheCrashIsReportedToTheUserOnly) {
  ASSERT_EQ(print(spool(postScriptJob("Crashing", 1))).exitCode, 0);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "An error occurred while running Vellora.\n"
                           "The details were written to the run log:\n" +
                               product + kSep + "vlconv.log");
  EXPECT_NE(runLog().find("Exception has been thrown"), std::string::npos);
}

}  // namespace
}  // namespace e2e
}  // namespace vellora

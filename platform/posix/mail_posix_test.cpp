// The desktop's mail composer, with stand-in xdg-email and Thunderbird
// programs on PATH that record their arguments.
#include <signal.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/mail.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"

namespace platform {
namespace {

// "Résumé, \"final\" 'draft'" in UTF-8, as a Linux application titles it.
const char kTitle[] = "R\xc3\xa9sum\xc3\xa9, \"final\" 'draft'";

class MailWaysTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    bin = machine.path("bin");
    attachment = machine.path("out/Quarterly report, final.pdf");
    testsupport::writeFile(attachment, "%PDF-1.4\n");
    // Only the stand-ins are found on PATH; the shell they run in is named
    // by its full path.
    machine.setEnv("PATH", bin);
  }
  // A program that records each of its arguments on a line of its own and
  // ends with `exitCode`.
  void standIn(const std::string& name, int exitCode) {
    std::string log = machine.path(name + ".args");
    testsupport::writeFile(bin + "/" + name,
                           "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log +
                               "'; done\nexit " + std::to_string(exitCode) + "\n");
    testsupport::run({"/bin/chmod", "+x", bin + "/" + name});
  }
  std::string recorded(const std::string& name) {
    return testsupport::readFile(machine.path(name + ".args"));
  }
  // Tries the ways in order as the converter does; the index of the way that
  // took the message, -1 when none did.
  int send(const MailMessage& message) {
    MailWays ways;
    for (int i = 0; i < ways.count(); ++i)
      if (ways.tryWay(i, message) != MailOutcome::kNotAvailable) return i;
    return -1;
  }
  MailMessage message(const std::string& subject) {
    MailMessage m;
    m.subject = subject;
    m.attachment = attachment;
    return m;
  }

  std::string bin;
  std::string attachment;
};

TEST_F(MailWaysTest, XdgEmailGetsTheSubjectAndTheAttachmentIntact) {
  standIn("xdg-email", 0);
  standIn("thunderbird", 0);
  EXPECT_EQ(send(message(kTitle)), 0);
  EXPECT_EQ(recorded("xdg-email"),
            std::string("--subject\n") + kTitle + "\n--attach\n" + attachment + "\n");
  EXPECT_EQ(recorded("thunderbird"), "") << "one composer only";
}

TEST_F(MailWaysTest, AnEmptyTitleGivesAnEmptySubjectAndTheAttachmentStillComes) {
  standIn("xdg-email", 0);
  EXPECT_EQ(send(message("")), 0);
  EXPECT_EQ(recorded("xdg-email"), "--subject\n\n--attach\n" + attachment + "\n");
}

TEST_F(MailWaysTest, ThunderbirdComposesWhenXdgEmailFindsNoMailProgramOrIsMissing) {
  standIn("xdg-email", 3);  // "no method available"
  standIn("thunderbird", 0);
  EXPECT_EQ(send(message(kTitle)), 1);
  // Commas and quotes inside values are escaped so that they cannot end a
  // field of -compose.
  std::string expected =
      "-compose\nsubject=R%C3%A9sum%C3%A9%2C%20%22final%22%20%27draft%27,attachment=";
  std::string args = recorded("thunderbird");
  EXPECT_EQ(args.substr(0, expected.size()), expected) << args;
  EXPECT_NE(args.find("/out/Quarterly%20report%2C%20final.pdf\n"), std::string::npos) << args;

  platform::deleteFile(bin + "/xdg-email");
  platform::deleteFile(machine.path("thunderbird.args"));
  EXPECT_EQ(send(message("")), 1);
  EXPECT_EQ(recorded("thunderbird").substr(0, 29), "-compose\nsubject=,attachment=");
}

// Without a running Thunderbird, -compose becomes the running one and stays:
// still there when the watch ends, it has the message.
TEST_F(MailWaysTest, AThunderbirdThatStaysRunningHasTheMessage) {
  standIn("xdg-email", 3);
  const std::string pid = machine.path("thunderbird.pid");
  testsupport::writeFile(bin + "/thunderbird", "#!/bin/sh\necho $$ > '" + pid + "'\nexec /bin/sleep 10\n");
  testsupport::run({"/bin/chmod", "+x", bin + "/thunderbird"});
  EXPECT_EQ(send(message(kTitle)), 1);
  const int running = std::atoi(testsupport::readFile(pid).c_str());
  ASSERT_GT(running, 0);
  EXPECT_EQ(::kill(running, SIGTERM), 0) << "it was still running";
}

TEST_F(MailWaysTest, WithoutAnyComposerNoWayWorks) {
  EXPECT_EQ(send(message(kTitle)), -1);
  standIn("xdg-email", 4);
  standIn("thunderbird", 1);
  EXPECT_EQ(send(message(kTitle)), -1);
  EXPECT_NE(recorded("thunderbird"), "") << "both were tried";
}

}  // namespace
}  // namespace platform

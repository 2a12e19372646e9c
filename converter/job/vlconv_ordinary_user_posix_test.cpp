// Jobs of a user without administrator rights, who may not write the
// printer's machine settings: every text there reaches such a user locked.
#include <string>

#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "converter/settings/settings_keys.h"
#include "platform/posix/registry_store.h"

namespace vellora {
namespace e2e {
namespace {

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";

class OrdinaryUserJobs : public VlconvTest {
 protected:
  void dropAdministratorRights() {
    setMachineString(kDefaultSettingsKey, "PDFAuthor", "Norvale");
    ASSERT_EQ(platform::posix::setKeyProtected(platform::HKLM, kDefaultSettingsKey, true),
              platform::kRegOk);
    machine.setEnv("VELLORA_USER_RIGHTS", "user");
  }
};

// A remembered profile (or a default one) loaded for a job nobody is asked
// about puts the locked values back: the document keeps its own title.
TEST_F(OrdinaryUserJobs, RememberedSettingsKeepEachDocumentsTitle) {
  dropAdministratorRights();
  options("Vellora", "DefaultPath=" + outDir + kSep + "\n");
  setUserNumber(kUserKey, "RememberLast", 1);
  setUserString(kUserKey, "LastDirectory", outDir);
  machine.unsetEnv("VELLORA_UI_SCRIPT");
  for (const char* title : {"Budget", "Minutes"}) {
    testsupport::RunResult result = print(spool(postScriptJob(title, 2)));
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::string pdf = outDir + kSep + title + ".pdf";
    ASSERT_TRUE(platform::fileExists(pdf)) << title;
    EXPECT_EQ(pdfinfo(pdf, "Title"), title);
    EXPECT_EQ(pdfinfo(pdf, "Author"), "Norvale");
  }
}

}  // namespace
}  // namespace e2e
}  // namespace vellora

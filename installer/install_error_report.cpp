#include "installer/install_error_report.h"

#include <cstdio>
#include <string>

#include "common/form_post.h"
#include "common/report_server.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr const char kAgentCaption[] = "Norvale Error Agent";
constexpr const char kAgentQuestion[] =
    "Errors occurred during Vellora installation.\nPlease select 'yes' to allow the Norvale error\n"
    "agent to log your error to our servers.";
constexpr const char kSpoolerCaption[] = "Vellora Installation Error";
constexpr const char kSpoolerMessage[] =
    "Vellora was unable to communicate with the Windows print spooler.\nTry re-booting your system "
    "and installing Vellora again.\nIf this problem persisits, please contact Norvale for support.";

}  // namespace

int ReportInstallError() {
  InstallerState& installer = Installer();
  platform::UserInterface& ui = platform::ui();
  const unsigned warning = platform::kMbIconWarning | platform::kMbTopmost;
  if (!installer.spoolerReachable) {
    ui.messageBox(kSpoolerMessage, kSpoolerCaption, platform::kMbOk | warning);
  } else {
    // With no report server configured there is nothing to send, and no
    // one is asked.
    const ReportServer server = ConfiguredReportServer();
    if (server.configured() &&
        ui.messageBox(kAgentQuestion, kAgentCaption, platform::kMbYesNo | warning) == platform::kIdYes) {
      ui.setCursor(platform::Cursor::kWait);
      PostInstallForm(server.hostName, kPostMethod, kReportPath, InstallerReportBody(installer.installLog.str()));
      ui.setCursor(platform::Cursor::kArrow);
    }
  }
  WriteInstallLog();
  const std::string log = installer.windowsDir.str() + platform::kPathSeparator + "vlinst.log";
  std::fprintf(stderr, "vlsetup: the printer could not be installed; see %s\n", log.c_str());
  return kInstallFailedExitCode;
}

}  // namespace vellora

// The office under load, in its short form (the long one, with its figures,
// is scripts/load-test): two print servers on this machine, the first with
// the class "Vellora" of one member of its own and one passing jobs on to
// the second; a few users print a mix of jobs at once over IPP with their
// passwords, and every job ends in its user's home.
#include <gtest/gtest.h>

#include "testsupport/posix/file_modes.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/office_load.h"

namespace vellora {
namespace installertest {
namespace {

TEST(OfficeLoad, TwoServersBehindOneNameEndEveryJobInItsUsersHome) {
  SKIP_WITHOUT_PRIVATE_CUPS();
  testsupport::FreshMachine machine;
  ASSERT_TRUE(testsupport::posix::setPermissionBits(machine.base(), 0755));
  const testsupport::OfficePrograms programs = {VLCONV_PATH, VLUTIL_PATH, VLREG_PATH, VLGSREG_PATH, VLSETUP_PATH,
                                                INSTALLATION_FILES};
  std::string why;
  testsupport::PrintServer second(machine.path("second"), programs), first(machine.path("first"), programs);
  ASSERT_TRUE(testsupport::startPrintServers({&first, &second}, &why)) << why;
  ASSERT_EQ(0, second.vlsetup("share").exitCode);
  ASSERT_EQ(0, first.vlsetup("class:1").exitCode);
  ASSERT_EQ(0, first.vlsetup("remote:" + second.cups().ippsUri("Vellora")).exitCode);
  ASSERT_EQ(0, first.vlsetup("share").exitCode);

  testsupport::Office office(machine.path("office"), 3);
  ASSERT_TRUE(office.ready(&why)) << why;
  const testsupport::LoadFigures figures = office.printAtOnce(first, 5, 240);
  EXPECT_EQ(15, figures.jobs);
  for (const std::string& fault : figures.faults) ADD_FAILURE() << fault;
  // (A wrong password of one's own name: OfficePrinting.)
  for (const std::string& fault : office.refusals(first, true)) ADD_FAILURE() << fault;
  // The second server took its share, as the users who printed.
  EXPECT_FALSE(second.cups().jobStates().empty()) << first.cups().errorLog();
}

}  // namespace
}  // namespace installertest
}  // namespace vellora

#include "converter/settings/store_access.h"

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class StoreAccess : public testsupport::FreshMachineTest {};

TEST_F(StoreAccess, WritesCreateTheKeyAndNamesIgnoreCase) {
  EXPECT_EQ(readStoreNumber(StoreKey::kUser, "locationx", -999), -999);
  writeStoreNumber(StoreKey::kUser, "AutoView", -5);
  EXPECT_EQ(readStoreNumber(StoreKey::kUser, "autoview"), -5);
  EXPECT_EQ(readStoreNumber(StoreKey::kMachine, "AutoView"), 0);  // the other key

  writeStoreText(StoreKey::kMachine, "InterpreterLocation", "gs");
  EXPECT_EQ(readStoreText(StoreKey::kMachine, "interpreterlocation"), "gs");
  writeStoreText(StoreKey::kUser, "LastDirectory", std::string(780, 'd'));
  EXPECT_EQ(readStoreText(StoreKey::kUser, "LastDirectory"), "");  // too long to read

  deleteStoreValue(StoreKey::kUser, "AUTOVIEW");
  EXPECT_FALSE(storeNumberExists(StoreKey::kUser, "AutoView"));
}

}  // namespace
}  // namespace vellora

// DDE over Unix sockets: the stand-ins' server on a thread of the test, the
// platform's client in it.
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "platform/dde.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"
#include "tools/standins/dde_server.h"

namespace {

struct Served {
  std::mutex lock;
  std::vector<std::string> commands;
  bool refuse = false;
  standin::DdeServer* server = nullptr;
};

bool onExecute(const std::string& command, void* context) {
  Served& served = *static_cast<Served*>(context);
  std::lock_guard<std::mutex> hold(served.lock);
  served.commands.push_back(command);
  if (command == "[quit]") served.server->stop();
  return !served.refuse;
}

std::vector<platform::DdeConversation> gEnded;
void onDisconnect(platform::DdeConversation conversation, void*) { gEnded.push_back(conversation); }

class Dde : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    server = standin::DdeServer::create("Excel", onExecute, &served);
    ASSERT_TRUE(server);
    served.server = server.get();
    gEnded.clear();
  }
  void serveInBackground() {
    thread = std::thread([this] { server->serve(10000); });
  }
  void TearDown() override {
    if (thread.joinable()) {
      server->stop();
      thread.join();
    }
  }
  Served served;
  std::unique_ptr<standin::DdeServer> server;
  std::thread thread;
};

TEST_F(Dde, CommandsReachTheServerOnTheSystemTopicOnly) {
  serveInBackground();
  auto client = platform::DdeClient::create(onDisconnect, nullptr);
  ASSERT_TRUE(client);
  EXPECT_EQ(client->connect("excel", "Sheets"), 0u);
  EXPECT_EQ(client->connect("WinWord", "System"), 0u);
  const platform::DdeConversation conversation = client->connect("EXCEL", "System");
  ASSERT_NE(conversation, 0u);
  EXPECT_TRUE(client->execute(conversation, "[open(\"/a b/book.xls\")][Close()]", 8000));
  served.refuse = true;
  EXPECT_FALSE(client->execute(conversation, "[refused]", 8000));
  client->disconnect(conversation);
  std::lock_guard<std::mutex> hold(served.lock);
  EXPECT_EQ(served.commands,
            (std::vector<std::string>{"[open(\"/a b/book.xls\")][Close()]", "[refused]"}));
}

TEST_F(Dde, AServiceNameIsOfferedOnceAndFreedWithItsServer) {
  EXPECT_FALSE(standin::DdeServer::create("excel", onExecute, &served));
  server.reset();
  EXPECT_TRUE(standin::DdeServer::create("Excel", onExecute, &served));
}

TEST_F(Dde, AServerThatEndsTheConversationIsNoticed) {
  serveInBackground();
  auto client = platform::DdeClient::create(onDisconnect, nullptr);
  const platform::DdeConversation conversation = client->connect("Excel", "System");
  ASSERT_NE(conversation, 0u);
  EXPECT_TRUE(client->execute(conversation, "[quit]", 8000));
  thread.join();
  server.reset();
  EXPECT_FALSE(client->execute(conversation, "[after]", 8000));
  EXPECT_EQ(gEnded, std::vector<platform::DdeConversation>{conversation});
  EXPECT_EQ(client->connect("Excel", "System"), 0u);
}

TEST_F(Dde, TheSocketFolderIsPrivate) {
  std::string folder = platform::tempPath() + "vellora-dde-" + platform::userName();
  struct stat info;
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // A folder others may enter is not used.
  server.reset();
  chmod(folder.c_str(), 0755);
  EXPECT_FALSE(standin::DdeServer::create("Excel", onExecute, &served));
  auto client = platform::DdeClient::create(onDisconnect, nullptr);
  EXPECT_EQ(client->connect("Excel", "System"), 0u);
}

}  // namespace

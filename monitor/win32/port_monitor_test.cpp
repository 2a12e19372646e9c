// The monitor DLL as a spooler drives it (Wine's way: no printer name and no
// job id unless given), with the real converter of the build on a fresh
// machine, which keeps jobs as PostScript (no interpreter is chosen).
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include "common/product.h"
#include "monitor/win32/monitor_log.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace monitor {
namespace {

const std::string kSep = "\\";

// Wine's spooler hands a monitor registry functions that are not
// implemented.
LONG WINAPI notImplementedCreate(HANDLE, LPCWSTR, DWORD, REGSAM, PSECURITY_ATTRIBUTES, PHANDLE, PDWORD, HANDLE) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
LONG WINAPI notImplementedClose(HANDLE, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }

std::string job(const std::string& titleComment, int pages) {
  std::string ps = "%!PS-Adobe-3.0\n%%Creator: Wine PostScript Driver\n%%Title: " + titleComment +
                   "\n%%Pages: (atend)\n%%EndComments\n";
  for (int page = 1; page <= pages; ++page)
    ps += "%%Page: " + std::to_string(page) + " " + std::to_string(page) +
          "\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (Page " + std::to_string(page) +
          ") show showpage\n";
  return ps + "%%Trailer\n%%Pages: " + std::to_string(pages) + "\n%%EOF\n";
}

class PortMonitorTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    product = machine.root() + kSep + "Programs" + kSep + "Vellora";
    outDir = machine.path("out");
    ASSERT_TRUE(platform::createDirectories(product));
    ASSERT_TRUE(platform::createDirectories(outDir));
    ASSERT_TRUE(platform::copyFile(VLCONV_PATH, product + kSep + "vlconv.exe", false));
    setMachineString(kProductKey, kAppPathValue, product);
    setMachineString(kProductKey, "InterpreterLocation", "None (Write Postscript Files)");
    options("Vellora", outDir);
    module = LoadLibraryA(VLMON_PATH);
    ASSERT_NE(module, nullptr) << VLMON_PATH;
    auto initialize = reinterpret_cast<LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "InitializePrintMonitor2")));
    ASSERT_NE(initialize, nullptr);
    registry.cbSize = sizeof registry;
    registry.fpCreateKey = notImplementedCreate;
    registry.fpCloseKey = notImplementedClose;
    MONITORINIT init = {};
    init.cbSize = sizeof init;
    init.pMonitorReg = &registry;
    init.bLocal = TRUE;
    table = initialize(&init, &handle);
    ASSERT_NE(table, nullptr);
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }

  void setMachineString(const std::string& key, const std::string& name, const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKLM, key), platform::kRegOk);
    ASSERT_EQ(k.setString(name, value), platform::kRegOk);
  }
  void options(const std::string& printer, const std::string& folder) {
    testsupport::writeFile(product + kSep + printer + ".opt", "[CommandOptions]\nDefaultPath=" + folder + kSep +
                                                                  "\nSuppressDialog=true\nAutoNameTitle=true\n");
  }
  std::string workFolder() const { return platform::applicationDataFolder() + kSep + "Vellora" + kSep + "Temp"; }
  std::vector<std::string> spoolFilesLeft() const {
    std::vector<std::string> names;
    platform::listDirectory(workFolder(), "vlm*.ps", &names);
    return names;
  }

  // One job through the port, its data in pieces of `piece` bytes.
  bool print(const wchar_t* printer, const wchar_t* document, const std::string& data, DWORD* error,
             std::size_t piece = 1000) {
    HANDLE port = nullptr;
    if (!table->pfnOpenPort(handle, const_cast<wchar_t*>(L"VLM:"), &port)) return false;
    DOC_INFO_1W info = {const_cast<wchar_t*>(document), const_cast<wchar_t*>(L"VLM:"), const_cast<wchar_t*>(L"RAW")};
    bool ok = table->pfnStartDocPort(port, const_cast<wchar_t*>(printer), 0, 1, reinterpret_cast<BYTE*>(&info));
    for (std::size_t at = 0; ok && at < data.size(); at += piece) {
      DWORD size = static_cast<DWORD>(std::min(piece, data.size() - at));
      DWORD written = 0;
      ok = table->pfnWritePort(port, reinterpret_cast<BYTE*>(const_cast<char*>(data.data() + at)), size, &written) &&
           written == size;
    }
    ok = ok && table->pfnEndDocPort(port);
    *error = ok ? 0 : GetLastError();
    table->pfnClosePort(port);
    return ok;
  }

  // Waits (at most 30 s) until the file exists and no spool file is left,
  // the converter having ended.
  bool waitForResult(const std::string& path) {
    for (int i = 0; i < 600; ++i) {
      if (platform::fileExists(path) && spoolFilesLeft().empty()) return true;
      platform::sleepMilliseconds(50);
    }
    return false;
  }

  std::string product, outDir;
  HMODULE module = nullptr;
  MONITORREG registry = {};
  HANDLE handle = nullptr;
  LPMONITOR2 table = nullptr;
};

TEST_F(PortMonitorTest, ServesItsOnePortAndRegistersItWhereWineLooks) {
  platform::RegKey key;
  EXPECT_EQ(key.open(platform::HKLM, "System\\CurrentControlSet\\Control\\Print\\Monitors\\Norvale Print Monitor"
                                     "\\Ports\\VLM:",
                     platform::kRegRead),
            platform::kRegOk);

  DWORD needed = 0, count = 7;
  EXPECT_FALSE(table->pfnEnumPorts(handle, nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(count, 0u);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(table->pfnEnumPorts(handle, nullptr, 2, buffer.data(), needed, &needed, &count));
  ASSERT_EQ(count, 1u);
  const PORT_INFO_2W* port = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  EXPECT_STREQ(port->pPortName, L"VLM:");
  EXPECT_STREQ(port->pMonitorName, L"Norvale Print Monitor");
  EXPECT_EQ(port->fPortType, static_cast<DWORD>(PORT_TYPE_WRITE));
  ASSERT_TRUE(table->pfnEnumPorts(handle, nullptr, 1, buffer.data(), needed, &needed, &count));
  EXPECT_STREQ(reinterpret_cast<const PORT_INFO_1W*>(buffer.data())->pName, L"VLM:");
  EXPECT_FALSE(table->pfnEnumPorts(handle, nullptr, 3, buffer.data(), needed, &needed, &count));

  HANDLE other = nullptr;
  EXPECT_FALSE(table->pfnOpenPort(handle, const_cast<wchar_t*>(L"LPT1:"), &other));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  // Every port function a spooler requires before it routes a job here.
  EXPECT_TRUE(table->pfnStartDocPort && table->pfnWritePort && table->pfnEndDocPort && table->pfnClosePort);
}

TEST_F(PortMonitorTest, AJobBecomesTheUsersDocumentAndItsSpoolFileGoes) {
  const std::string data = job("(Quarterly \\(Q3\\) Report)", 3);
  DWORD error = 0;
  ASSERT_TRUE(print(nullptr, L"Quarterly (Q3) Report", data, &error, 700)) << error;
  const std::string made = outDir + kSep + "Quarterly (Q3) Report.ps";
  ASSERT_TRUE(waitForResult(made)) << testsupport::readFile(monitorLogPath());
  // The job as printed, its title comment in plain text for the converter.
  const std::string written = testsupport::readFile(made);
  EXPECT_NE(written.find("%%Title: Quarterly (Q3) Report\n"), std::string::npos) << written.substr(0, 400);
  EXPECT_NE(written.find(data.substr(data.find("%%Pages: (atend)"))), std::string::npos);
  const std::string log = testsupport::readFile(monitorLogPath());
  EXPECT_NE(log.find("Job \"Quarterly (Q3) Report\" of "), std::string::npos) << log;
  EXPECT_NE(log.find("Converting \"Quarterly (Q3) Report\" (3 pages)"), std::string::npos) << log;
}

TEST_F(PortMonitorTest, ThePrinterNamedBySpoolerSelectsItsOwnOptions) {
  const std::string salesOut = machine.path("sales");
  ASSERT_TRUE(platform::createDirectories(salesOut));
  options("Sales Desk", salesOut);
  DWORD error = 0;
  ASSERT_TRUE(print(L"Sales Desk", L"Offer 17", job("Offer 17", 1), &error)) << error;
  ASSERT_TRUE(waitForResult(salesOut + kSep + "Offer 17.ps")) << testsupport::readFile(monitorLogPath());
  EXPECT_FALSE(platform::fileExists(outDir + kSep + "Offer 17.ps"));
}

TEST_F(PortMonitorTest, AJobThatNeverEndsOrCannotBeConvertedLeavesNothing) {
  // The port closes in the middle of the job.
  HANDLE port = nullptr;
  ASSERT_TRUE(table->pfnOpenPort(handle, const_cast<wchar_t*>(L"VLM:"), &port));
  DWORD written = 0;
  BYTE byte = '%';
  EXPECT_FALSE(table->pfnWritePort(port, &byte, 1, &written)) << "no job has started";
  DOC_INFO_1W info = {const_cast<wchar_t*>(L"Half a job"), nullptr, nullptr};
  ASSERT_TRUE(table->pfnStartDocPort(port, nullptr, 0, 1, reinterpret_cast<BYTE*>(&info)));
  EXPECT_EQ(spoolFilesLeft().size(), 1u);
  std::string data = job("Half a job", 2);
  ASSERT_TRUE(table->pfnWritePort(port, reinterpret_cast<BYTE*>(&data[0]), 100, &written));
  EXPECT_EQ(written, 100u);
  ASSERT_TRUE(table->pfnClosePort(port));
  EXPECT_TRUE(spoolFilesLeft().empty());
  EXPECT_NE(testsupport::readFile(monitorLogPath()).find("The job \"Half a job\" ended before its data was complete"),
            std::string::npos);

  // Without the product's converter the job is refused at its start.
  platform::RegKey key;
  ASSERT_EQ(key.open(platform::HKLM, kProductKey, platform::kRegWrite), platform::kRegOk);
  ASSERT_EQ(key.deleteValue(kAppPathValue), platform::kRegOk);
  key.close();
  DWORD error = 0;
  EXPECT_FALSE(print(nullptr, L"Not installed", job("Not installed", 1), &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(spoolFilesLeft().empty());
  EXPECT_NE(testsupport::readFile(monitorLogPath()).find("could not take the job \"Not installed\""),
            std::string::npos);
  std::vector<std::string> made;
  ASSERT_TRUE(platform::listDirectory(outDir, "*", &made));
  EXPECT_TRUE(made.empty());
}

}  // namespace
}  // namespace monitor
}  // namespace vellora

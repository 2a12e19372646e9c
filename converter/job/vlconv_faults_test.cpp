// Whole jobs through the real vlconv and vlutil with faults injected: jobs
// killed or crashing in the middle, jobs running at once on one name or one
// file, interpreters writing garbage, hostile options and odd paths. After
// each case: the previous file whole at its place, the right number of whole
// PDFs, no temporary file and no process left, nothing written outside the
// output folder, the user's store readable.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "converter/settings/scramble_password.h"
#include "testsupport/posix/file_modes.h"
#include "testsupport/posix/signals.h"
#include "platform/process.h"
#include "platform/system.h"

namespace vellora {
namespace e2e {
namespace {

using testsupport::posix::Signal;

namespace fs = std::filesystem;

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";

class FaultJobs : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    started = machine.path("started");
    existing = outDir + kSep + "Ledger.pdf";
  }

  // A PDF made by Ghostscript from pages that read "<word> 1", "<word> 2"...
  std::string makePdf(const std::string& path, const std::string& word, int pages) {
    std::string ps = "%!PS\n";
    for (int i = 1; i <= pages; ++i)
      ps += "/Helvetica findfont 20 scalefont setfont 72 700 moveto (" + word + " " +
            std::to_string(i) + ") show showpage\n";
    std::string source = machine.path(word + ".ps");
    testsupport::writeFile(source, ps);
    auto made = testsupport::run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                                  "-sOutputFile=" + path, source});
    EXPECT_EQ(made.exitCode, 0) << made.output;
    platform::deleteFile(source);
    return testsupport::readFile(path);
  }
  // A job whose pages read "<word> 1", "<word> 2"...
  std::string pagesJob(const std::string& title, const std::string& word, int pages) {
    std::string ps = "%!PS-Adobe-3.0\n%%Title: " + title + "\n";
    for (int i = 1; i <= pages; ++i)
      ps += "/Helvetica findfont 20 scalefont setfont 72 700 moveto (" + word + " " +
            std::to_string(i) + ") show showpage\n";
    return ps;
  }

  // Puts the delaying stand-in at path with its configuration.
  void installDelay(const std::string& path, const std::string& config) {
    platform::createDirectories(path.substr(0, path.find_last_of(kSep)));
    ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + kSep + "standin-delay",
                                   path, false));
    testsupport::writeFile(path + ".conf", config);
  }
  // Ghostscript behind the stand-in, in a folder with a blank in its name,
  // registered as the machine's interpreter. Only the converter's run (an
  // "@" argument file) is delayed or falsified.
  void interpreterBehind(const std::string& config) {
    const std::string program = machine.path("Program Files") + kSep + "gs" + kSep + "gs";
    installDelay(program, "when=@\nexec=" + FindProgramOnPath("gs") + "\nstarted=" + started +
                              "\n" + config);
    std::string log;
    ASSERT_EQ(RegisterHostGhostscript(&log, program), 0) << log;
  }
  // The product's utility behind the stand-in for one command.
  void utilityBehind(const std::string& command, const std::string& config) {
    const std::string real = product + kSep + "vlutil-real";
    ASSERT_TRUE(platform::copyFile(VLUTIL_PATH, real, false));
    installDelay(product + kSep + "vlutil",
                 "when=" + command + "\nexec=" + real + "\nstarted=" + started + "\n" + config);
  }

  std::unique_ptr<platform::ChildProcess> startJob(const std::string& spoolFile, int pages = 1) {
    auto child = std::make_unique<platform::ChildProcess>();
    std::string line = platform::quoteArgument(VLCONV_PATH) + " " + std::to_string(pages) + " " +
                       platform::quoteArgument(spoolFile) + " Document Vellora";
    platform::StartOptions options;
    EXPECT_TRUE(child->start(line, options));
    return child;
  }
  int finish(platform::ChildProcess& child) {
    EXPECT_EQ(child.wait(120000), platform::kWaitDone);
    return child.exitCode();
  }
  // Waits until the stand-in has started its pause.
  void waitForStandIn() {
    for (int i = 0; i < 2000 && testsupport::readFile(started).empty(); ++i)
      platform::sleepMilliseconds(10);
    ASSERT_FALSE(testsupport::readFile(started).empty()) << "the stand-in never started";
  }
  // Sends the signal to a job waiting in the stand-in and waits for its end.
  int endJob(platform::ChildProcess& child, Signal signal) {
    waitForStandIn();
    EXPECT_TRUE(testsupport::posix::sendSignal(child.id(), signal));
    return finish(child);
  }

  // Processes whose command line names a file of this machine.
  std::vector<std::string> processesLeft() {
    std::vector<std::string> left;
    for (int round = 0; round < 500; ++round) {
      left.clear();
      for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string line = testsupport::readFile(entry.path().string() + "/cmdline");
        std::replace(line.begin(), line.end(), '\0', ' ');
        if (line.find(machine.base()) != std::string::npos) left.push_back(name + ": " + line);
      }
      if (left.empty()) break;
      platform::sleepMilliseconds(10);
    }
    return left;
  }

  // Every file below the machine's folder.
  std::set<std::string> allFiles() {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(machine.base()))
      if (!entry.is_directory()) files.insert(entry.path().string());
    return files;
  }
  void snapshot() { before = allFiles(); }
  // Files that appeared since the snapshot outside the places a job may
  // write: the output folder, the run logs, the user's store, the records of
  // the user interface and the stand-ins.
  std::vector<std::string> strayFiles() {
    std::vector<std::string> stray;
    const std::string store = machine.home() + kSep + ".config" + kSep + "vellora" + kSep;
    for (const std::string& file : allFiles()) {
      if (before.count(file)) continue;
      if (file.compare(0, outDir.size() + 1, outDir + kSep) == 0) continue;
      if (file.compare(0, store.size(), store) == 0) continue;
      if (file == product + kSep + "vlconv.log" || file == workFolder() + kSep + "vlconv.log")
        continue;
      if (file == machine.path("ui-record") || file == started) continue;
      stray.push_back(file);
    }
    return stray;
  }
  std::vector<std::string> outputFiles() {
    std::vector<std::string> names;
    platform::listDirectory(outDir, "*", &names);
    std::sort(names.begin(), names.end());
    return names;
  }
  bool wholePdf(const std::string& path) {
    return testsupport::run({"qpdf", "--check", path}).exitCode == 0;
  }
  int pageCount(const std::string& path) {
    return std::atoi(testsupport::run({"qpdf", "--show-npages", path}).output.c_str());
  }
  bool isPostScript(const std::string& path) {
    std::string text = testsupport::readFile(path);
    return text.find("%!PS") != std::string::npos && text.find("%PDF") == std::string::npos;
  }
  std::string runLog() { return testsupport::readFile(product + kSep + "vlconv.log"); }

  // What every case must leave: no process, no temporary file, nothing
  // outside the output folder, and a store that still reads.
  void expectCleanMachine() {
    EXPECT_EQ(processesLeft(), std::vector<std::string>());
    EXPECT_EQ(filesLeftInWorkFolder(), std::vector<std::string>());
    EXPECT_EQ(strayFiles(), std::vector<std::string>());
    for (const std::string& name : outputFiles()) EXPECT_NE(name[0], '.') << name;
    platform::resetPlatformRegistry();
    platform::RegKey user;
    ASSERT_EQ(user.open(platform::HKCU, kUserKey, platform::kRegRead), platform::kRegOk);
    std::string name, data;
    platform::RegType type;
    long read = user.enumValue(0, &name, &type, &data);
    EXPECT_TRUE(read == platform::kRegOk || read == platform::kRegNoMoreItems) << read;
  }
  // Prints a job saved over `existing` with the choice given and ends it
  // with the signal while it waits in the stand-in; the previous file must
  // be whole and no process left. Returns the spool file.
  std::string printAndEnd(const std::string& choice, Signal signal, const std::string& old) {
    answers("saveas: " + existing + "\nfileexists: " + choice + "\n");
    platform::deleteFile(started);
    std::string job = spool(pagesJob("Ledger", "New", 1));
    snapshot();
    auto child = startJob(job);
    lastExitCode = endJob(*child, signal);
    EXPECT_TRUE(testsupport::readFile(existing) == old) << testsupport::posix::signalNumber(signal);
    EXPECT_EQ(processesLeft(), std::vector<std::string>()) << testsupport::posix::signalNumber(signal);
    return job;
  }
  // A job that died without cleaning up leaves its files to the next job.
  void runNextJob() {
    const std::string optionsFile = product + kSep + "Vellora.opt";
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
    answers("");
    EXPECT_EQ(print(spool(postScriptJob("Next", 1))).exitCode, 0);
    EXPECT_TRUE(wholePdf(outDir + kSep + "Next.pdf"));
    platform::deleteFile(optionsFile);
    platform::deleteFile(outDir + kSep + "Next.pdf");
  }

  std::string started;
  std::string existing;
  int lastExitCode = 0;
  std::set<std::string> before;
};

// --- Jobs at once -----------------------------------------------------------

TEST_F(FaultJobs, JobsOfOneTitleStartedTogetherEachGetAName) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  for (int count : {8, 16}) {
    platform::removeTree(outDir);
    platform::createDirectories(outDir);
    // Every job picks "Quarterly1.pdf" when it is named; all but one must
    // move on when they find it taken.
    const std::string old = makePdf(outDir + kSep + "Quarterly.pdf", "Old", 1);
    std::vector<std::string> spoolFiles;
    for (int i = 0; i < count; ++i) spoolFiles.push_back(spool(pagesJob("Quarterly", "Job", 1)));
    snapshot();
    std::vector<std::unique_ptr<platform::ChildProcess>> jobs;
    for (const std::string& file : spoolFiles) jobs.push_back(startJob(file));
    for (auto& job : jobs) EXPECT_EQ(finish(*job), 0);

    EXPECT_TRUE(testsupport::readFile(outDir + kSep + "Quarterly.pdf") == old);
    std::vector<std::string> expected = {"Quarterly.pdf"};
    for (int n = 1; n <= count; ++n) expected.push_back("Quarterly" + std::to_string(n) + ".pdf");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(outputFiles(), expected) << runLog();
    for (const std::string& name : outputFiles()) EXPECT_TRUE(wholePdf(outDir + kSep + name)) << name;
    for (const std::string& file : spoolFiles) EXPECT_FALSE(platform::fileExists(file));
    expectCleanMachine();
  }
}

TEST_F(FaultJobs, JobsOfOneTitleSavedWithoutADialogEachGetAName) {
  // Nobody can be asked: every job takes the first free name when it is
  // named, and must claim another when it finds that one taken.
  machine.unsetEnv("VELLORA_UI_SCRIPT");
  setUserString(kUserKey, "LastDirectory", outDir);
  const int count = 8;
  const std::string old = makePdf(outDir + kSep + "Quarterly.pdf", "Old", 1);
  std::vector<std::string> spoolFiles;
  for (int i = 0; i < count; ++i)
    spoolFiles.push_back(spool(pagesJob("Quarterly", "Job" + std::to_string(i), 1)));
  snapshot();
  std::vector<std::unique_ptr<platform::ChildProcess>> jobs;
  for (const std::string& file : spoolFiles) jobs.push_back(startJob(file));
  for (auto& job : jobs) EXPECT_EQ(finish(*job), 0);

  EXPECT_TRUE(testsupport::readFile(outDir + kSep + "Quarterly.pdf") == old);
  std::vector<std::string> expected = {"Quarterly.pdf"};
  for (int n = 1; n <= count; ++n) expected.push_back("Quarterly" + std::to_string(n) + ".pdf");
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(outputFiles(), expected) << runLog();
  // Each job's own pages, each in a file of its own.
  std::set<std::string> words;
  for (int n = 1; n <= count; ++n) {
    const std::string pdf = outDir + kSep + "Quarterly" + std::to_string(n) + ".pdf";
    EXPECT_TRUE(wholePdf(pdf)) << pdf;
    const std::string text = pdfText(pdf);
    const std::string::size_type at = text.find("Job");
    if (at != std::string::npos) words.insert(text.substr(at, text.find(' ', at) - at));
  }
  EXPECT_EQ(words.size(), static_cast<std::size_t>(count));
  expectCleanMachine();
}

TEST_F(FaultJobs, JobsAppendingToOneFileAtOnceEachAddTheirPages) {
  makePdf(existing, "Old", 2);
  answers("saveas: " + existing + "\nfileexists: append\n");
  const int count = 8, pages = 2;
  std::vector<std::string> spoolFiles;
  for (int i = 0; i < count; ++i)
    spoolFiles.push_back(spool(pagesJob("Ledger", "Job" + std::to_string(i), pages)));
  snapshot();
  std::vector<std::unique_ptr<platform::ChildProcess>> jobs;
  for (const std::string& file : spoolFiles) jobs.push_back(startJob(file, pages));
  for (auto& job : jobs) EXPECT_EQ(finish(*job), 0);

  ASSERT_TRUE(wholePdf(existing));
  EXPECT_EQ(pageCount(existing), 2 + count * pages);
  std::string text = pdfText(existing);
  EXPECT_LT(text.find("Old 1"), text.find("Old 2"));
  for (int i = 0; i < count; ++i) {
    const std::string word = "Job" + std::to_string(i);
    EXPECT_LT(text.find("Old 2"), text.find(word + " 1")) << word;
    EXPECT_LT(text.find(word + " 1"), text.find(word + " 2")) << word;
  }
  EXPECT_EQ(outputFiles(), std::vector<std::string>{"Ledger.pdf"});
  expectCleanMachine();
}

// Jobs nobody can be asked about (named from their title without a dialog)
// that brought the answer "append" with them, all at once on one name: the
// first makes the file, every other one adds its pages; none is lost. A
// later job may put its pages first; one without the answer takes a new name.
TEST_F(FaultJobs, JobsThatBroughtTheAnswerToJoinOneFileAtOnceEachAddTheirPages) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  machine.setEnv("VELLORA_EXISTING_FILE", "append");
  const int count = 6, pages = 2;
  std::vector<std::string> spoolFiles;
  for (int i = 0; i < count; ++i)
    spoolFiles.push_back(spool(pagesJob("Ledger", "Job" + std::to_string(i), pages)));
  snapshot();
  std::vector<std::unique_ptr<platform::ChildProcess>> jobs;
  for (const std::string& file : spoolFiles) jobs.push_back(startJob(file, pages));
  for (auto& job : jobs) EXPECT_EQ(finish(*job), 0);
  ASSERT_TRUE(wholePdf(existing)) << runLog();
  EXPECT_EQ(pageCount(existing), count * pages);
  std::string text = pdfText(existing);
  for (int i = 0; i < count; ++i) {
    const std::string word = "Job" + std::to_string(i);
    EXPECT_NE(text.find(word + " 1"), std::string::npos) << word;
    EXPECT_LT(text.find(word + " 1"), text.find(word + " 2")) << word;
  }
  EXPECT_EQ(outputFiles(), std::vector<std::string>{"Ledger.pdf"});

  machine.setEnv("VELLORA_EXISTING_FILE", "prepend");
  EXPECT_EQ(print(spool(pagesJob("Ledger", "Cover", 1))).exitCode, 0);
  EXPECT_EQ(pageCount(existing), count * pages + 1);
  EXPECT_EQ(pdfText(existing).find("Cover 1"), pdfText(existing).find_first_not_of(" \n\f"));
  machine.unsetEnv("VELLORA_EXISTING_FILE");
  EXPECT_EQ(print(spool(pagesJob("Ledger", "Other", 1))).exitCode, 0);
  EXPECT_EQ(outputFiles(), (std::vector<std::string>{"Ledger.pdf", "Ledger1.pdf"}));
  EXPECT_EQ(pageCount(existing), count * pages + 1);
  expectCleanMachine();
}

// --- Jobs ended from outside --------------------------------------------------

TEST_F(FaultJobs, TerminationAtTheInterpreterEndsTheJobAsAFailure) {
  interpreterBehind("sleep_ms=60000\n");
  const std::string old = makePdf(existing, "Old", 2);
  answers("saveas: " + existing + "\nfileexists: replace\n");
  for (Signal signal : {Signal::kTerminate, Signal::kHangUp, Signal::kInterrupt}) {
    platform::deleteFile(started);
    std::string job = spool(pagesJob("Ledger", "New", 1));
    snapshot();
    auto child = startJob(job);
    waitForStandIn();
    // Meanwhile only its owner may read what the job holds.
    EXPECT_EQ(testsupport::posix::permissionBits(workFolder()) & 0777, 0700);
    for (const auto& entry : fs::directory_iterator(workFolder()))
      EXPECT_EQ(testsupport::posix::permissionBits(entry.path().string()) & 0777, 0600) << entry.path();
    EXPECT_EQ(endJob(*child, signal), 0) << "ended like a failure, not by the signal";
    EXPECT_TRUE(testsupport::readFile(existing) == old) << testsupport::posix::signalNumber(signal);
    EXPECT_FALSE(platform::fileExists(job)) << "the spool file goes with the job";
    EXPECT_NE(runLog().find("ended from outside"), std::string::npos) << runLog();
    EXPECT_EQ(outputFiles(), std::vector<std::string>{"Ledger.pdf"});
    expectCleanMachine();
  }
}

TEST_F(FaultJobs, KillingOrCrashingAtTheInterpreterLeavesTheOldFileAndNoProcess) {
  interpreterBehind("sleep_ms=60000\n");
  const std::string old = makePdf(existing, "Old", 2);
  for (Signal signal : {Signal::kKill, Signal::kSegmentationFault}) {
    std::string job = printAndEnd("replace", signal, old);
    platform::deleteFile(job);  // the monitor's; a job that was killed cannot delete it

    // What the dead job left in the working folder goes with the next job.
    EXPECT_FALSE(filesLeftInWorkFolder().empty());
    interpreterBehind("");
    runNextJob();
    EXPECT_TRUE(testsupport::readFile(existing) == old);
    expectCleanMachine();
    interpreterBehind("sleep_ms=60000\n");
  }
}

TEST_F(FaultJobs, KillingOrTerminatingAtTheUtilityLeavesTheOldFileAndNoProcess) {
  utilityBehind("c", "sleep_ms=60000\n");
  const std::string old = makePdf(existing, "Old", 2);
  for (Signal signal : {Signal::kKill, Signal::kTerminate}) {
    std::string job = printAndEnd("append", signal, old);
    if (signal == Signal::kKill) {
      platform::deleteFile(job);
      runNextJob();
    } else {
      EXPECT_EQ(lastExitCode, 0);
      EXPECT_NE(runLog().find("ended from outside"), std::string::npos);
    }
    EXPECT_FALSE(platform::fileExists(job));
    EXPECT_TRUE(testsupport::readFile(existing) == old);
    expectCleanMachine();
  }
}

TEST_F(FaultJobs, AKilledJobWhoseInterpreterWritesInPlaceKeepsTheBackup) {
  // Distiller writes the user's file itself; a job killed meanwhile must
  // leave the previous document's copy for the user, not for the sweep.
  const std::string distiller = machine.path("Acrobat") + kSep + "acrodist";
  const std::string real = "exec=" + std::string(VELLORA_STANDIN_DIR) + kSep + "standin-distiller\n";
  installDelay(distiller, "when=/\nsleep_ms=60000\nstarted=" + started + "\n" + real);
  setMachineString("SOFTWARE\\Norvale\\Vellora", "InterpreterLocation",
                   "SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");
  setMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroDist.exe", "",
                   distiller);
  const std::string old = makePdf(existing, "Old", 2);
  platform::deleteFile(printAndEnd("replace", Signal::kKill, old));
  installDelay(distiller, real);
  runNextJob();
  std::vector<std::string> kept = filesLeftInWorkFolder();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(testsupport::readFile(workFolder() + kSep + kept[0]) == old);
}

TEST_F(FaultJobs, AnInterpreterThatFailsAfterWritingInPlaceGivesThePreviousFileBack) {
  // A file type of the options file is written by the interpreter straight
  // into the user's file: one that fails has written over it already, and
  // the job puts the previous file back.
  interpreterBehind("output=half an image\nexit=1\n");
  options("Vellora", "FileType1Des=TIFF image (*.tif)\nFileType1Ext=*.tif\nIntCommand1=-sDEVICE=tiffg4\n"
                     "DefaultExtIndex=3\n");
  const std::string image = outDir + kSep + "Scan.tif";
  testsupport::writeFile(image, "the previous image");
  answers("saveas: " + image + "\nfileexists: replace\n");
  snapshot();
  EXPECT_EQ(print(spool(pagesJob("Scan", "New", 1))).exitCode, 0);
  EXPECT_EQ(testsupport::readFile(image), "the previous image") << runLog();
  EXPECT_NE(runLog().find("exit code: 1"), std::string::npos) << runLog();
  expectCleanMachine();
}

// --- Bad output and bad input -------------------------------------------------

TEST_F(FaultJobs, GarbageFromTheInterpreterFailsTheJobAndAsksNothingAboutTheOldFile) {
  interpreterBehind("output=this is not a PDF\nexit=0\n");
  const std::string old = makePdf(existing, "Old", 2);
  for (const char* choice : {"replace", "append"}) {
    answers(std::string("saveas: ") + existing + "\nfileexists: " + choice + "\n");
    platform::deleteFile(machine.path("ui-record"));
    snapshot();
    EXPECT_EQ(print(spool(pagesJob("Ledger", "New", 1))).exitCode, 0);
    EXPECT_TRUE(testsupport::readFile(existing) == old) << choice;
    EXPECT_NE(runLog().find("not a readable PDF"), std::string::npos) << runLog();
    for (const std::string& text : messages())
      EXPECT_EQ(text.find("unable to read the existing PDF"), std::string::npos) << text;
    expectCleanMachine();
  }
}

TEST_F(FaultJobs, ASpoolFileWithoutPostScriptFailsInsteadOfReplacing) {
  const std::string old = makePdf(existing, "Old", 2);
  answers("saveas: " + existing + "\nfileexists: replace\n");
  for (const std::string& content : {std::string(), std::string("\r\n  \n"), std::string("%!PS\n%%EOF\n")}) {
    std::string job = spool(content);
    snapshot();
    EXPECT_EQ(print(job).exitCode, 0);
    EXPECT_TRUE(testsupport::readFile(existing) == old);
    EXPECT_NE(runLog().find("holds no PostScript"), std::string::npos);
    EXPECT_FALSE(platform::fileExists(job));
    EXPECT_EQ(outputFiles(), std::vector<std::string>{"Ledger.pdf"});
    expectCleanMachine();
  }
}

TEST_F(FaultJobs, PostScriptIsNeverPutOverAPdfItWasToBeJoinedTo) {
  // No interpreter on the machine: the job writes PostScript.
  ASSERT_EQ(platform::registry().DeleteTree(platform::HKLM, "SOFTWARE\\Norvale\\GPL Ghostscript"),
            platform::kRegOk);
  const std::string old = makePdf(existing, "Old", 2);
  answers("saveas: " + existing + "\nfileexists: append\n");
  snapshot();
  ASSERT_EQ(print(spool(pagesJob("Ledger", "New", 1))).exitCode, 0);
  EXPECT_TRUE(testsupport::readFile(existing) == old);
  const std::string beside = outDir + kSep + "Ledger.ps";
  EXPECT_TRUE(isPostScript(beside));
  EXPECT_EQ(outputFiles(), (std::vector<std::string>{"Ledger.pdf", "Ledger.ps"}));
  expectCleanMachine();
}

TEST_F(FaultJobs, ATypedNameIsCheckedForAnExistingFileWithItsExtension) {
  makePdf(existing, "Old", 2);
  answers("saveas: " + outDir + kSep + "Ledger\nfileexists: append\n");
  snapshot();
  ASSERT_EQ(print(spool(pagesJob("Ledger", "New", 1))).exitCode, 0);
  // Asked about Ledger.pdf, the user chose to append.
  EXPECT_EQ(pageCount(existing), 3);
  EXPECT_EQ(outputFiles(), std::vector<std::string>{"Ledger.pdf"});
  expectCleanMachine();
}

TEST_F(FaultJobs, HostileOptionsNeitherHangNorLeaveTheFolder) {
  // A NUL ends the value; "../" in a prefix is a name, not a way out; a
  // folder written without its separator is still the folder.
  options("Vellora", "DefaultPath=" + outDir + std::string(1, '\0') + "junk\nSuppressDialog=true\n" +
                         "AutoNameTitle=true\nAutoNamePrefix=.." + kSep + ".." + kSep + "\n");
  snapshot();
  auto result = testsupport::run({VLCONV_PATH, "1", spool(pagesJob("Report", "New", 1))}, 60000);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(outputFiles(), std::vector<std::string>{".._.._Report.pdf"});
  EXPECT_TRUE(wholePdf(outDir + kSep + ".._.._Report.pdf"));
  EXPECT_EQ(processesLeft(), std::vector<std::string>());
  EXPECT_EQ(strayFiles(), std::vector<std::string>());
}

TEST_F(FaultJobs, TheFileTypeIndexAlwaysGivesAMatchingExtension) {
  for (const char* index : {"-1", "7", "2"}) {
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n" +
                           "DefaultExtIndex=" + index + "\n");
    platform::removeTree(outDir);
    platform::createDirectories(outDir);
    snapshot();
    ASSERT_EQ(print(spool(pagesJob("Typed", "New", 1))).exitCode, 0);
    if (std::string(index) == "2") {
      EXPECT_EQ(outputFiles(), std::vector<std::string>{"Typed.ps"});
      EXPECT_TRUE(isPostScript(outDir + kSep + "Typed.ps"));
    } else {
      EXPECT_EQ(outputFiles(), std::vector<std::string>{"Typed.pdf"}) << index;
      EXPECT_TRUE(wholePdf(outDir + kSep + "Typed.pdf"));
    }
    expectCleanMachine();
  }
}

// --- Protection ---------------------------------------------------------------

TEST_F(FaultJobs, OddPermissionValuesStillEncrypt) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  setUserNumber(kUserKey, "EncryptionLevel", 2);
  setUserString(kUserKey, "EUserPassword", ScramblePassword("reader"));
  setUserNumber(kUserKey, "EAllowPrinting", 2);
  setUserNumber(kUserKey, "EAllowCopyPaste", 0xffffffffu);
  setUserString(kUserKey, "EAllowFillIn", "1");
  snapshot();
  ASSERT_EQ(print(spool(pagesJob("Secret", "New", 1))).exitCode, 0);
  const std::string pdf = outDir + kSep + "Secret.pdf";
  EXPECT_EQ(testsupport::run({"qpdf", "--requires-password", pdf}).exitCode, 0) << runLog();
  std::string shownTo =
      testsupport::run({"qpdf", "--show-encryption", "--password=reader", pdf}).output;
  EXPECT_NE(shownTo.find("print high resolution: allowed"), std::string::npos) << shownTo;
  EXPECT_NE(shownTo.find("extract for any purpose: allowed"), std::string::npos);
  EXPECT_NE(shownTo.find("modify annotations: not allowed"), std::string::npos);
  expectCleanMachine();
}

TEST_F(FaultJobs, FailedEncryptionNeverDeliversAnUnprotectedDocument) {
  utilityBehind("e", "exit=3\n");
  const std::string old = makePdf(existing, "Old", 2);
  answers("saveas: " + existing + "\nfileexists: replace\n");
  setUserNumber(kUserKey, "EncryptionLevel", 1);
  setUserString(kUserKey, "EUserPassword", ScramblePassword("reader"));
  snapshot();
  ASSERT_EQ(print(spool(pagesJob("Ledger", "New", 1))).exitCode, 0);
  EXPECT_TRUE(testsupport::readFile(existing) == old);
  ASSERT_FALSE(messages().empty());
  EXPECT_EQ(messages()[0], "Sorry, document encryption failed.");
  EXPECT_NE(runLog().find("Encryption failed"), std::string::npos);
  EXPECT_EQ(outputFiles(), std::vector<std::string>{"Ledger.pdf"});
  expectCleanMachine();
}

TEST_F(FaultJobs, TheUsersStoreAndWorkingFolderArePrivate) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  ASSERT_EQ(print(spool(pagesJob("Mine", "New", 1))).exitCode, 0);
  const std::string store = machine.home() + kSep + ".config" + kSep + "vellora";
  EXPECT_EQ(testsupport::posix::permissionBits(store) & 0777, 0700);
  for (const auto& entry : fs::directory_iterator(store))
    EXPECT_EQ(testsupport::posix::permissionBits(entry.path().string()) & 0777, 0600) << entry.path();
  EXPECT_EQ(testsupport::posix::permissionBits(workFolder()) & 0777, 0700);
}

// --- Names and paths ----------------------------------------------------------

TEST_F(FaultJobs, NamesAndPathsAsLinuxExpectsThem) {
  interpreterBehind("");  // Ghostscript under "Program Files"
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  snapshot();
  // Latin-1 escapes of a Windows title become UTF-8 in the name.
  ASSERT_EQ(print(spool(pagesJob("R\\351sum\\351 \\050final\\051.doc", "New", 1))).exitCode, 0);
  // No title and no document name: "Untitled", never a hidden ".pdf".
  ASSERT_EQ(vlconv({"1", spool("%!PS\nshowpage\n")}).exitCode, 0);
  ASSERT_EQ(vlconv({"1", spool("%!PS\nshowpage\n"), "Memo.txt"}).exitCode, 0);
  // A spool path far past 260 characters.
  std::string deep = machine.path(std::string(120, 'd') + kSep + std::string(120, 'e') + kSep +
                                  std::string(60, 'f') + ".tmp");
  testsupport::writeFile(deep, pagesJob("Deep", "New", 1));
  ASSERT_EQ(print(deep).exitCode, 0) << runLog();
  EXPECT_FALSE(platform::fileExists(deep));
  // A spool file that is a link is read, but the link is never deleted.
  std::string target = spool(pagesJob("Linked", "New", 1));
  std::string link = machine.path("link.tmp");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_EQ(print(link).exitCode, 0);
  EXPECT_TRUE(platform::fileExists(link));
  EXPECT_TRUE(platform::fileExists(target));
  platform::deleteFile(link);
  platform::deleteFile(target);
  fs::remove_all(machine.path(std::string(120, 'd')));

  EXPECT_EQ(outputFiles(),
            (std::vector<std::string>{"Deep.pdf", "Linked.pdf", "Memo.pdf",
                                      "R\xc3\xa9sum\xc3\xa9 (final).pdf", "Untitled.pdf"}));
  for (const std::string& name : outputFiles()) EXPECT_TRUE(wholePdf(outDir + kSep + name)) << name;
  expectCleanMachine();
}

}  // namespace
}  // namespace e2e
}  // namespace vellora

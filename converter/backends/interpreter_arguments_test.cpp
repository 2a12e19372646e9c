#include "converter/backends/interpreter_arguments.h"

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "platform/files.h"

namespace vellora {
namespace {

// The pdfwrite setup line as Ghostscript 10 gets it.
const std::string kSetup =
    "-c save pop \"4 dict begin /vlprev currentpagedevice /EndPage get def currentglobal true "
    "setglobal /vlcount [0] def setglobal << /EndPage { //vlprev exec dup { //vlcount 0 2 copy "
    "get 1 add put (Page      ) dup length string copy dup 9 10 put //vlcount 0 get 10000 mod 4 "
    "string cvs 1 index exch dup length 9 exch sub exch putinterval print flush } if } >> "
    "setpagedevice end\"";

class ArgumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(settings.get(), 0, sizeof(SettingsRecord));
    settings->PDFLevel = 2;
    job->includePath = "\"/gs/lib:/gs/fonts\"";
    job->fontsDir = "/win/fonts";
    job->workFile = "/t/vlo1A2B.tmp";
    job->pdfSettingsName = "printer";
    job->paramsFile = "/app/params.ps";
    job->prologueFile = "/t/vlp0001.tmp";
    job->spoolFile = "/spool/job 1.ps";
    job->epilogueFile = "/t/vle0002.tmp";
    job->outputPath = "/home/u/Report.pdf";
    job->tempDir = "/t";
    job->systemDir = "/sys";
    job->interpreterExe = "/usr/bin/gs";
    job->interpreterKind = kGhostscript;
  }

  InterpreterArguments build(const std::string& intCommand = std::string()) {
    return buildInterpreterArguments(*job, *settings, intCommand, "/t/vl.cmd");
  }

  std::unique_ptr<JobRecord> job{new JobRecord};
  std::unique_ptr<SettingsRecord> settings{new SettingsRecord};
};

TEST_F(ArgumentsTest, InstalledGhostscriptWithPresetName) {
  InterpreterArguments a = build();
  EXPECT_EQ(a.set, ArgumentSet::kGhostscript);
  EXPECT_EQ(a.commandFileText,
            "\"-I/gs/lib:/gs/fonts\"\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dNOGC\n-dBATCH\n"
            "-dCompatibilityLevel=1.4\n-sOutputFile=\"/t/vlo1A2B.tmp\"\n-q\n-dPDFSETTINGS=/printer\n"
            "-sFONTPATH=\"/win/fonts\"\n" +
                kSetup +
                "\n-f \"/app/params.ps\" \"/t/vlp0001.tmp\" \"/spool/job 1.ps\" \"/t/vle0002.tmp\"");
  EXPECT_EQ(a.commandLine, "/usr/bin/gs @\"/t/vl.cmd\"");
}

TEST_F(ArgumentsTest, AProgramPathWithABlankIsQuoted) {
  job->interpreterExe = "/opt/Program Files/gs/gs";
  EXPECT_EQ(build().commandLine, "\"/opt/Program Files/gs/gs\" @\"/t/vl.cmd\"");
  job->interpreterKind = kOwnGhostscript;
  job->systemDir = "/Windows/System 32";
  job->interpreterExe = "kelp/bin/gs";
  EXPECT_EQ(build().commandLine, std::string("\"/Windows/System 32") + platform::kPathSeparator +
                                     "kelp/bin/gs\"  @\"/t/vl.cmd\"");
}

TEST_F(ArgumentsTest, InstalledGhostscriptWithPresetFile) {
  job->presetFilesInUse = 1;
  job->pdfSettingsName = "/app/QOptions/Print.joboptions";
  settings->PDFLevel = 0;
  EXPECT_EQ(build().commandFileText,
            "\"-I/gs/lib:/gs/fonts\"\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dNOGC\n-dBATCH\n"
            "-dCompatibilityLevel=1.2\n-sOutputFile=\"/t/vlo1A2B.tmp\"\n-q\n"
            "-sFONTPATH=\"/win/fonts\"\n" +
                kSetup +
                "\n-f \"/app/QOptions/Print.joboptions\" \"/app/params.ps\" \"/t/vlp0001.tmp\" "
                "\"/spool/job 1.ps\" \"/t/vle0002.tmp\"");
}

TEST_F(ArgumentsTest, OwnGhostscriptWithPresetName) {
  job->interpreterKind = kOwnGhostscript;
  job->includePath = "/sys/kelp/lib:/sys/kelp/fonts:";
  job->interpreterExe = std::string("kelp") + platform::kPathSeparator + "bin" +
                        platform::kPathSeparator + "gs";
  settings->PDFLevel = 1;
  InterpreterArguments a = build();
  EXPECT_EQ(a.commandFileText,
            "-I/sys/kelp/lib:/sys/kelp/fonts:\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dBATCH\n"
            "-dNOGC\n-dCompatibilityLevel=1.3\n-dPDFSETTINGS=/printer\n-sFONTPATH=\"/win/fonts\"\n"
            "-sOutputFile=\"/t/vlo1A2B.tmp\"\n-q\n" +
                kSetup +
                "\n-f \"/app/params.ps\" \"/t/vlp0001.tmp\" \"/spool/job 1.ps\" \"/t/vle0002.tmp\"");
  // Two blanks before "@"; the program is named relative to the system folder.
  EXPECT_EQ(a.commandLine, std::string("/sys") + platform::kPathSeparator + "kelp" +
                               platform::kPathSeparator + "bin" + platform::kPathSeparator +
                               "gs  @\"/t/vl.cmd\"");
}

TEST_F(ArgumentsTest, OwnGhostscriptWithPresetFileAndNoParametersFile) {
  job->interpreterKind = kOwnGhostscript;
  job->includePath = "/k/lib";
  job->presetFilesInUse = 1;
  job->pdfSettingsName = "/q/Screen.joboptions";
  job->paramsFile = "";
  EXPECT_EQ(build().commandFileText,
            "-I/k/lib\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dBATCH\n-dNOGC\n"
            "-dCompatibilityLevel=1.4\n-sFONTPATH=\"/win/fonts\"\n-sOutputFile=\"/t/vlo1A2B.tmp\"\n"
            "-q\n" +
                kSetup +
                "\n-f \"/q/Screen.joboptions\" \"\" \"/t/vlp0001.tmp\" \"/spool/job 1.ps\" "
                "\"/t/vle0002.tmp\"");
}

TEST_F(ArgumentsTest, MissingParametersFileIsAnEmptyQuotedName) {
  job->paramsFile = "";
  const std::string text = build().commandFileText;
  EXPECT_NE(text.find("\n-f \"\" \"/t/vlp0001.tmp\""), std::string::npos) << text;
}

TEST_F(ArgumentsTest, PStillGetsNoEpilogue) {
  job->interpreterKind = kPStill;
  job->interpreterExe = "/opt/pstill/pstill";
  InterpreterArguments a = build();
  EXPECT_EQ(a.set, ArgumentSet::kPStill);
  EXPECT_EQ(a.commandFileText,
            "-m Xusesrctransp -c -c -i -K -p -t -2 -a 4 -l 1 -R 0 -d 200 -v -M forcepdflevel=14\n"
            "-i -p -C -f -g -2 -c\n-T /t\n-o \"/t/vlo1A2B.tmp\"\n"
            "\"/app/params.ps\" \"/t/vlp0001.tmp\" \"/spool/job 1.ps\"");
  EXPECT_EQ(a.commandLine, "/opt/pstill/pstill @\"/t/vl.cmd\"");
}

TEST_F(ArgumentsTest, ExtraTypeMadeByTheInterpreterWhateverTheKind) {
  job->filterIndex = 4;
  job->extraFileTypes = {{"PNG", "*.png", 1}, {"TIFF", "*.tif", 0}};
  job->outputPath = "/home/u/Report.tif";
  InterpreterArguments a = build("-sDEVICE=tiffg4\n-r204x196");
  EXPECT_EQ(a.set, ArgumentSet::kExtraType);
  EXPECT_EQ(interpreterTypeNumber(*job), 2);
  EXPECT_EQ(a.commandFileText,
            "\"-I/gs/lib:/gs/fonts\"\n-sDEVICE=tiffg4\n-r204x196\n-dNOPAUSE\n-dBATCH\n"
            "-sOutputFile=\"/home/u/Report.tif\"\n-q\n-f \"/app/params.ps\" \"/spool/job 1.ps\"");
  EXPECT_EQ(a.commandLine, "/usr/bin/gs @\"/t/vl.cmd\"");

  job->interpreterKind = kOwnGhostscript;
  job->interpreterExe = "kelp/bin/gs";
  EXPECT_EQ(build("-sDEVICE=png16m").commandLine,
            std::string("/sys") + platform::kPathSeparator + "kelp/bin/gs  @\"/t/vl.cmd\"");

  job->interpreterKind = kDistiller;
  job->interpreterExe = "/acro/acrodist";
  InterpreterArguments distiller = build("-sDEVICE=png16m");
  EXPECT_EQ(distiller.set, ArgumentSet::kExtraType);
  EXPECT_EQ(distiller.commandLine, "/acro/acrodist @\"/t/vl.cmd\"");
}

TEST_F(ArgumentsTest, ConvertedExtraTypeIsMadeAsAPdfFirst) {
  job->filterIndex = 3;
  job->extraFileTypes = {{"Word", "*.doc", 1}};
  EXPECT_EQ(interpreterTypeNumber(*job), 0);
  EXPECT_EQ(build().set, ArgumentSet::kGhostscript);
  job->extraFileTypes.clear();
  job->convertedTypeFlags = {1};
  EXPECT_EQ(build().set, ArgumentSet::kGhostscript);
  job->convertedTypeFlags = {0};
  EXPECT_EQ(build().set, ArgumentSet::kExtraType);
}

TEST_F(ArgumentsTest, DistillerCommandLines) {
  job->interpreterKind = kDistiller;
  job->interpreterExe = "/acro/acrodist";
  InterpreterArguments a = build();
  EXPECT_EQ(a.set, ArgumentSet::kDistiller);
  EXPECT_TRUE(a.commandFileText.empty());
  EXPECT_EQ(a.commandLine,
            "\"/acro/acrodist\" /V /N /Q /O \"/home/u/Report.pdf\" \"/spool/job 1.ps\"");

  job->presetFilesInUse = 1;
  job->pdfSettingsName = "/q/Press.joboptions";
  EXPECT_EQ(build().commandLine,
            "\"/acro/acrodist\" /V /N /Q /O \"/home/u/Report.pdf\" /J \"/q/Press.joboptions\" "
            "\"/t/vlp0001.tmp\" \"/t/vle0002.tmp\" \"/spool/job 1.ps\"");
  job->distiller6Syntax = 1;
  EXPECT_EQ(build().commandLine,
            "\"/acro/acrodist\" --nosecurity --deletelog:on /V /N /Q /J \"/q/Press.joboptions\" "
            "/O \"/home/u/Report.pdf\" \"/t/vlp0001.tmp\",\"/t/vle0002.tmp\",\"/spool/job 1.ps\"");
}

TEST_F(ArgumentsTest, NoInterpreterAndUnknownKindsBuildNothing) {
  job->interpreterKind = kNoInterpreter;
  InterpreterArguments none = build();
  EXPECT_EQ(none.set, ArgumentSet::kConcatenation);
  EXPECT_TRUE(none.commandFileText.empty());
  EXPECT_TRUE(none.commandLine.empty());
  job->interpreterKind = kUnknownInterpreter;
  InterpreterArguments unknown = build();
  EXPECT_EQ(unknown.set, ArgumentSet::kNone);
  EXPECT_TRUE(unknown.commandLine.empty());
}

TEST_F(ArgumentsTest, APdfJobIsRunByGhostscriptOnlyAndMakesPostScriptWithTheOneFound) {
  job->pdfJob = 1;
  job->spoolFile = "/spool/vlm1.pdf";
  job->utilityOutFile = "/t/vlx1A2C.tmp";
  job->foundInterpreterKind = kOwnGhostscript;
  job->interpreterKind = kOwnGhostscript;
  job->includePath = "/sys/kelp/lib;/sys/kelp/fonts;";
  job->interpreterExe = "kelp/bin/gswin32c.exe";
  // A PDF: the same set as for PostScript, the PDF between prologue and epilogue.
  InterpreterArguments pdf = build();
  EXPECT_EQ(pdf.set, ArgumentSet::kGhostscript);
  EXPECT_NE(pdf.commandFileText.find("\"/t/vlp0001.tmp\" \"/spool/vlm1.pdf\" \"/t/vle0002.tmp\""),
            std::string::npos);

  // PostScript chosen: the job's kind is -1 by then; the Ghostscript found
  // makes PostScript of the PDF into the utility's file.
  job->filterIndex = 2;
  job->interpreterKind = kNoInterpreter;
  InterpreterArguments ps = build();
  EXPECT_EQ(ps.set, ArgumentSet::kPostScriptFromPdf);
  EXPECT_EQ(ps.commandFileText, "-I/sys/kelp/lib;/sys/kelp/fonts;\n-sDEVICE=ps2write\n-dNOPAUSE\n-dBATCH\n"
                                "-sOutputFile=\"/t/vlx1A2C.tmp\"\n-q\n" + kSetup + "\n-f \"/spool/vlm1.pdf\"");
  EXPECT_EQ(ps.commandLine, std::string("/sys") + platform::kPathSeparator + "kelp/bin/gswin32c.exe  @\"/t/vl.cmd\"");
  EXPECT_TRUE(usesCommandFile(ps.set));
  EXPECT_TRUE(judgesExitStatus(ps.set));

  // No Ghostscript (none found, or Distiller and PStill, which cannot read
  // a PDF): nothing runs.
  for (int kind : {kNoInterpreter, kDistiller, kPStill}) {
    job->foundInterpreterKind = kind;
    job->interpreterKind = kind;
    for (int filter : {1, 2}) {
      job->filterIndex = filter;
      InterpreterArguments none = build();
      EXPECT_EQ(none.set, ArgumentSet::kPdfAsItCame) << kind << " " << filter;
      EXPECT_EQ(none.commandLine, "");
    }
  }
  // The interpreter's own types read the PDF as they read PostScript.
  job->extraFileTypes = {{"PNG", "*.png", 0}};
  job->filterIndex = 3;
  EXPECT_EQ(build("-sDEVICE=png16m").set, ArgumentSet::kExtraType);
}

TEST(CommandFilePath, DirectlyInsideTheFolderWithOrWithoutTrailingSeparator) {
  const std::string sep = platform::kPathSeparator;
  const std::string folder = sep + "home" + sep + "u" + sep + "Temp";
  EXPECT_EQ(commandFilePath(folder), folder + sep + "vl.cmd");
  EXPECT_EQ(commandFilePath(folder + sep), folder + sep + "vl.cmd");
  // A job's own command file takes the unique part of its work file's name.
  EXPECT_EQ(commandFilePath(folder, folder + sep + "vlo1A2B.tmp"), folder + sep + "vl1A2B.cmd");
  EXPECT_EQ(commandFilePath(folder + sep, folder + sep + "vlo1A2B.tmp"), folder + sep + "vl1A2B.cmd");
}

}  // namespace
}  // namespace vellora

#include <gtest/gtest.h>

#include "platform/process.h"

using platform::quoteArgument;
using platform::splitCommandLine;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksTabsAndQuotes) {
  EXPECT_EQ(splitCommandLine(""), Args{});
  EXPECT_EQ(splitCommandLine("  \t "), Args{});
  EXPECT_EQ(splitCommandLine("prog a\tb   c  "), (Args{"prog", "a", "b", "c"}));
  EXPECT_EQ(splitCommandLine("prog \"a b\" c\"d e\"f"), (Args{"prog", "a b", "cd ef"}));
  EXPECT_EQ(splitCommandLine("prog \"\" x \"\""), (Args{"prog", "", "x", ""}));
  EXPECT_EQ(splitCommandLine("prog \"open end"), (Args{"prog", "open end"}));
}

TEST(SplitCommandLine, BackslashesBeforeQuotes) {
  // 2n backslashes: n backslashes and the quote groups; 2n+1: n and a quote.
  EXPECT_EQ(splitCommandLine(R"(p a\\"b c")"), (Args{"p", R"(a\b c)"}));
  EXPECT_EQ(splitCommandLine(R"(p a\"b c)"), (Args{"p", R"(a"b)", "c"}));
  EXPECT_EQ(splitCommandLine(R"(p a\\\"b)"), (Args{"p", R"(a\"b)"}));
  // Backslashes not followed by a quote are literal, also at the end.
  EXPECT_EQ(splitCommandLine(R"(p C:\dir\file.ps a\\ b\)"),
            (Args{"p", R"(C:\dir\file.ps)", R"(a\\)", R"(b\)"}));
  EXPECT_EQ(splitCommandLine(R"(p "C:\Program Files\\")"), (Args{"p", R"(C:\Program Files\)"}));
}

TEST(SplitCommandLine, QuoteRunsInsideAGroup) {
  EXPECT_EQ(splitCommandLine(R"(p "a""b")"), (Args{"p", R"(a"b)"}));
  // The system parser leaves the group after the doubled quote.
  EXPECT_EQ(splitCommandLine(R"(p "a""b c")"), (Args{"p", R"(a"b)", "c"}));
  EXPECT_EQ(splitCommandLine(R"(p """)"), (Args{"p", R"(")"}));
}

TEST(SplitCommandLine, ProgramNameTakesBackslashesLiterally) {
  EXPECT_EQ(splitCommandLine(R"("C:\Program Files\gs\gswin32c.exe" @"vl.cmd")"),
            (Args{R"(C:\Program Files\gs\gswin32c.exe)", "@vl.cmd"}));
  EXPECT_EQ(splitCommandLine(R"(C:\x\"y z)"), (Args{R"(C:\x\y z)"}));
  EXPECT_EQ(splitCommandLine(R"(C:\sys\kelp\bin\gswin32c.exe  @"C:\t\vl.cmd")"),
            (Args{R"(C:\sys\kelp\bin\gswin32c.exe)", R"(@C:\t\vl.cmd)"}));
}

TEST(QuoteArgument, LeavesPlainArgumentsAlone) {
  EXPECT_EQ(quoteArgument("abc"), "abc");
  EXPECT_EQ(quoteArgument(R"(C:\dir\)"), R"(C:\dir\)");
  EXPECT_EQ(quoteArgument(""), "\"\"");
  EXPECT_EQ(quoteArgument("a b"), "\"a b\"");
  EXPECT_EQ(quoteArgument(R"(a b\)"), R"("a b\\")");
  EXPECT_EQ(quoteArgument(R"(say "hi")"), R"("say \"hi\"")");
}

TEST(QuoteArgument, RoundTripsThroughSplit) {
  const Args samples = {"",          "plain",        "two words", "tab\there", R"(q"uote)",
                        R"(\")",     R"(end\)",      R"(end\\)",  R"(a b\)",    R"(\\"\\)",
                        "\"\"",      R"(C:\P F\x\)", ";$HOME&|",  "  ",         R"(\\server\share)"};
  std::string line = "prog";
  for (const auto& s : samples) line += " " + quoteArgument(s);
  Args expected = {"prog"};
  expected.insert(expected.end(), samples.begin(), samples.end());
  EXPECT_EQ(splitCommandLine(line), expected);
}

TEST(CommandLineTail, DropsTheProgramAndTheBlanksAfterIt) {
  using platform::commandLineTail;
  EXPECT_EQ(commandLineTail("vellora.exe C:\\My Files\\a.doc"), "C:\\My Files\\a.doc");
  EXPECT_EQ(commandLineTail("\"C:\\Program Files\\Vellora\\vlrun.exe\"   9993 \"a b.ps\""),
            "9993 \"a b.ps\"");
  EXPECT_EQ(commandLineTail("  prog"), "");
  EXPECT_EQ(commandLineTail("prog \t x  "), "x  ");
  EXPECT_EQ(commandLineTail(""), "");
}

TEST(ProgramCommandLine, SplitsBackIntoTheArguments) {
  std::vector<std::string> arguments = {"prog", "9993", "job with blanks.ps", "say \"hi\"", "",
                                        "C:\\dir\\", "a\\\"b"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  const std::string line = platform::programCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(splitCommandLine("prog " + line), arguments);
  EXPECT_EQ(platform::programCommandLine(1, argv.data()), "");
}

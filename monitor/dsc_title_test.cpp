#include "monitor/dsc_title.h"

#include <gtest/gtest.h>

namespace vellora {
namespace monitor {
namespace {

TEST(DscTitle, AStringTitleBecomesItsText) {
  EXPECT_EQ("Meeting Notes", plainTitleValue(" (Meeting Notes)"));
  EXPECT_EQ("a (b) c", plainTitleValue("(a \\(b\\) c)"));
  EXPECT_EQ("a (nested) b", plainTitleValue("(a (nested) b)"));
  EXPECT_EQ("back\\slash two words", plainTitleValue("(back\\\\slash two\\nwords)"));
  EXPECT_EQ("Caf\\351", plainTitleValue("(Caf\\351)")) << "octal escapes are the converter's";
  // Anything that is not one string stays as it is.
  for (const char* value : {" Microsoft Word - Report.doc", " (Draft) Plan (v2)", " (a) (b)", " (open", " ()x",
                            " Plan (v2)", ""})
    EXPECT_EQ(value, plainTitleValue(value)) << value;
  EXPECT_EQ("", plainTitleValue("()"));
}

TEST(DscTitle, OnlyTheFirstTitleLineOfTheHeaderChanges) {
  EXPECT_EQ("%!PS-Adobe-3.0\n%%Title: Budget Plan\n%%For: ann\n%%Title: (second)\n",
            withPlainTitle("%!PS-Adobe-3.0\n%%Title: (Budget Plan)\n%%For: ann\n%%Title: (second)\n"));
  EXPECT_EQ("%!PS\r\n%%Title: Budget\r\n", withPlainTitle("%!PS\r\n%%Title:(Budget)\r\n"));
  const std::string plain = "%!PS\n%%Title: Microsoft Word - Report.doc\n";
  EXPECT_EQ(plain, withPlainTitle(plain));
  EXPECT_EQ("%!PS\n% %%Title: (x)\n", withPlainTitle("%!PS\n% %%Title: (x)\n"));
}

}  // namespace
}  // namespace monitor
}  // namespace vellora

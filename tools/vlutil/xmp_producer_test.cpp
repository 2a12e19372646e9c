#include "tools/vlutil/xmp_producer.h"

#include <gtest/gtest.h>

namespace vlutil {
namespace {

const std::string kPdfNs = "http://ns.adobe.com/pdf/1.3/";

TEST(XmpProducerTest, SetsAttributeAndElementFormsUnderAnyBoundPrefix) {
  struct Case {
    std::string packet, expected;
  } cases[] = {
      // As Ghostscript's pdfwrite writes it.
      {"<rdf:Description rdf:about=\"\" xmlns:pdf='" + kPdfNs +
           "' pdf:Producer='GPL Ghostscript 10.00.0'/>",
       "<rdf:Description rdf:about=\"\" xmlns:pdf='" + kPdfNs + "' pdf:Producer='New'/>"},
      {"<d xmlns:pdf=\"" + kPdfNs +
           "\"\n  pdf:Producer = \"a 'quoted' > one\" pdf:Keywords=\"k\"/>",
       "<d xmlns:pdf=\"" + kPdfNs + "\"\n  pdf:Producer = \"New\" pdf:Keywords=\"k\"/>"},
      {"<d xmlns:pdf='" + kPdfNs + "'><pdf:Producer>Old</pdf:Producer></d>",
       "<d xmlns:pdf='" + kPdfNs + "'><pdf:Producer>New</pdf:Producer></d>"},
      {"<d xmlns:pdf='" + kPdfNs + "'><pdf:Producer a='>'><![CDATA[x]]></pdf:Producer ></d>",
       "<d xmlns:pdf='" + kPdfNs + "'><pdf:Producer a='>'>New</pdf:Producer ></d>"},
      {"<d xmlns:pdf='" + kPdfNs + "'><pdf:Producer/></d>",
       "<d xmlns:pdf='" + kPdfNs + "'><pdf:Producer>New</pdf:Producer></d>"},
      {"<d xmlns:p2='" + kPdfNs + "' p2:Producer='Old'/>",
       "<d xmlns:p2='" + kPdfNs + "' p2:Producer='New'/>"},
  };
  for (auto& c : cases) {
    EXPECT_EQ(1, setXmpProducer(&c.packet, "New")) << c.expected;
    EXPECT_EQ(c.expected, c.packet);
  }
}

TEST(XmpProducerTest, LeavesOtherNamesAndOtherEncodingsAlone) {
  // Longer names, other prefixes and the producer of another namespace.
  std::string packet = "<d xmlns:pdf='" + kPdfNs +
                       "' xmlns:o='urn:other' pdf:ProducerX='a' xpdf:Producer='b'"
                       " o:Producer='c'><o:Producer>d</o:Producer></d>";
  const std::string before = packet;
  EXPECT_EQ(0, setXmpProducer(&packet, "New"));
  EXPECT_EQ(before, packet);

  std::string utf16("<\0p\0d\0f\0:\0P\0r\0o\0d\0u\0c\0e\0r\0", 26);
  const std::string utf16Before = utf16;
  EXPECT_EQ(-1, setXmpProducer(&utf16, "New"));
  EXPECT_EQ(utf16Before, utf16);
}

TEST(XmpProducerTest, EscapesMarkupQuotesAndControlCharacters) {
  EXPECT_EQ("a&lt;b&gt;&amp;&apos;&quot;&#9;&#10;&#13;c ü",
            xmlEscaped(std::string("a<b>&'\"\t\n\r\x01\x1f" "c \xC3\xBC")));
}

}  // namespace
}  // namespace vlutil

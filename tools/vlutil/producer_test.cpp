#include "tools/vlutil/testing_pdfs.h"

namespace vlutil_testing {
namespace {

const std::string kProducer = "Vellora 2.58";
const std::string kGhostscript = "GPL Ghostscript";

// The value pdfinfo shows for key ("Producer" ...), without the padding.
std::string pdfinfoField(const std::string& path, const std::string& key,
                         const std::string& password = std::string()) {
  std::vector<std::string> arguments{"pdfinfo"};
  if (!password.empty()) arguments.insert(arguments.end(), {"-upw", password});
  arguments.push_back(path);
  std::string output = run(arguments).output;
  size_t at = output.find("\n" + key + ":");
  if (at == std::string::npos && output.compare(0, key.size() + 1, key + ":") == 0) at = 0;
  if (at == std::string::npos) return "<none>";
  size_t value = output.find_first_not_of(' ', output.find(':', at) + 1);
  return output.substr(value, output.find('\n', value) - value);
}

class VlutilProducerTest : public VlutilTest {
 protected:
  void SetUp() override {
    VlutilTest::SetUp();
    writeBytes(path("page.ps"),
               "/Helvetica findfont 24 scalefont setfont\n"
               "72 700 moveto (One) show showpage\n72 700 moveto (Two) show showpage\n");
    // The producer given here is the one Ghostscript replaces with its own.
    RunResult made = run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                          "-sOutputFile=" + path("gs.pdf"), "-c",
                          "[ /Producer (x) /Title (Report T) /DOCINFO pdfmark", "-f",
                          path("page.ps")});
    ASSERT_EQ(0, made.exitCode) << made.output;
    ASSERT_EQ(kGhostscript + " 10.00.0", pdfinfoField(path("gs.pdf"), "Producer"));
  }
};

TEST_F(VlutilProducerTest, GhostscriptOutputGetsTheProducerInInfoAndXmp) {
  const std::string before = readBytes(path("gs.pdf"));
  const Metadata original = xmpMetadata(path("gs.pdf"));
  ASSERT_TRUE(original.present);
  ASSERT_NE(std::string::npos, original.packet.find("pdf:Producer='" + kGhostscript));

  RunResult result = vlutil({"p", path("gs.pdf"), path("out.pdf"), kProducer});
  ASSERT_EQ(0, result.exitCode) << result.output;
  EXPECT_EQ(before, readBytes(path("gs.pdf")));
  EXPECT_EQ((std::vector<std::string>{"gs.pdf", "out.pdf", "page.ps"}), folderEntries());

  const std::string out = path("out.pdf");
  EXPECT_EQ(kProducer, pdfinfoField(out, "Producer"));
  EXPECT_EQ("Report T", pdfinfoField(out, "Title"));
  EXPECT_EQ("2", pdfinfoField(out, "Pages"));
  EXPECT_NE(std::string::npos, run({"qpdf", "--json=2", "--json-key=qpdf", out})
                                   .output.find("\"/Producer\": \"u:" + kProducer + "\""));
  // The packet changes in the producer's text only, and stays readable as
  // plain text in the file (an uncompressed stream with a correct /Length,
  // which qpdf --check would otherwise report).
  Metadata changed = xmpMetadata(out);
  std::string expected = original.packet;
  expected.replace(expected.find(kGhostscript), kGhostscript.size() + 8, kProducer);
  EXPECT_EQ(expected, changed.packet);
  EXPECT_TRUE(changed.unfiltered);
  EXPECT_EQ(std::string::npos, readBytes(out).find(kGhostscript));
  RunResult check = run({"qpdf", "--check", out});
  EXPECT_EQ(0, check.exitCode) << check.output;
}

TEST_F(VlutilProducerTest, ElementFormAndTextThatNeedsEscaping) {
  PdfRecipe recipe;
  recipe.xmp =
      "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
      "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
      "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
      "<rdf:Description rdf:about='' xmlns:pdf='http://ns.adobe.com/pdf/1.3/'>"
      "<pdf:Producer>Some Writer 1.0</pdf:Producer></rdf:Description>\n"
      "</rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>";
  makePdf(path("element.pdf"), recipe);
  const std::string producer = "Grüße <&> 'V' \"2\"";
  ASSERT_EQ(0, vlutil({"p", path("element.pdf"), path("out.pdf"), producer}).exitCode);
  bool present = false;
  EXPECT_EQ(producer, infoValue(path("out.pdf"), "/Producer", &present));
  std::string expected = recipe.xmp;
  expected.replace(expected.find("Some Writer 1.0"), 15,
                   "Grüße &lt;&amp;&gt; &apos;V&apos; &quot;2&quot;");
  EXPECT_EQ(expected, xmpMetadata(path("out.pdf")).packet);
  EXPECT_EQ(0, run({"qpdf", "--check", path("out.pdf")}).exitCode);
}

TEST_F(VlutilProducerTest, DocumentWithoutXmpOrInfoGetsAnInfoProducerOnly) {
  makePdf(path("bare.pdf"), PdfRecipe());
  ASSERT_EQ(0, vlutil({"p", path("bare.pdf"), path("out.pdf"), kProducer}).exitCode);
  EXPECT_EQ(kProducer, pdfinfoField(path("out.pdf"), "Producer"));
  EXPECT_FALSE(xmpMetadata(path("out.pdf")).present);
  EXPECT_EQ(0, run({"qpdf", "--check", path("out.pdf")}).exitCode);
}

TEST_F(VlutilProducerTest, EncryptedInputKeepsItsEncryptionOrNeedsItsPassword) {
  // Encrypted metadata stored uncompressed, as qpdf can write it.
  RunResult made = run({"qpdf", "--allow-weak-crypto", "--compress-streams=n", "--encrypt", "",
                        "boss", "128", "--use-aes=n", "--print=none", "--modify=none", "--",
                        path("gs.pdf"), path("restricted.pdf")});
  ASSERT_EQ(0, made.exitCode) << made.output;
  ASSERT_TRUE(xmpMetadata(path("restricted.pdf")).unfiltered);
  ASSERT_EQ(0, vlutil({"p", path("restricted.pdf"), path("out.pdf"), kProducer}).exitCode);
  EXPECT_EQ(run({"qpdf", "--show-encryption", path("restricted.pdf")}).output,
            run({"qpdf", "--show-encryption", path("out.pdf")}).output);
  EXPECT_NE(std::string::npos,
            run({"qpdf", "--show-encryption", "--password=boss", path("out.pdf")})
                .output.find("print high resolution: not allowed"));
  EXPECT_EQ(kProducer, pdfinfoField(path("out.pdf"), "Producer"));
  Metadata xmp = xmpMetadata(path("out.pdf"));
  EXPECT_NE(std::string::npos, xmp.packet.find("pdf:Producer='" + kProducer + "'"));
  EXPECT_EQ(std::string::npos, xmp.packet.find(kGhostscript));
  EXPECT_TRUE(xmp.unfiltered);
  EXPECT_EQ(0, run({"qpdf", "--check", path("out.pdf")}).exitCode);

  makeEncryptedCopy(path("gs.pdf"), path("locked.pdf"), "secret", "boss", false);
  EXPECT_EQ(4, vlutil({"p", path("locked.pdf"), path("locked-out.pdf"), kProducer}).exitCode);
  EXPECT_FALSE(exists(path("locked-out.pdf")));
}

TEST_F(VlutilProducerTest, RefusedInputsLeaveNoOutputAndTheExistingOneAlone) {
  writeBytes(path("out.pdf"), "previous result");
  writeBytes(path("text.pdf"), "no PDF at all\n");
  EXPECT_EQ(3, vlutil({"p", path("missing.pdf"), path("out.pdf"), kProducer}).exitCode);
  EXPECT_EQ(3, vlutil({"p", path("text.pdf"), path("out.pdf"), kProducer}).exitCode);
  // Without a producer the document would keep Ghostscript's name.
  EXPECT_EQ(97, vlutil({"p", path("gs.pdf"), path("out.pdf"), ""}).exitCode);
  EXPECT_EQ("previous result", readBytes(path("out.pdf")));
  EXPECT_EQ((std::vector<std::string>{"gs.pdf", "out.pdf", "page.ps", "text.pdf"}),
            folderEntries());
}


// f: the converter's one look at the interpreter's result.
TEST_F(VlutilProducerTest, FinishStampsAReadableResultAsPDoes) {
  const std::string before = readBytes(path("gs.pdf"));
  ASSERT_EQ(0, vlutil({"p", path("gs.pdf"), path("p.pdf"), kProducer}).exitCode);
  RunResult result = vlutil({"f", path("gs.pdf"), path("f.pdf"), kProducer});
  ASSERT_EQ(0, result.exitCode) << result.output;
  EXPECT_EQ(before, readBytes(path("gs.pdf")));
  // The same document, byte for byte up to the trailer's new /ID.
  auto body = [](const std::string& pdf) { return pdf.substr(0, pdf.rfind("trailer")); };
  EXPECT_EQ(body(readBytes(path("p.pdf"))), body(readBytes(path("f.pdf"))));
  EXPECT_EQ(kProducer, pdfinfoField(path("f.pdf"), "Producer"));
  EXPECT_EQ(0, run({"qpdf", "--check", path("f.pdf")}).exitCode);

  // An owner password alone does not stop the stamp; an open password does,
  // and the answer is i's: a PDF that needs its password.
  ASSERT_EQ(0, run({"qpdf", "--allow-weak-crypto", "--encrypt", "", "boss", "128", "--use-aes=n",
                    "--print=none", "--", path("gs.pdf"), path("restricted.pdf")})
                   .exitCode);
  EXPECT_EQ(0, vlutil({"f", path("restricted.pdf"), path("restricted-out.pdf"), kProducer}).exitCode);
  EXPECT_EQ(kProducer, pdfinfoField(path("restricted-out.pdf"), "Producer"));
  makeEncryptedCopy(path("gs.pdf"), path("locked.pdf"), "secret", "boss", false);
  EXPECT_EQ(1, vlutil({"i", path("locked.pdf")}).exitCode);
  EXPECT_EQ(1, vlutil({"f", path("locked.pdf"), path("locked-out.pdf"), kProducer}).exitCode);
  EXPECT_FALSE(exists(path("locked-out.pdf")));
}

TEST_F(VlutilProducerTest, FinishRefusesWhatIsNotAWholePdfAsIDoes) {
  writeBytes(path("out.pdf"), "previous result");
  writeBytes(path("text.pdf"), "no PDF at all\n");
  const std::string pdf = readBytes(path("gs.pdf"));
  // Cut where the interpreter could have been stopped: in the middle of the
  // page content, before any cross-reference table.
  writeBytes(path("cut.pdf"), pdf.substr(0, pdf.find("stream") + 20));
  for (const char* name : {"missing.pdf", "text.pdf", "cut.pdf"}) {
    EXPECT_EQ(vlutil({"i", path(name)}).exitCode, 3) << name;
    EXPECT_EQ(vlutil({"f", path(name), path("out.pdf"), kProducer}).exitCode, 3) << name;
  }
  EXPECT_EQ(97, vlutil({"f", path("gs.pdf"), path("out.pdf"), ""}).exitCode);
  EXPECT_EQ(97, vlutil({"f", path("gs.pdf"), path("gs.pdf"), kProducer}).exitCode);
  EXPECT_EQ("previous result", readBytes(path("out.pdf")));
  EXPECT_EQ(pdf, readBytes(path("gs.pdf")));
  EXPECT_EQ((std::vector<std::string>{"cut.pdf", "gs.pdf", "out.pdf", "page.ps", "text.pdf"}),
            folderEntries());
}

}  // namespace
}  // namespace vlutil_testing

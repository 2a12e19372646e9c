#include "testsupport/pdf_documents.h"

#include "testsupport/fresh_machine.h"

namespace testsupport {

namespace {

// The JSON string value that starts at `at` (just past its opening quote).
std::string jsonString(const std::string& json, std::string::size_type at) {
  std::string value;
  for (; at < json.size() && json[at] != '"'; ++at) {
    if (json[at] == '\\' && at + 1 < json.size()) ++at;
    value += json[at];
  }
  return value;
}

std::string qpdfJson(const std::string& pdf, const std::string& password, const std::string& key) {
  std::vector<std::string> command = {"qpdf", "--json=2"};
  if (!key.empty()) command.push_back("--json-key=" + key);
  if (!password.empty()) command.push_back("--password=" + password);
  command.push_back(pdf);
  return run(command).output;
}

}  // namespace

std::string makeLinkedPdf(const std::string& path, const std::string& title, int extraPages) {
  std::string ps = "%!PS-Adobe-3.0\n%%Pages: " + std::to_string(2 + extraPages) + "\n%%EndComments\n";
  if (!title.empty()) ps += "[ /Title (" + title + ") /DOCINFO pdfmark\n";
  ps += "[ /Title (Chapter One) /Page 1 /View [/XYZ null null null] /OUT pdfmark\n"
        "[ /Title (Chapter Two) /Page 2 /View [/XYZ null null null] /OUT pdfmark\n"
        "/Helvetica findfont 20 scalefont setfont\n"
        "72 700 moveto (First page of " + title + ") show\n"
        "72 660 moveto (Visit the annual links) show\n"
        "[ /Rect [72 650 300 680] /Border [0 0 1] /Subtype /Link\n"
        "  /Action << /Subtype /URI /URI (" + std::string(kLinkedPdfUri) + ") >> /ANN pdfmark\n"
        "showpage\n"
        "72 700 moveto (Second page of " + title + ") show showpage\n";
  for (int page = 1; page <= extraPages; ++page)
    ps += "72 700 moveto (More page " + std::to_string(page) + ") show showpage\n";
  ps += "%%EOF\n";
  const std::string source = path + ".source.ps";
  writeFile(source, ps);
  RunResult made = run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite",
                        "-sOutputFile=" + path, source});
  return made.exitCode == 0 ? std::string() : "gs: " + made.output;
}

std::vector<std::string> pdfLinkUris(const std::string& pdf, const std::string& password) {
  const std::string json = qpdfJson(pdf, password, "");
  std::vector<std::string> uris;
  const std::string marker = "\"/URI\": \"";
  for (auto at = json.find(marker); at != std::string::npos; at = json.find(marker, at + 1)) {
    std::string uri = jsonString(json, at + marker.size());
    if (uri.compare(0, 2, "u:") == 0 || uri.compare(0, 2, "b:") == 0) uri.erase(0, 2);
    uris.push_back(uri);
  }
  return uris;
}

std::vector<std::string> pdfBookmarks(const std::string& pdf, const std::string& password) {
  // Each outline lists "destpageposfrom1" before its "title" (keys in
  // order); the test documents' bookmarks have no children.
  const std::string json = qpdfJson(pdf, password, "outlines");
  std::vector<std::string> bookmarks;
  const std::string page = "\"destpageposfrom1\": ";
  const std::string title = "\"title\": \"";
  std::string::size_type at = 0;
  while ((at = json.find(page, at)) != std::string::npos) {
    std::string number;
    for (at += page.size(); at < json.size() && json[at] != ',' && json[at] != '\n'; ++at) number += json[at];
    std::string::size_type named = json.find(title, at);
    if (named == std::string::npos) break;
    bookmarks.push_back(jsonString(json, named + title.size()) + "@" + number);
    at = named;
  }
  return bookmarks;
}

}  // namespace testsupport

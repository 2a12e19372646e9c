#include "converter/ui/string_table.h"

#include <map>

#include "common/agent_texts.h"
#include "common/interpreter_texts.h"

namespace vellora {

namespace {

// Texts are the product's own wording, including its spelling slips
// ("occured", "orignal"), which users and support documents quote.
const std::map<int, std::string>& table() {
  static const std::map<int, std::string> entries = {
      {kTextProductNameId, kTextProductName},
      {2, "Professional"},
      {6, "Standard"},
      {kTextInterpreterMissingId, kTextInterpreterMissing},
      {13, "Would you like to replace this file instead?"},
      {14, "Examining existing PDF file..."},
      {15, "Error reading PDF file."},
      {16, "Sorry, Vellora cannot write to the file path specified."},
      {17,
       "Could not find PostScript Interpreter for PDF conversion, creating postscript file.\nSee "
       "the Vellora readme file for help on resolving this issue."},
      {18, "No filename was chosen, aborting document."},
      {19,
       "Sorry, the orignal file was an encrypted PDF file. Redistilling encrypted PDF files is "
       "not permitted."},
      {20, "Parsing and joining PDF files..."},
      {22,
       "Sorry, the password you entered for the encrypted PDF file is not valid.\nPlease try "
       "again."},
      {23,
       "Sorry, the password you entered for the encrypted PDF file is not valid.\nWould you like "
       "to replace this file instead?"},
      {24,
       "Sorry, Vellora was unable to read the existing PDF file.\nWould you like to replace this "
       "file instead?"},
      {25, "Applying stationery to PDF file..."},
      {26, "Sorry, Vellora was unable to apply PDF stationery"},
      {27, "Setting document permissions on PDF file..."},
      {28,
       "Sorry, Vellora's document encryption not available when using the Acrobat Distiller."},
      {29, "Sorry, document encryption failed."},
      {30, "There was an error writing the PDF file"},
      {32, "Failed sending email attachment."},
      {35,
       "Sorry, a postscript interpreter (needed to create PDF files) is not currently defined in "
       "your settings.\nPlease select the Application tab under Advanced Options and select a "
       "postscript interpreter."},
      {36,
       "Sorry, a postscript interpreter has not been detected on your system. For available "
       "options,\nincluding a free postscript interpreter download, select \"Yes\" to visit the "
       "Norvale site."},
      {37,
       "Sorry, the filename you selected already exists\nand is currently locked by another "
       "application."},
      {39,
       "You have chosen to use PDF encryption however an owner password has not been "
       "specified.\nVellora will assign a  password to this document and it will be restricted "
       "according\nto your settings with no password access.  Is this OK?"},
      {40,
       "You have entered a password but no security level has been set.\nDo you want to continue "
       "without applying document security?"},
      {57,
       "An error occurred while processing your document.\nPlease select 'yes' to allow the "
       "Norvale error\nagent to log your error on our servers."},
      {58, "Norvale Error Agent"},
      {59, "Thank you, your error has been logged."},
      {60,
       "An error occurred while running Vellora. Please select 'yes' to allow the Norvale "
       "error\nagent to log your error on our servers."},
      {61,
       std::string("Your error has been logged, please contact customer support ( ") +
           kSupportAddress + " ) if this error persists."},
      {62, "Save PDF Document"},
      {kTextAgentCannotConnectId, kTextAgentCannotConnect},
      {kTextAgentCannotCloseId, kTextAgentCannotClose},
      {kTextAgentCannotReceiveId, kTextAgentCannotReceive},
      {kTextAgentCannotSendId, kTextAgentCannotSend},
      {kTextAgentCannotResolveId, kTextAgentCannotResolve},
      {70, "You must run the program again for changes to take effect."},
      {74, "Loading..."},
      {kTextNoneFoundId, kTextNoneFound},
      {kTextNoneId, kTextNone},
      {kTextNoInterpreterNoticeId, kTextNoInterpreterNotice},
      {93,
       std::string("Sorry, an error occured while modifying the PDF file.\nPlease report this "
                   "problem to ") +
           kSupportAddress + "."},
      {97, "as your default profile?"},
      {99, "Permanently Delete saved profile"},
      {100, "Web/Email"},
      {101, "Printing"},
      {102, "Prepress"},
      {103, "Use"},
      {104,
       "Vellora could not start the PDF viewer.\nThe PDF file was saved; please open it "
       "yourself."},
      {105,
       "Sorry, Vellora could not create the PostScript output file.\nPlease check that the "
       "working folder is writable."},
      {110, "An error occurred while processing your document."},
      {111, "An error occurred while running Vellora."},
      {112, "The details were written to the run log:"},
      {113, "No run log could be written."},
      {114, "Sorry, the PDF file is damaged and cannot be converted."},
      {115, "Sorry, this document is not a PDF file, although it claims to be one."},
  };
  return entries;
}

}  // namespace

std::string stringTableText(int id) {
  const auto& entries = table();
  auto it = entries.find(id);
  return it == entries.end() ? std::string() : it->second;
}

}  // namespace vellora

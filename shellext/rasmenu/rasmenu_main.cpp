// rasmenu on a Linux desktop: the file managers' "Open with Rasmere" starts
// it with the selected files, and it does what the Windows menu does when
// its item is chosen.
//
//   rasmenu FILE...
//
// Exit code 0 when Rasmere was started for the PDF files among them, 1 when
// there was none.
#include <string>
#include <vector>

#include "shellext/rasmenu/shellext.h"

int main(int argc, char** argv) {
  std::vector<std::string> selection(argv + 1, argv + argc);
  vellora::PdfMenuExtension menu;
  if (menu.initialize(selection) != platform::kSOk) return 1;
  return menu.invokeCommand(0) == platform::kSOk ? 0 : 1;
}

// For the sanitizer build: what GTK and the libraries below it keep until a
// process ends (type registrations, font caches, the display connection) is
// not a leak of ours. LeakSanitizer suppressions, one per line.
#pragma once

namespace testsupport {

constexpr const char kGtkLeakSuppressions[] =
    "leak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n"
    "leak:libgio-2.0.so\nleak:libgdk_pixbuf-2.0.so\nleak:libpango-1.0.so\n"
    "leak:libpangocairo-1.0.so\nleak:libpangoft2-1.0.so\nleak:libcairo.so\n"
    "leak:libfontconfig.so\nleak:libfreetype.so\nleak:libharfbuzz.so\nleak:libatk-1.0.so\n"
    "leak:libatk-bridge-2.0.so\nleak:libepoxy.so\nleak:libgmodule-2.0.so\n"
    // libX11, libXi, libXext, libXrandr...
    "leak:libX\nleak:libxcb\n";

}  // namespace testsupport

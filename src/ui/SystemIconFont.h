#pragma once

// The views draw their symbols with the system's Material Icons font, which the package depends on. Debian installs
// it in web formats too (WOFF2, which FreeType must decompress: a tenth of the window's start here), and Qt would pick
// those before the TrueType file, which FreeType maps instead of reading into memory: hiding the web copies leaves
// the TrueType one. Must run before the first font is looked up.
void hideIconFontWebCopies();

#pragma once

// The views draw their symbols with the icon font they ship. A system may install the same family too, in web formats
// (WOFF2, which FreeType must decompress: a tenth of the window's start here) that Qt picks before the shipped copy;
// hiding the system's copies leaves the shipped one. Must run before the first font is looked up.
void hideSystemIconFont();

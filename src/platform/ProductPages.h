// The program's own pages: what Discwright is, updates and versions, translating. There is no
// web site for them yet, so each is a section of the manual shipped with the program
// (help/index.html beside the executables or in the installed share folder). A web site takes
// over by changing the addresses here; every window that links to a page asks for it here.
#pragma once

#include <QString>

// The HTML manual beside the executables (or in the installed share folder); empty if missing.
QString HelpFilePath();

// file:// addresses of sections of the manual; empty when the manual is missing.
// What Discwright is (the Home button, Help's home page, the About box, the recorder's link).
QString HomePageUrl();
// The product itself: the same section as the home page while both are the manual.
QString ProductPageUrl();
// Updates and versions.
QString UpdatePageUrl();
// How to translate the program into another language.
QString TranslationPageUrl();

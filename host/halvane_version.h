// Product texts shared by the module's registrations and the configuration dialog.
// _A marks narrow (UTF-8) text; the dialog's wide texts are wchar_t literals.
#pragma once

#define HALVANE_TITLE_A "Corvell Halvane"
#define HALVANE_VERSION_A "1.02"
#define HALVANE_DESC L"Corvell Halvane for foobar2000 v1.02"
#define HALVANE_DESC_A HALVANE_TITLE_A " for foobar2000 v" HALVANE_VERSION_A

// The maker's web address and the year-and-maker line (About box and about text).
#define HALVANE_WEBSITE_A "https://www.corvell-audio.example/halvane"
#define HALVANE_WEBSITE L"https://www.corvell-audio.example/halvane"
#define HALVANE_COPYRIGHT_A "(c) 2010 Corvell Audio"
#define HALVANE_COPYRIGHT L"(c) 2010 Corvell Audio"

// get_about_message: the web address, a line feed, the year-and-maker line.
#define HALVANE_ABOUT_A HALVANE_WEBSITE_A "\n" HALVANE_COPYRIGHT_A

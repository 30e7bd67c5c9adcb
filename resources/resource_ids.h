// Identifiers of Glyphwell's embedded resources. Plain #defines, so that the
// resource script and the C++ code share them.
#pragma once

// Icon group: the blue check mark (window, tray and About picture).
#define IDI_GLYPHWELL 1

// PNG images, 8-bit RGBA, as RCDATA.
#define IDR_PNG_NEW 101       // 24 x 24, image button New
#define IDR_PNG_EDIT 102      // 24 x 24, image button Edit
#define IDR_PNG_DELETE 103    // 24 x 24, image button Delete
#define IDR_PNG_HELP 104      // 16 x 16, menu item Help
#define IDR_PNG_SETTINGS 105  // 16 x 16, menu item Settings
#define IDR_PNG_QUIT 106      // 16 x 16, menu item Quit
#define IDR_PNG_FLAG_FR 107   // 16 x 16, language Français
#define IDR_PNG_FLAG_DE 108   // 16 x 16, language Deutsch
#define IDR_PNG_FLAG_GB 109   // 16 x 16, language English

// The beep: RIFF/WAVE, 16-bit mono PCM, as RCDATA.
#define IDR_WAV_BEEP 201

// The character names: Unicode and HTML entity names, zlib-packed, as RCDATA.
#define IDR_CHARACTER_NAMES 301
#define IDR_CHARACTER_SEARCH 302

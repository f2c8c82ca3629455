#pragma once

// Process-wide look settings that the document, editor and list painters
// share. The application sets them from the preferences and the theme.

// Pixel size of ordinary note text; never below 1 (16 stands in).
int editorBodyPixelSize();
// Values below 1 mean "unset" and read back as 16.
void setEditorBodyPixelSize(int pixels);

// True when the application palette's Window colour is no lighter than
// #1E1E1E, i.e. the dark theme is in force.
bool isDarkTheme();

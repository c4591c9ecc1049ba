#pragma once

class QPalette;

// The application's one look: the Fusion style with a fixed light palette,
// whatever the desktop's theme or colour scheme. Cheap enough to run before
// the first window is built.
class LightAppearance
{
public:
    // Sets the style and palette for the whole application; needs a QApplication.
    static void apply();

    static QPalette palette();
};

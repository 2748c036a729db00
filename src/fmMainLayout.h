// The stored layout of the options window: every control with its place, text, look, range, Tag,
// tab order, control identifier and handler, as data, and the one builder that makes them.
#pragma once

namespace px2d {

class TForm1;
class TGlassButton;

// Makes every control of the layout in Form, gives each its layout values, stores it in its field
// and binds its handler. Runs before the window is made.
void BuildLayout(TForm1& Form);

// Gives a glass page button the colours of the app theme: the layout's own in light mode, and in
// dark mode the same glass in dark tones, whose chosen page glows light.
void ApplyGlassColours(TGlassButton& Button);

}  // namespace px2d

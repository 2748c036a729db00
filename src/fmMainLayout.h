// The stored layout of the options window: every control with its place, text, look, range, Tag,
// tab order, control identifier and handler, as data, and the one builder that makes them.
#pragma once

namespace px2d {

class TForm1;

// Makes every control of the layout in Form, gives each its layout values, stores it in its field
// and binds its handler. Runs before the window is made.
void BuildLayout(TForm1& Form);

}  // namespace px2d

#pragma once

namespace korvan {

// The decimal separator of the user's locale (LC_NUMERIC / LANG), for the command-line
// tool; the windows take theirs from the window system.
char SystemDecimalSeparator();

}  // namespace korvan

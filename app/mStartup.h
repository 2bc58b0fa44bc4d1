#pragma once

// Start-up of the window program.
namespace sparrowtrim::mStartup {

// Loads the main window, shows it in the centre of the screen and serves its events until
// the program ends. The arguments other than the toolkit's own name a folder or files to
// show (see fMain).
int Main(int argc, char *argv[]);

} // namespace sparrowtrim::mStartup

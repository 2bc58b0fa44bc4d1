#pragma once

#include <QStringList>

// Start-up of the window program.
namespace sparrowtrim::mStartup {

// What the command line asks: the help or the version on standard output, or the window on
// the folder or files named. "--" ends the options, so that a folder named "--help" can
// still be opened.
struct CommandLine
{
    enum class Action { Open, Help, Version };
    Action action = Action::Open;
    QStringList paths;
};

// The arguments after the program's name, once the toolkit has taken its own.
CommandLine ParseCommandLine(const QStringList &arguments);

// Answers --help and --version without a display; otherwise loads the main window, shows it
// in the centre of the screen and serves its events until the program ends.
int Main(int argc, char *argv[]);

} // namespace sparrowtrim::mStartup

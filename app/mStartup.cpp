#include "app/mStartup.h"

#include "ProductInfo.h"
#include "app/fMain.h"
#include "resources/Artwork.h"

#include <QApplication>
#include <csignal>
#include <cstdio>

namespace sparrowtrim::mStartup {

namespace {

constexpr const char *kHelp =
    "Usage: sparrowtrim [OPTION] [--] [FOLDER | FILE...]\n"
    "Make JPEG files smaller without re-encoding them, in a window.\n"
    "\n"
    "The window starts with FOLDER, or in the folder of the FILEs with them selected.\n"
    "\n"
    "      --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "      --         take what follows as folders or files, even when it starts with\n"
    "                 a dash\n";

// The information options are answered before the toolkit starts, so that they need no
// display; the toolkit's own options (-platform and the like) cannot be mistaken for them.
int AnswerInformation(CommandLine::Action action)
{
    if (action == CommandLine::Action::Help)
        std::fputs(kHelp, stdout);
    else
        std::printf("sparrowtrim (%s) %s\n", product::kTitle, product::kVersionText);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine parsed;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString &argument = arguments.at(index);
        if (argument == QLatin1String("--")) {
            parsed.paths += arguments.mid(index + 1);
            break;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("--version")) {
            parsed.action = argument == QLatin1String("--help") ? CommandLine::Action::Help
                                                                : CommandLine::Action::Version;
            return parsed;
        }
        parsed.paths += argument;
    }
    return parsed;
}

int Main(int argc, char *argv[])
{
    QStringList rawArguments;
    for (int index = 1; index < argc; ++index)
        rawArguments += QString::fromLocal8Bit(argv[index]);
    if (const CommandLine::Action action = ParseCommandLine(rawArguments).action;
        action != CommandLine::Action::Open)
        return AnswerInformation(action);

#ifdef SIGXFSZ
    // Beyond the file-size limit a write fails with its own error: that file fails, the run
    // goes on and the program stays.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(product::kTitle));
    QApplication::setWindowIcon(artwork::ProgramIcon());
    QApplication::setDesktopFileName(QString::fromLatin1(product::kDesktopId));

    // A folder or files to open, from a file manager's "Open With" or a terminal.
    fMain window(ParseCommandLine(QCoreApplication::arguments().mid(1)).paths);
    window.CentreOnScreen();
    window.show();
    return QApplication::exec();
}

} // namespace sparrowtrim::mStartup

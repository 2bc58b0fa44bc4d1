#include "app/mStartup.h"

#include "ProductInfo.h"
#include "app/fMain.h"
#include "resources/Artwork.h"

#include <QApplication>
#include <csignal>

namespace sparrowtrim::mStartup {

int Main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // Beyond the file-size limit a write fails with its own error: that file fails, the run
    // goes on and the program stays.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(product::kTitle));
    QApplication::setWindowIcon(artwork::ProgramIcon());
    QApplication::setDesktopFileName(QString::fromLatin1(product::kDesktopId));

    // A folder or file to open, from a file manager's "Open with" or a terminal.
    fMain window(QCoreApplication::arguments().mid(1));
    window.CentreOnScreen();
    window.show();
    return QApplication::exec();
}

} // namespace sparrowtrim::mStartup

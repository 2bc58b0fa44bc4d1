#include "mStartup.h"

#include "Artwork.h"
#include "ProductInfo.h"
#include "fMain.h"

#include <QApplication>

namespace sparrowtrim::mStartup {

int Main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(product::kTitle));
    QApplication::setWindowIcon(artwork::ProgramIcon());

    fMain window;
    window.CentreOnScreen();
    window.show();
    return QApplication::exec();
}

} // namespace sparrowtrim::mStartup

#include "mStartup.h"

#include "Artwork.h"
#include "ProductInfo.h"
#include "fMain.h"

#include <QApplication>
#include <QFont>

namespace sparrowtrim::mStartup {

namespace {

// The windows ask for their fonts by name; where the machine lacks one, a free family of
// the same proportions stands in.
void AddFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
}

} // namespace

int Main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(product::kTitle));
    QApplication::setWindowIcon(artwork::ProgramIcon());
    AddFontSubstitutes();

    fMain window;
    window.CentreOnScreen();
    window.show();
    return QApplication::exec();
}

} // namespace sparrowtrim::mStartup

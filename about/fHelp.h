#pragma once

#include "about/HelpText.h"

#include <QWidget>
#include <functional>

class QLabel;

namespace sparrowtrim {

// The quick help window: the product title as a banner, how to use the main window, and a
// link to the maker's web page. Modeless, above its owner; closing it deletes it.
class fHelp final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fHelp)

public:
    explicit fHelp(QWidget *owner = nullptr);

    // Opens a web address; the link calls it with the maker's page.
    using WebPageOpener = std::function<void(const QString &address)>;
    void setWebPageOpener(WebPageOpener opener);

    // The labels' places as the last layout left them, in exact (unrounded) pixels.
    const help::Layout &labelLayout() const { return layout_; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Form_Resize();
    void lblURL_Click();
    void placeLabels();

    // Created bottom of the stacking order first: the link is drawn over the help text.
    QLabel *lblLogo = nullptr;
    QLabel *lblAbout = nullptr;
    QLabel *lblURL = nullptr;
    help::Layout layout_ = help::DesignLayout();
    WebPageOpener openWebPage_;
};

} // namespace sparrowtrim

#pragma once

#include "about/Registry.h"
#include "about/SysInfo.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;

namespace sparrowtrim {

// The about window: product title, version and description, OK, and a button that starts the
// system information tool. Modeless, above its owner; closing it deletes it.
class fAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fAbout)

public:
    explicit fAbout(QWidget *owner = nullptr);
    ~fAbout() override;

    // Starts the system information tool, or tells the user it is unavailable.
    void StartSysInfo();

    // Where StartSysInfo looks the tool up and how it starts it; tests put fakes here.
    void setRegistryBackend(std::unique_ptr<registry::Backend> backend);
    void setSysInfoPlatform(sysinfo::Platform platform);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    QLabel *picIcon = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDisclaimer = nullptr;
    std::unique_ptr<registry::Backend> registry_;
    sysinfo::Platform platform_;
};

} // namespace sparrowtrim

#pragma once

#include "app/BatchRun.h"

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace sparrowtrim {

class DetailsList;
class LinkLabel;
class PictureButton;
class QV_Progbar;

// The program's one working window: borderless and skinned, it lists a folder's JPEG files,
// keeps the three options and runs the batch over the selected files.
class fMain final : public QWidget, public BatchView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fMain)

public:
    static constexpr int kWidth = 337;
    static constexpr int kHeight = 439;

    // Builds the controls and runs Form_Load, which shows the folder of the first of
    // openPaths (see mPlaces::OpenRequestFor) or, without one, the start folder.
    explicit fMain(const QStringList &openPaths = {}, QWidget *parent = nullptr);
    ~fMain() override;

    // The three options, "1" meaning on: process read-only files, keep the file's date,
    // write results to the log file.
    const QString &OptionText() const { return m_OptionText; }
    // "Sparrowtrim.log" in the folder that holds the program, or in the user's state folder
    // when the program's folder is not writable (an installed copy).
    static QString LogFileName();
    const BatchRun &Run() const { return m_Run; }

    // Places the window in the centre of its screen.
    void CentreOnScreen();

    // How the program ends at once (the cross button); tests put in their own.
    using ProgramEnd = std::function<void()>;
    static void SetProgramEnd(ProgramEnd end);

    // The batch run writes through these.
    void SetProgressMax(std::int32_t max) override;
    void SetProgressValue(std::int32_t value) override;
    void AddDetailsLine(const std::string &line) override;
    void YieldToEvents() override;
    void ClearSelection() override;
    void SetStatsCaption(int index, const std::string &caption) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateWindowControls(); // window buttons and link labels
    void CreateSourceFrame();    // folder row and statistics
    void CreateSelectFrame();    // file list, options, progress and details
    void CreateButtonFrame();    // Start and Stop
    void Form_Load(const QStringList &openPaths);
    // A folder, or files to select in their folder, as on the command line; false when the
    // paths name none.
    bool OpenPaths(const QStringList &paths);
    void txtImgDir_Change();
    void cmdBrowseImg_Click();
    void cmdselect_Click(int index);
    void chkOptions_Click(int index);
    void cmdAction_Click(int index);
    void btnForm_Click(int index);
    void lblCompany_Click();
    void lblLogo_Click();
    void EndProgram();
    // The file list shows the files of `folder` that match the pattern.
    void RefreshFileList(const QString &folder);

    std::array<PictureButton *, 3> btnForm{};
    LinkLabel *lblCompany = nullptr;
    QFrame *frSource = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtImgDir = nullptr;
    QPushButton *cmdBrowseImg = nullptr;
    std::array<QLabel *, 3> lblStats{};
    QGroupBox *fraSelect = nullptr;
    std::array<QPushButton *, 2> cmdselect{};
    QListWidget *fbImages = nullptr;
    QGroupBox *fraOptions = nullptr;
    std::array<QCheckBox *, 3> chkOptions{};
    QLabel *Label2 = nullptr;
    QV_Progbar *pbOps = nullptr;
    DetailsList *lstDetails = nullptr;
    QFrame *frButtons = nullptr;
    std::array<PictureButton *, 2> cmdAction{};
    LinkLabel *lblLogo = nullptr;

    QString m_OptionText;
    QPixmap m_Background;
    // Position 1 of the option text is read again for every file written back.
    BatchRun m_Run;
};

} // namespace sparrowtrim

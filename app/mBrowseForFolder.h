#pragma once

#include <QDialog>
#include <QPersistentModelIndex>
#include <QString>
#include <cstdint>
#include <functional>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QTimer;
class QTreeView;

namespace sparrowtrim::mBrowseForFolder {

// Messages the folder dialog sends to BrowseCallback.
inline constexpr int kBffmInitialized = 1; // the dialog is ready
inline constexpr int kBffmSelChanged = 2;  // the selection changed

// The modal folder chooser: a title above a tree of the file system's folders, a one-line
// status text and OK / Cancel. Its selection changes are reported to BrowseCallback.
class FolderDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderDialog)

public:
    explicit FolderDialog(const QString &title, QWidget *parent = nullptr);

    // What the callback does to the dialog.
    void SetSelection(const QString &folder);
    void EnableOk(bool enable);
    void SetStatusText(const QString &text);

    QString Title() const;
    QString StatusText() const;
    bool IsOkEnabled() const;
    // The selected folder's path, "/" for the root; empty when nothing is selected.
    QString SelectedFolder() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void SelectionChanged();
    void ScrollToSelection();

    QLabel *m_Title = nullptr;
    QFileSystemModel *m_Model = nullptr;
    QTreeView *m_Tree = nullptr;
    QLabel *m_Status = nullptr;
    QDialogButtonBox *m_Buttons = nullptr;
    // Rows keep arriving after the preselection; the tree follows the selected folder until
    // the user scrolls or selects another one.
    QTimer *m_FollowTimer = nullptr;
    QPersistentModelIndex m_Followed;
};

// Shows the dialog and returns its QDialog result. The default runs exec(); tests put in a
// runner that looks at the dialog, changes its selection and answers it.
using DialogRunner = std::function<int(FolderDialog &dialog)>;
// Replaces the runner; an empty function restores the default.
void SetDialogRunner(DialogRunner runner);

// Lets the user choose a folder, preselecting initialFolder (the current folder when it is
// empty). With requireFiles, OK is enabled only for folders holding at least one plain file.
// Returns the chosen folder's path ("/" for the root, no trailing separator otherwise), or
// an empty text when the user cancelled.
QString BrowseForFolder(QWidget *owner, QString initialFolder, const QString &title,
                        bool requireFiles);

// Stores the folder to preselect (one trailing separator removed) and the require-files flag.
void SetInitialFolder(QString folder, bool flag);
QString InitialFolder();
bool RequireFiles();

// Called by the dialog once when it is ready (kBffmInitialized) and after every change of
// its selection (kBffmSelChanged, selectedPath empty when the selection has no path).
// Always returns 0.
int BrowseCallback(FolderDialog &dialog, int message, const QString &selectedPath);

// The number of plain files in the folder, of any type; folders and hidden files are not
// counted, and a folder that cannot be listed gives 0. The separator is appended to the
// caller's text when it does not end in one.
std::int32_t CountFolderFiles(QString &folder);

} // namespace sparrowtrim::mBrowseForFolder

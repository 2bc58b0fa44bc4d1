#include "app/mBrowseForFolder.h"

#include "app/mUtilsQt.h"
#include "batch/FolderText.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace sparrowtrim::mBrowseForFolder {

namespace {

constexpr QChar kSeparator(mUtils::kPathSeparator);

// The state one dialog shares with its callback; one dialog at a time.
struct BrowseState
{
    QString initialFolder;
    bool requireFiles = false;
};

BrowseState &State()
{
    static BrowseState state;
    return state;
}

DialogRunner &Runner()
{
    static DialogRunner runner;
    return runner;
}

} // namespace

FolderDialog::FolderDialog(const QString &title, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_Title(new QLabel(title, this)), m_Model(new QFileSystemModel(this)),
      m_Tree(new QTreeView(this)), m_Status(new QLabel(this)),
      m_Buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      m_FollowTimer(new QTimer(this))
{
    setWindowTitle(tr("Browse For Folder"));
    setObjectName(QStringLiteral("FolderDialog"));
    m_Title->setObjectName(QStringLiteral("title"));
    m_Title->setWordWrap(true);
    m_Status->setObjectName(QStringLiteral("status"));
    m_Tree->setObjectName(QStringLiteral("folders"));

    // Folders only; hidden folders stay out of sight as they do in the file list.
    m_Model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_Model->setReadOnly(true);
    m_Model->setRootPath(QDir::rootPath());
    m_Tree->setModel(m_Model);
    for (int column = 1; column < m_Model->columnCount(); ++column)
        m_Tree->hideColumn(column);
    m_Tree->setHeaderHidden(true);
    m_Tree->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(m_Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderDialog::SelectionChanged);
    // Folders are read in the background: rows above the selected folder are inserted and
    // sorted after it was selected, and push it out of view. One scroll after each burst.
    m_FollowTimer->setSingleShot(true);
    connect(m_FollowTimer, &QTimer::timeout, this, &FolderDialog::ScrollToSelection);
    connect(m_Model, &QAbstractItemModel::rowsInserted, m_FollowTimer, qOverload<>(&QTimer::start));
    connect(m_Model, &QAbstractItemModel::layoutChanged, m_FollowTimer,
            qOverload<>(&QTimer::start));
    connect(m_Tree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { m_Followed = QPersistentModelIndex(); });
    connect(m_Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_Title);
    layout->addWidget(m_Tree, 1);
    layout->addWidget(m_Status);
    layout->addWidget(m_Buttons);
    resize(320, 400);
}

void FolderDialog::SetSelection(const QString &folder)
{
    const QModelIndex index = m_Model->index(QDir::cleanPath(QDir::fromNativeSeparators(folder)));
    if (!index.isValid())
        return;
    m_Followed = index;
    m_Tree->setCurrentIndex(index);
    m_Tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void FolderDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The tree has its size only now; the preselected folder goes to the middle of it.
    m_FollowTimer->start();
}

void FolderDialog::ScrollToSelection()
{
    if (m_Followed.isValid() && m_Followed == m_Tree->currentIndex())
        m_Tree->scrollTo(m_Followed, QAbstractItemView::PositionAtCenter);
}

void FolderDialog::EnableOk(bool enable)
{
    m_Buttons->button(QDialogButtonBox::Ok)->setEnabled(enable);
}

void FolderDialog::SetStatusText(const QString &text)
{
    m_Status->setText(text);
}

QString FolderDialog::Title() const
{
    return m_Title->text();
}

QString FolderDialog::StatusText() const
{
    return m_Status->text();
}

bool FolderDialog::IsOkEnabled() const
{
    return m_Buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

QString FolderDialog::SelectedFolder() const
{
    const QModelIndex current = m_Tree->currentIndex();
    return current.isValid() ? QDir::toNativeSeparators(m_Model->filePath(current)) : QString();
}

void FolderDialog::SelectionChanged()
{
    BrowseCallback(*this, kBffmSelChanged, SelectedFolder());
}

void SetDialogRunner(DialogRunner runner)
{
    Runner() = std::move(runner);
}

QString BrowseForFolder(QWidget *owner, QString initialFolder, const QString &title,
                        bool requireFiles)
{
    if (initialFolder.isEmpty())
        initialFolder = QDir::toNativeSeparators(QDir::currentPath());
    SetInitialFolder(initialFolder, requireFiles);

    FolderDialog dialog(title, owner);
    BrowseCallback(dialog, kBffmInitialized, QString());
    const int result = Runner() ? Runner()(dialog) : dialog.exec();
    return result == QDialog::Accepted ? dialog.SelectedFolder() : QString();
}

void SetInitialFolder(QString folder, bool flag)
{
    if (folder.endsWith(kSeparator))
        folder.chop(1);
    State().initialFolder = folder;
    State().requireFiles = flag;
}

QString InitialFolder()
{
    return State().initialFolder;
}

bool RequireFiles()
{
    return State().requireFiles;
}

int BrowseCallback(FolderDialog &dialog, int message, const QString &selectedPath)
{
    if (message == kBffmInitialized) {
        // The root loses its only separator when stored; it is still the root.
        const QString initial = State().initialFolder;
        dialog.SetSelection(initial.isEmpty() ? QString(kSeparator) : initial);
        if (State().requireFiles) {
            QString folder = mUtils::TrimSpaces(initial);
            dialog.EnableOk(CountFolderFiles(folder) > 0);
        }
    } else if (message == kBffmSelChanged) {
        if (selectedPath.isEmpty())
            return 0;
        QString folder = mUtils::TrimSpaces(selectedPath);
        const std::int32_t count = CountFolderFiles(folder);
        dialog.SetStatusText(QString::number(count) + QStringLiteral(" Files"));
        if (State().requireFiles)
            dialog.EnableOk(count > 0);
    }
    return 0;
}

std::int32_t CountFolderFiles(QString &folder)
{
    if (!folder.endsWith(kSeparator))
        folder += kSeparator;
    // Without QDir::Hidden and QDir::System: hidden files, sockets and the like are left out.
    const QDir dir(folder);
    if (!dir.exists())
        return 0;
    return static_cast<std::int32_t>(dir.entryList(QDir::Files).size());
}

} // namespace sparrowtrim::mBrowseForFolder

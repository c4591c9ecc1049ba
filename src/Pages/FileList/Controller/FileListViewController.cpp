#include "Pages/FileList/Controller/FileListViewController.h"

#include "App/NotificationCenter.h"
#include "Controls/BarView.h"
#include "Model/FileListManager.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Report/ReportQuery.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

FileListViewController::FileListViewController(OpenPanel* openPanel, QWidget* parent)
    : QWidget(parent)
    , m_openPanel(openPanel)
    , m_listView(new FileListView(this))
    , m_extractBar(new ExtractBarView(this))
    , m_compressBar(new CompressBarView(this))
    , m_emptyView(new EmptyListView(this))
{
    viewDidLoad();
}

// The notification centre drops the connection with this object.
FileListViewController::~FileListViewController() = default;

void FileListViewController::viewDidLoad()
{
    setFocusPolicy(Qt::StrongFocus);
    resize(840, 560);
    m_listView->setDelegate(this);
    m_emptyView->setDelegate(this);
    m_compressBar->hide();
    // Later siblings are drawn above earlier ones: the empty view covers all.
    m_emptyView->raise();
    layoutSubviews();
    showEmptyViewWhenListIsEmpty();
    connect(&NotificationCenter::defaultCenter(), &NotificationCenter::notified, this,
            &FileListViewController::applicationOpenWithFileEvent);
    ReportQuery::report(u"show"_s, { { u"page"_s, u"decompress"_s } });
}

void FileListViewController::applyListType()
{
    const bool compressing = m_listType == FileListType::compress;
    m_compressBar->setVisible(compressing);
    m_extractBar->setVisible(!compressing);
    m_listView->setAllowsMultipleSelection(compressing);
    ReportQuery::report(u"show"_s, { { u"page"_s, compressing ? u"compress"_s : u"decompress"_s } });
}

void FileListViewController::addFiles(const QList<QUrl>& urls)
{
    FileListManager::shared().listInfo.addURLs(urls);
    reloadList();
}

void FileListViewController::removeItem(int row)
{
    if (row < 0 || row >= FileListManager::shared().listInfo.list.size())
        return;
    removeItems({ row });
}

void FileListViewController::removeItems(const QSet<qsizetype>& rows)
{
    FileListManager::shared().listInfo.removeRows(rows);
    reloadList();
}

void FileListViewController::reloadList()
{
    m_listView->setListInfo(FileListManager::shared().listInfo);
    m_listView->reloadData();
    showEmptyViewWhenListIsEmpty();
}

void FileListViewController::showEmptyViewWhenListIsEmpty()
{
    const bool empty = FileListManager::shared().listInfo.list.isEmpty();
    m_emptyView->setVisible(empty);
    if (empty)
        m_listView->removeMenu();
    else
        m_listView->setupMenu();
}

void FileListViewController::keyPressEvent(QKeyEvent* event)
{
    QWidget::keyPressEvent(event);
    // Delete, and Backspace as users of this platform expect too.
    if (event->key() != Qt::Key_Delete && event->key() != Qt::Key_Backspace)
        return;
    const QList<int> selected = m_listView->selectedRowIndexes();
    if (!selected.isEmpty())
        removeItems(QSet<qsizetype>(selected.cbegin(), selected.cend()));
}

void FileListViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}

// Both bars take the bottom edge at their own height; the list fills what
// is above them and the empty view covers everything.
void FileListViewController::layoutSubviews()
{
    const int barTop = height() - BarView::barHeight;
    m_extractBar->setGeometry(0, barTop, width(), BarView::barHeight);
    m_compressBar->setGeometry(0, barTop, width(), BarView::barHeight);
    m_listView->setGeometry(0, 0, width(), barTop);
    m_emptyView->setGeometry(rect());
}

void FileListViewController::applicationOpenWithFileEvent(const QString& name, const QVariant& object)
{
    if (name != QLatin1StringView(::applicationOpenWithFileEvent) || object.typeId() != QMetaType::QString)
        return;
    addFiles({ QUrl::fromLocalFile(object.toString()) });
}

void FileListViewController::startExtract() { }

void FileListViewController::startCompress(ArchiveType) { }

QStringList FileListViewController::selectedPaths() const
{
    return {};
}

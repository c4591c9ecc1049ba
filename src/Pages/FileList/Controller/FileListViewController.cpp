#include "Pages/FileList/Controller/FileListViewController.h"

#include "Alerts/CommonAlert.h"
#include "Alerts/CompressProgressAlert.h"
#include "Alerts/DesktopNotifier.h"
#include "Alerts/ExtractProgressAlert.h"
#include "Alerts/FileManagerReveal.h"
#include "Alerts/OpenPanel.h"
#include "Alerts/ProgressIndicator.h"
#include "Archive/ArchiveFile.h"
#include "Archive/Job/ArchiveJob.h"
#include "Archive/Plumbing/Diagnostics.h"
#include "Controls/BarView.h"
#include "Controls/WonderfulButton.h"
#include "Model/FileListManager.h"
#include "Model/NotificationCenter.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/Controller/JobSheet.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Report/ReportQuery.h"
#include "Resources/LocalizedText.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>

#include <algorithm>

using namespace Qt::StringLiterals;

const FileListViewController::Workflow FileListViewController::extractWorkflow { u"decompress_result"_s,
                                                                                 "extract_completion",
                                                                                 "extract_failed" };
const FileListViewController::Workflow FileListViewController::compressWorkflow { u"compress_result"_s,
                                                                                  "compress_completion",
                                                                                  "compress_failed" };

FileListViewController::FileListViewController(OpenPanel* openPanel, QWidget* parent)
    : QWidget(parent)
    , m_openPanel(openPanel)
    , m_listView(new FileListView(this))
    , m_extractBar(new ExtractBarView(this))
    , m_compressBar(new CompressBarView(this))
    , m_emptyView(new EmptyListView(this))
    , m_notifier(new DesktopNotifier(this))
{
    viewDidLoad();
}

// The notification centre drops the connection with this object.
FileListViewController::~FileListViewController() = default;

void FileListViewController::viewDidLoad()
{
    resize(840, 560);
    m_listView->setDelegate(this);
    m_emptyView->setDelegate(this);
    m_extractBar->setDelegate(this);
    m_compressBar->setDelegate(this);
    m_compressBar->hide();
    // Return in the list presses the bar's button; its tool tip says so.
    const QString returnKey = QKeySequence(Qt::Key_Return).toString(QKeySequence::NativeText);
    for (WonderfulButton* button : { m_extractBar->extractButton(), m_compressBar->compressButton() })
        button->setToolTip(u"%1 (%2)"_s.arg(button->text(), returnKey));
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
    // Covered by the empty view, the list and the bars take no focus and
    // offer nothing to a screen reader's keys.
    m_listView->setEnabled(!empty);
    m_extractBar->setEnabled(!empty);
    m_compressBar->setEnabled(!empty);
    if (empty)
        m_listView->removeMenu();
    else
        m_listView->setupMenu();
}

void FileListViewController::keyPressEvent(QKeyEvent* event)
{
    QWidget::keyPressEvent(event);
    // Return in the list (or wherever no control takes it) is the bar's button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()
        && !m_emptyView->isVisible()) {
        event->accept();
        if (m_listType == FileListType::compress)
            m_compressBar->compressButton()->click();
        else
            m_extractBar->extractButton()->click();
        return;
    }
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

void FileListViewController::startExtract()
{
    if (m_holdsJob)
        return;
    const QList<int> selected = m_listView->selectedRowIndexes();
    const QList<FileListItemInfo>& list = FileListManager::shared().listInfo.list;
    const int row = selected.isEmpty() ? -1 : selected.first();
    if (row < 0 || row >= list.size() || !list.at(row).fileURL) {
        showMessage("empty_file_selection", true);
        return;
    }
    const QString archivePath = list.at(row).fileURL->toLocalFile();
    const std::optional<ArchiveType> type
        = ArchiveType::fromRawValue(QFileInfo(archivePath).suffix().toLower());
    if (!type) {
        ReportQuery::report(u"decompress_result"_s,
                            { { u"success"_s, u"failed"_s }, { u"error"_s, u"不支持的格式"_s } });
        showMessage("file_selection_unsupport_format", true);
        return;
    }
    if (!window()->isVisible())
        return;
    if (!QFileInfo::exists(archivePath)) {
        showMessage("extract_failed", true);
        return;
    }
    const QString message = localizedText("extract_into_title").arg(QFileInfo(archivePath).fileName());
    chooseDestination("extract_to_title", message,
                      [this, archivePath, type = *type](const QString& destination) {
                          runExtract(archivePath, destination, type);
                      });
}

void FileListViewController::startCompress(ArchiveType type)
{
    if (m_holdsJob)
        return;
    if (m_listView->selectedRowIndexes().isEmpty()) {
        showMessage("empty_file_selection", true);
        return;
    }
    if (!window()->isVisible())
        return;
    const QStringList paths = selectedPaths();
    const bool allExist = std::all_of(paths.cbegin(), paths.cend(),
                                      [](const QString& path) { return QFileInfo::exists(path); });
    if (!allExist) {
        showMessage("compress_failed", true);
        return;
    }
    chooseDestination(
        "compress_to_title", localizedText("save_in_title").arg(ArchiveFile::compressOutputName(paths, type)),
        [this, paths, type](const QString& destination) { runCompress(paths, destination, type); });
}

QStringList FileListViewController::selectedPaths() const
{
    const QList<FileListItemInfo>& list = FileListManager::shared().listInfo.list;
    QStringList paths;
    for (int row : m_listView->selectedRowIndexes()) {
        if (row < list.size() && list.at(row).fileURL)
            paths.append(list.at(row).fileURL->toLocalFile());
    }
    return paths;
}

void FileListViewController::chooseDestination(const char* promptKey, const QString& message,
                                               std::function<void(const QString&)> run)
{
    OpenPanel::Options options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.prompt = localizedText(promptKey);
    options.message = message;
    m_holdsJob = true;
    m_openPanel->beginSheet(window(), options,
                            [guard = QPointer(this), run = std::move(run)](const QList<QUrl>& chosen) {
                                if (!guard)
                                    return;
                                guard->m_holdsJob = false;
                                if (!chosen.isEmpty())
                                    run(chosen.first().toLocalFile());
                            });
}

void FileListViewController::runExtract(const QString& archivePath, const QString& destination,
                                        ArchiveType type)
{
    ReportQuery::report(u"decompress_click"_s, { { u"file_type"_s, type.rawValue() } });
    auto sheet = new JobSheet(
        this,
        [] { return QPointer<ProgressAlert>(ExtractProgressAlert::create(localizedText("extract_ing"))); },
        QFileInfo(archivePath).fileName(), this);
    auto job = new ArchiveJob(type, sheet, this);
    followJob(job, sheet, extractWorkflow);
    job->decompress(destination, archivePath);
}

void FileListViewController::runCompress(const QStringList& paths, const QString& destination,
                                         ArchiveType type)
{
    ReportQuery::report(u"compress_click"_s, { { u"file_type"_s, type.rawValue() } });
    auto sheet = new JobSheet(
        this,
        [] { return QPointer<ProgressAlert>(CompressProgressAlert::create(localizedText("compress_ing"))); },
        QString(), this);
    auto job = new ArchiveJob(type, sheet, this);
    followJob(job, sheet, compressWorkflow);
    // Archives made from the window are never encrypted.
    job->compress(destination, paths, QString());
}

// The sheet goes up at once and stays, or a password prompt in its place,
// until the job ends: the window holds this one job meanwhile.
void FileListViewController::followJob(ArchiveJob* job, JobSheet* sheet, const Workflow& workflow)
{
    m_holdsJob = true;
    sheet->setJob(job);
    sheet->show();
    connect(job, &ArchiveJob::begun, sheet, &JobSheet::show);
    connect(job, &ArchiveJob::progressed, sheet, [sheet](float fraction) {
        Diagnostics::writeLine(QByteArray::number(fraction).constData());
        sheet->setFraction(fraction);
    });
    connect(job, &ArchiveJob::completed, this,
            [this, job, sheet, &workflow](bool success, ArchiveErrorType error) {
                const QString output = job->outputPath().value_or(QString());
                endJob(job, sheet);
                showResult(workflow, success, error, output);
            });
    // The password question ended without an answer: nothing was done and
    // nothing is reported.
    connect(job, &ArchiveJob::endedWithoutResult, this, [this, job, sheet] { endJob(job, sheet); });
}

void FileListViewController::endJob(ArchiveJob* job, JobSheet* sheet)
{
    m_holdsJob = false;
    sheet->end();
    sheet->deleteLater();
    job->deleteLater();
}

void FileListViewController::showResult(const Workflow& workflow, bool success, ArchiveErrorType error,
                                        const QString& output)
{
    QVariantMap detail { { u"success"_s, success ? u"success"_s : u"failed"_s } };
    if (!success)
        detail.insert(u"error"_s, error.message());
    ReportQuery::report(workflow.resultEvent, detail);
    if (error == ArchiveErrorType::cancelled)
        return;
    const QString message = localizedText(success ? workflow.completionKey : workflow.failedKey);
    // Someone working in another window hears of it there.
    if (!window()->isActiveWindow())
        m_notifier->notify(message, QFileInfo(output).fileName(), success ? output : QString());
    QPointer<CommonAlert> alert = CommonAlert::create(message, !success);
    if (success && !output.isEmpty())
        alert->addActionButton(localizedText("show_in_folder"),
                               [output] { FileManagerReveal::reveal(output); });
    alert->show(this, {});
}

void FileListViewController::showMessage(const char* key, bool isError)
{
    CommonAlert::create(localizedText(key), isError)->show(this, {});
}

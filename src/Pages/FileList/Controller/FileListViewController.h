#pragma once

#include "Archive/ArchiveErrorType.h"
#include "Model/FileListType.h"
#include "Pages/Compress/View/CompressBarViewDelegate.h"
#include "Pages/Extract/View/ExtractBarViewDelegate.h"
#include "Pages/FileList/View/EmptyListViewDelegate.h"
#include "Pages/FileList/View/FileListViewDelegate.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWidget>

#include <functional>

class ArchiveJob;
class CompressBarView;
class DesktopNotifier;
class EmptyListView;
class ExtractBarView;
class FileListView;
class JobSheet;
class OpenPanel;

// The main view of the window: the working list, the empty view over it
// while the list is empty, and the bar of the current mode along the bottom.
// The working list changes only through addFiles, removeItem and removeItems,
// each followed by reloadList. The bars start the extract and compress
// workflows: check the selection, ask for a destination folder on
// `openPanel`, run the job under a progress sheet, then report and show the
// result. Main thread only.
class FileListViewController : public QWidget,
                               public FileListViewDelegate,
                               public EmptyListViewDelegate,
                               public ExtractBarViewDelegate,
                               public CompressBarViewDelegate
{
    Q_OBJECT

public:
    // Listens for open-file requests from here on, so files named at launch
    // are not lost. `openPanel` (not owned) must outlive the controller.
    explicit FileListViewController(OpenPanel* openPanel, QWidget* parent = nullptr);
    ~FileListViewController() override;

    FileListType listType() const { return m_listType; }
    void setListType(FileListType type) { m_listType = type; }
    // Shows the bar of listType() and sets the table's selection to match.
    void applyListType();

    // Puts the files at the top of the list in the order given; a path
    // already listed is not added again. From drops, the add-file panel and
    // open-file requests.
    void addFiles(const QList<QUrl>& urls) override;
    // Removes the entry at `row`; a row outside the list changes nothing.
    void removeItem(int row) override;
    void removeItems(const QSet<qsizetype>& rows);
    // Shows the working list as it now is: the table, the empty view and the
    // context menu in step.
    void reloadList();

    // Extracts the selected archive into a new folder inside a folder the
    // user chooses. Does nothing while a job is being set up or runs.
    void startExtract() override;
    // Packs the selected entries into a new archive of `type` inside a folder
    // the user chooses. Does nothing while a job is being set up or runs.
    void startCompress(ArchiveType type) override;
    // The paths of the selected entries, top to bottom.
    QStringList selectedPaths() const;

    FileListView* listView() const { return m_listView; }
    EmptyListView* emptyView() const { return m_emptyView; }
    ExtractBarView* extractBar() const { return m_extractBar; }
    CompressBarView* compressBar() const { return m_compressBar; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void viewDidLoad();
    void layoutSubviews();
    void showEmptyViewWhenListIsEmpty();
    void applicationOpenWithFileEvent(const QString& name, const QVariant& object);

    // What tells the two workflows apart once their job runs.
    struct Workflow
    {
        QString resultEvent;
        const char* completionKey;
        const char* failedKey;
    };
    static const Workflow extractWorkflow;
    static const Workflow compressWorkflow;

    void chooseDestination(const char* promptKey, const QString& message,
                           std::function<void(const QString& destination)> run);
    void runExtract(const QString& archivePath, const QString& destination, ArchiveType type);
    void runCompress(const QStringList& paths, const QString& destination, ArchiveType type);
    // Puts `sheet` up over this view for the whole job, feeds it the job's
    // progress and ends the run when the job ends.
    void followJob(ArchiveJob* job, JobSheet* sheet, const Workflow& workflow);
    void endJob(ArchiveJob* job, JobSheet* sheet);
    // Reports the result and tells the user, unless the user cancelled; a
    // success offers to show `output` in the file manager.
    void showResult(const Workflow& workflow, bool success, ArchiveErrorType error, const QString& output);
    void showMessage(const char* key, bool isError);

    OpenPanel* const m_openPanel;
    // From the folder chooser to the job's end: one job at a time.
    bool m_holdsJob = false;
    FileListType m_listType = FileListType::extract;
    FileListView* m_listView;
    ExtractBarView* m_extractBar;
    CompressBarView* m_compressBar;
    EmptyListView* m_emptyView;
    DesktopNotifier* m_notifier;
};

#include "Alerts/FileDialogOpenPanel.h"
#include "Alerts/FilesAndFoldersDialog.h"
#include "Model/FileListManager.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"
#include "Window/LightAppearance.h"
#include "Window/WindowController.h"

#include <QDir>
#include <QFileSystemModel>
#include <QListView>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

// Pictures of the whole window in both modes with real files listed, in the
// application's own look, at the pixel ratio the test runs with
// (QT_SCALE_FACTOR), for a person to judge.
class TestWindowScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bothModesWithFilesListed();
    void addFileDialogWithAFileAndAFolderSelected();

private:
    void save(QWidget& widget, const QString& name);

    QTemporaryDir m_files;
};

void TestWindowScreenshots::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    LightAppearance::apply();

    QVERIFY(QDir(m_files.path()).mkdir(u"Projects"_s));
    for (const QString& name :
         { u"Quarterly report.pdf"_s, u"holiday-photos.zip"_s, u"beach.png"_s, u"notes.txt"_s, u"song.mp3"_s,
           u"Archive 2025.7z"_s, u"clip.mp4"_s, u"budget.xlsx"_s, u"backup.tar.gz"_s }) {
        QFile file(m_files.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void TestWindowScreenshots::save(QWidget& widget, const QString& name)
{
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    // The pointer rests away from the toolbar, as after a click in the list.
    QTest::mouseMove(&widget, widget.rect().center());
    const QPixmap picture = widget.grab();
    const QString path = u"%1/%2@%3x.png"_s.arg(QStringLiteral(KESTREL_SCREENSHOT_DIR), name)
                             .arg(widget.devicePixelRatioF());
    QVERIFY2(picture.save(path), qPrintable(path));
}

void TestWindowScreenshots::bothModesWithFilesListed()
{
    ScriptedOpenPanel panel;
    WindowController window(&panel);
    window.show();
    QList<QUrl> urls;
    for (const QString& name : QDir(m_files.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        urls.append(QUrl::fromLocalFile(m_files.filePath(name)));
    window.contentViewController()->addFiles(urls);
    WonderfullTableView* table = window.contentViewController()->listView()->tableView();
    table->selectRow(1);
    save(window, u"window_extract"_s);

    QTest::mouseClick(window.toolbar()->findChild<QWidget*>(u"ka_compress"_s), Qt::LeftButton);
    QCOMPARE(window.contentViewController()->listType(), FileListType::compress);
    table->selectionModel()->select(table->model()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    save(window, u"window_compress"_s);

    // Where Tab put the keyboard: a mode item, then the list.
    window.toolbar()->findChild<QWidget*>(u"ka_compress"_s)->setFocus(Qt::TabFocusReason);
    save(window, u"window_focus_toolbar"_s);
    table->setFocus(Qt::TabFocusReason);
    save(window, u"window_focus_list"_s);
}

void TestWindowScreenshots::addFileDialogWithAFileAndAFolderSelected()
{
    FileDialogOpenPanel panel;
    WindowController window(&panel);
    window.show();
    QTest::mouseClick(window.toolbar()->findChild<QWidget*>(u"ka_add_file"_s), Qt::LeftButton);
    auto dialog = window.findChild<FilesAndFoldersDialog*>();
    QVERIFY(dialog);
    dialog->setDirectory(m_files.path());
    auto view = dialog->findChild<QListView*>(u"listView"_s);
    auto model = qobject_cast<QFileSystemModel*>(view->model());
    QVERIFY(model);
    QTRY_COMPARE(model->rowCount(view->rootIndex()), 10);
    for (const QString& name : { u"Projects"_s, u"notes.txt"_s })
        view->selectionModel()->select(model->index(m_files.filePath(name)),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    save(*dialog, u"add_file_dialog"_s);
    dialog->reject();
}

QTEST_MAIN(TestWindowScreenshots)
#include "window.moc"

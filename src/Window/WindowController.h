#pragma once

#include "Model/FileListType.h"

#include <QMainWindow>
#include <QStringList>

class FileListViewController;
class OpenPanel;
class QAction;
class QActionGroup;
class QToolBar;
class QToolButton;

// Owns the application's one window: its look and size limits, and the
// toolbar through which the user switches between extract and compress mode
// and adds files. The content is the main view controller. Main thread only.
class WindowController : public QMainWindow
{
    Q_OBJECT

public:
    // `openPanel` (not owned) asks for files and folders; it must outlive the window.
    explicit WindowController(OpenPanel* openPanel, QWidget* parent = nullptr);
    ~WindowController() override;

    static constexpr QSize minimumWindowSize() { return { 840, 560 }; }

    // The toolbar's identifiers, newly built on each call, left to right.
    static QStringList toolbarDefaultItemIdentifiers();
    static QStringList toolbarAllowedItemIdentifiers();
    // The items that stay highlighted after a click until another one is clicked.
    static QStringList toolbarSelectableItemIdentifiers();

    // A new toolbar item for `identifier`; an identifier not known here
    // gives an extract item. The item's objectName is its identifier.
    QAction* itemForItemIdentifier(const QString& identifier);

    QToolBar* toolbar() const { return m_toolbar; }
    // The main view controller, or null when the content is something else.
    FileListViewController* contentViewController() const;

    // On the first start only, shows the upgrade page half a second from
    // now; the start is remembered in the settings at once.
    void showUpgradePageOnFirstStart();

public slots:
    // The action of the extract, compress and add-file items; only the
    // identifier of `sender` is read.
    void toolbarSelected(QAction* sender);
    // The full-edition button's action: shows the upgrade page as a sheet.
    void downloadFullVersion();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    void setupToolbar();
    void keepModeInStep(QToolButton* button, QAction* item);
    void keepOneModeChecked();
    static FileListType modeOf(const QAction* item);
    static QKeySequence shortcutOf(const QString& identifier);
    void setupKeyboard();
    QList<QWidget*> focusPanes() const;
    void focusNextPane(bool forward);
    void centreFullVersionItem();
    void runAddFilePanel(FileListViewController* controller);
    QAction* buttonItem(const QString& identifier, const char* labelKey, const QString& imageName);
    QAction* fullVersionItem();
    QAction* spacerItem(const QString& identifier, QSize size, bool flexible);

    OpenPanel* const m_openPanel;
    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_selectableItems = nullptr;
};

#include "Window/WindowController.h"

#include "Alerts/OpenPanel.h"
#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Pages/Tips/UpgradeViewController.h"
#include "Resources/LocalizedText.h"

#include <QActionGroup>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

using namespace Qt::StringLiterals;

namespace {
const QString toolbarIdentifier = u"ka_windows_toolbar"_s;
const QString extractItemIdentifier = u"ka_uncompress"_s;
const QString compressItemIdentifier = u"ka_compress"_s;
const QString addFileItemIdentifier = u"ka_add_file"_s;
const QString fullVersionItemIdentifier = u"ka_download_full_version"_s;
const QString customSpacerItemIdentifier = u"ka_custom_spacer"_s;
const QString customSeparatorItemIdentifier = u"ka_custom_separator"_s;
const QString flexibleSpaceItemIdentifier = u"flexible_space"_s;
const QString spaceItemIdentifier = u"space"_s;

constexpr QSize customSpacerSize(20, 50);
constexpr QSize spaceSize(32, 50);
constexpr QSize toolbarIconSize(32, 32);
const QColor windowBackground(0xF6, 0xF6, 0xF6);
const QColor fullVersionColor(0xFF, 0x69, 0x39);
constexpr QSize fullVersionIconSize(20, 20);
const QString upgradePageShownKey = u"ka_upgrade_page_showed_v1"_s;
constexpr std::chrono::milliseconds upgradePageDelay(500);

// The toolbar continues the window's background, as a title bar drawn over
// by the toolbar would; the mode items show which mode is on with a tint.
const auto toolbarStyleSheet = uR"(
QToolBar#ka_windows_toolbar {
    background: #F6F6F6; border: none; border-bottom: 1px solid #E2E2E2; spacing: 2px;
}
QToolBar#ka_windows_toolbar QToolButton {
    color: #3A3A3C; border: none; border-radius: 8px;
    margin: 5px 0px; padding: 3px 10px 3px 10px; min-width: 60px;
}
QToolBar#ka_windows_toolbar QToolButton:hover { background: rgba(0, 0, 0, 0.05); }
QToolBar#ka_windows_toolbar QToolButton:pressed { background: rgba(0, 0, 0, 0.10); }
QToolBar#ka_windows_toolbar QToolButton:checked { background: #DCE9FC; color: #1A5FCC; }
QToolBar#ka_windows_toolbar QToolButton[keyboardFocus="true"] { border: 2px solid #2E85FF; padding: 1px 8px 1px 8px; }
)"_s;
} // namespace

WindowController::WindowController(OpenPanel* openPanel, QWidget* parent)
    : QMainWindow(parent)
    , m_openPanel(openPanel)
{
    windowDidLoad();
}

WindowController::~WindowController() = default;

QStringList WindowController::toolbarDefaultItemIdentifiers()
{
    return { customSpacerItemIdentifier,  extractItemIdentifier,       customSpacerItemIdentifier,
             compressItemIdentifier,      flexibleSpaceItemIdentifier, fullVersionItemIdentifier,
             flexibleSpaceItemIdentifier, addFileItemIdentifier,       customSpacerItemIdentifier };
}

QStringList WindowController::toolbarAllowedItemIdentifiers()
{
    return { customSpacerItemIdentifier,    compressItemIdentifier,    extractItemIdentifier,
             addFileItemIdentifier,         fullVersionItemIdentifier, flexibleSpaceItemIdentifier,
             customSeparatorItemIdentifier, spaceItemIdentifier };
}

QStringList WindowController::toolbarSelectableItemIdentifiers()
{
    return { compressItemIdentifier, extractItemIdentifier };
}

void WindowController::windowDidLoad()
{
    setupToolbar();
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    setWindowTitle(localizedText("common_application_name"));
    setMinimumSize(minimumWindowSize());

    QPalette background = palette();
    background.setColor(QPalette::Window, windowBackground);
    setPalette(background);

    setCentralWidget(new FileListViewController(m_openPanel, this));
    setupKeyboard();

    // Centred on the screen, and no larger than it, so the title bar stays in reach.
    QSize initialSize(960, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        initialSize = initialSize.boundedTo(available.size()).expandedTo(minimumWindowSize());
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, initialSize, available));
    } else {
        resize(initialSize);
    }
}

// Built from the default identifiers alone: the toolbar cannot be customized.
void WindowController::setupToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(toolbarIdentifier);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setEnabled(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(toolbarIconSize);
    m_toolbar->setStyleSheet(toolbarStyleSheet);

    m_selectableItems = new QActionGroup(this);
    m_selectableItems->setExclusive(true);

    for (const QString& identifier : toolbarDefaultItemIdentifiers()) {
        QAction* item = itemForItemIdentifier(identifier);
        m_toolbar->addAction(item);
        if (QWidget* widget = m_toolbar->widgetForAction(item)) {
            widget->setObjectName(item->objectName());
            if (!item->text().isEmpty())
                widget->setAccessibleName(item->text());
            // Reached with Tab, so the keyboard gets everywhere the pointer
            // does; a click leaves the focus where it was.
            if (auto button = qobject_cast<QToolButton*>(widget)) {
                button->setFocusPolicy(Qt::TabFocus);
                button->installEventFilter(this);
                if (item->isCheckable())
                    keepModeInStep(button, item);
            }
        }
    }
    for (QAction* item : m_selectableItems->actions())
        item->setChecked(item->objectName() == extractItemIdentifier);
    if (auto more = m_toolbar->findChild<QToolButton*>(u"qt_toolbar_ext_button"_s)) {
        more->setAccessibleName(localizedText("toolbar_more_items"));
        more->setToolTip(more->accessibleName());
    }
    centreFullVersionItem();
}

// A screen reader toggles a mode item's button rather than clicking it; the
// button's check then changes alone, without the action's trigger. Whatever
// changes the check changes the mode, and the mode shown stays checked.
void WindowController::keepModeInStep(QToolButton* button, QAction* item)
{
    connect(button, &QToolButton::toggled, this, [button, item](bool checked) {
        if (checked != item->isChecked())
            item->activate(QAction::Trigger);
        if (button->isChecked() != item->isChecked())
            button->setChecked(item->isChecked());
    });
    // A click triggers right after the toggle and switches the mode itself;
    // a toggle on its own is followed up once the group has settled.
    connect(item, &QAction::toggled, this, [this] {
        QMetaObject::invokeMethod(this, &WindowController::keepOneModeChecked, Qt::QueuedConnection);
    });
}

void WindowController::keepOneModeChecked()
{
    FileListViewController* controller = contentViewController();
    if (!controller)
        return;
    QAction* checked = nullptr;
    for (QAction* item : m_selectableItems->actions()) {
        if (item->isChecked())
            checked = item;
    }
    if (!checked) {
        for (QAction* item : m_selectableItems->actions()) {
            if (modeOf(item) == controller->listType())
                item->setChecked(true);
        }
        return;
    }
    if (modeOf(checked) != controller->listType())
        toolbarSelected(checked);
}

// The ring marks where the keyboard is, as platform styles draw it: once
// the user moves the focus by keyboard, not for the focus a window starts with.
bool WindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto button = static_cast<QWidget*>(watched);
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::ShortcutFocusReason || testAttribute(Qt::WA_KeyboardFocusChange);
        button->setProperty("keyboardFocus", event->type() == QEvent::FocusIn && byKeyboard);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
    return QMainWindow::eventFilter(watched, event);
}

FileListType WindowController::modeOf(const QAction* item)
{
    return item->objectName() == compressItemIdentifier ? FileListType::compress : FileListType::extract;
}

QAction* WindowController::itemForItemIdentifier(const QString& identifier)
{
    if (identifier == compressItemIdentifier)
        return buttonItem(compressItemIdentifier, "toobar_compress", u"toobal_compress_icon"_s);
    if (identifier == addFileItemIdentifier)
        return buttonItem(addFileItemIdentifier, "toobar_add_file", u"toobal_add_file_icon"_s);
    if (identifier == fullVersionItemIdentifier)
        return fullVersionItem();
    if (identifier == customSpacerItemIdentifier || identifier == customSeparatorItemIdentifier)
        return spacerItem(customSpacerItemIdentifier, customSpacerSize, false);
    if (identifier == flexibleSpaceItemIdentifier)
        return spacerItem(flexibleSpaceItemIdentifier, {}, true);
    if (identifier == spaceItemIdentifier)
        return spacerItem(spaceItemIdentifier, spaceSize, false);
    return buttonItem(extractItemIdentifier, "toobar_extract", u"toobal_extract_icon"_s);
}

QAction* WindowController::buttonItem(const QString& identifier, const char* labelKey,
                                      const QString& imageName)
{
    auto item = new QAction(this);
    item->setObjectName(identifier);
    item->setText(localizedText(labelKey));
    const QKeySequence shortcut = shortcutOf(identifier);
    item->setShortcut(shortcut);
    item->setToolTip(u"%1 (%2)"_s.arg(item->text(), shortcut.toString(QKeySequence::NativeText)));
    item->setIcon(QIcon(image(imageName, toolbarIconSize, devicePixelRatioF())));
    if (toolbarSelectableItemIdentifiers().contains(identifier)) {
        item->setCheckable(true);
        m_selectableItems->addAction(item);
    }
    connect(item, &QAction::triggered, this, [this, item] { toolbarSelected(item); });
    return item;
}

QKeySequence WindowController::shortcutOf(const QString& identifier)
{
    if (identifier == compressItemIdentifier)
        return QKeySequence(Qt::CTRL | Qt::Key_2);
    if (identifier == addFileItemIdentifier)
        return QKeySequence::Open;
    return QKeySequence(Qt::CTRL | Qt::Key_1);
}

// The orange full-edition button. It sits in a holder whose side margins
// keep it in the middle of the window.
QAction* WindowController::fullVersionItem()
{
    auto button = new KAButton;
    button->setText(localizedText("toobar_download_full_version"));
    button->setIcon(QIcon(image(u"upgrade_btn"_s, fullVersionIconSize, devicePixelRatioF())));
    button->setIconSize(fullVersionIconSize);
    QFont font = button->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    button->setFont(font);
    button->setBackgroundColor(fullVersionColor);
    button->setCornerRadius(20);
    button->setContentTintColor(Qt::white);
    button->setToolTip(localizedText("toobar_download_full_version_tips"));
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &KAButton::clicked, this, &WindowController::downloadFullVersion);

    auto holder = new QWidget;
    auto layout = new QHBoxLayout(holder);
    layout->setContentsMargins({});
    layout->addWidget(button, 0, Qt::AlignVCenter);

    auto item = new QWidgetAction(this);
    item->setObjectName(fullVersionItemIdentifier);
    item->setDefaultWidget(holder);
    return item;
}

QAction* WindowController::spacerItem(const QString& identifier, QSize size, bool flexible)
{
    auto spacer = new QWidget;
    if (flexible)
        spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        spacer->setFixedSize(size);

    auto item = new QWidgetAction(this);
    item->setObjectName(identifier);
    item->setDefaultWidget(spacer);
    return item;
}

// The toolbar gives its flexible spaces equal widths, which centres the
// full-edition item between the fixed items on its left and on its right;
// the holder's margin on the lighter side makes up their difference.
void WindowController::centreFullVersionItem()
{
    const QList<QAction*> items = m_toolbar->actions();
    const qsizetype centre = toolbarDefaultItemIdentifiers().indexOf(fullVersionItemIdentifier);
    if (centre < 0 || centre >= items.size())
        return;
    const int spacing = m_toolbar->layout()->spacing();
    int before = int(centre) * spacing;
    int after = int(items.size() - 1 - centre) * spacing;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i == centre || items[i]->objectName() == flexibleSpaceItemIdentifier)
            continue;
        const QWidget* widget = m_toolbar->widgetForAction(items[i]);
        (i < centre ? before : after) += widget->sizeHint().expandedTo(widget->minimumSize()).width();
    }
    QWidget* holder = m_toolbar->widgetForAction(items[centre]);
    holder->layout()->setContentsMargins(qMax(0, after - before), 0, qMax(0, before - after), 0);
}

// F6 and Shift+F6 move between the toolbar, the list and the bottom bar;
// F10 goes to the toolbar, as menu bars do elsewhere.
void WindowController::setupKeyboard()
{
    connect(new QShortcut(Qt::Key_F6, this), &QShortcut::activated, this, [this] { focusNextPane(true); });
    connect(new QShortcut(Qt::SHIFT | Qt::Key_F6, this), &QShortcut::activated, this,
            [this] { focusNextPane(false); });
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this, [this] {
        if (QWidget* first = focusPanes().value(0))
            first->setFocus(Qt::ShortcutFocusReason);
    });
    if (QWidget* first = focusPanes().value(0))
        first->setFocus(Qt::OtherFocusReason);
}

// Where each pane takes the focus: the checked mode item, the list, the
// first control of the bar in view. Panes under the empty view are left out.
QList<QWidget*> WindowController::focusPanes() const
{
    QList<QWidget*> panes;
    if (QAction* mode = m_selectableItems->checkedAction())
        panes.append(m_toolbar->widgetForAction(mode));
    if (FileListViewController* controller = contentViewController()) {
        panes.append(controller->listView()->tableView());
        QWidget* bar = controller->listType() == FileListType::compress
            ? static_cast<QWidget*>(controller->compressBar())
            : static_cast<QWidget*>(controller->extractBar());
        const QList<QWidget*> controls = bar->findChildren<QWidget*>();
        for (QWidget* control : controls) {
            if (control->focusPolicy() & Qt::TabFocus) {
                panes.append(control);
                break;
            }
        }
    }
    panes.removeIf([](const QWidget* pane) { return !pane || !pane->isEnabled() || !pane->isVisible(); });
    return panes;
}

void WindowController::focusNextPane(bool forward)
{
    const QList<QWidget*> panes = focusPanes();
    if (panes.isEmpty())
        return;
    qsizetype current = -1;
    for (qsizetype i = 0; i < panes.size(); ++i) {
        if (panes[i] == focusWidget() || panes[i]->isAncestorOf(focusWidget()))
            current = i;
    }
    const qsizetype next = current < 0 ? 0 : (current + (forward ? 1 : panes.size() - 1)) % panes.size();
    panes[next]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

FileListViewController* WindowController::contentViewController() const
{
    return qobject_cast<FileListViewController*>(centralWidget());
}

void WindowController::toolbarSelected(QAction* sender)
{
    FileListViewController* controller = contentViewController();
    if (!controller || !sender)
        return;
    const QString identifier = sender->objectName();
    if (identifier == compressItemIdentifier || identifier == extractItemIdentifier) {
        controller->setListType(identifier == compressItemIdentifier ? FileListType::compress
                                                                     : FileListType::extract);
        controller->applyListType();
        return;
    }
    runAddFilePanel(controller);
}

void WindowController::runAddFilePanel(FileListViewController* controller)
{
    OpenPanel::Options options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.prompt = localizedText("file_selection_title");
    options.message = options.prompt;
    m_openPanel->beginSheet(this, options, [controller = QPointer(controller)](const QList<QUrl>& chosen) {
        if (controller && !chosen.isEmpty())
            controller->addFiles(chosen);
    });
}

// Each click opens a new page, as a sheet over the window's content.
void WindowController::downloadFullVersion()
{
    auto page = new UpgradeViewController(this);
    page->setAttribute(Qt::WA_DeleteOnClose);
    page->setWindowModality(Qt::WindowModal);
    page->open();
}

void WindowController::showUpgradePageOnFirstStart()
{
    QSettings settings;
    if (settings.value(upgradePageShownKey, false).toBool())
        return;
    QTimer::singleShot(upgradePageDelay, this, &WindowController::downloadFullVersion);
    // Written at once: a quit within the delay still counts as the first start.
    settings.setValue(upgradePageShownKey, true);
}

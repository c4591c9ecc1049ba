#include "Window/WindowController.h"

#include "App/AppDelegate.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Resources/LocalizedText.h"

WindowController::WindowController(OpenPanel* openPanel, QWidget* parent)
    : QMainWindow(parent)
    , m_openPanel(openPanel)
{
    windowDidLoad();
}

WindowController::~WindowController() = default;

void WindowController::windowDidLoad()
{
    setWindowTitle(localizedText("common_application_name"));
    setMinimumSize(minimumWindowSize());
    resize(960, 640);

    setCentralWidget(new FileListViewController(m_openPanel, this));

    if (AppDelegate* delegate = AppDelegate::shared())
        delegate->mainWindowController = this;
}

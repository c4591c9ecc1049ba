#include "Window/WindowController.h"

#include "App/AppDelegate.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Resources/LocalizedText.h"

WindowController::WindowController(QWidget* parent)
    : QMainWindow(parent)
{
    windowDidLoad();
}

WindowController::~WindowController() = default;

void WindowController::windowDidLoad()
{
    setWindowTitle(localizedText("common_application_name"));
    setMinimumSize(minimumWindowSize());
    resize(960, 640);

    setCentralWidget(new FileListViewController(this));

    if (AppDelegate* delegate = AppDelegate::shared())
        delegate->mainWindowController = this;
}

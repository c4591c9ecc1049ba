#include "Window/WindowController.h"

#include "App/AppDelegate.h"
#include "Resources/LocalizedText.h"

#include <QLabel>

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

    auto placeholder = new QLabel(localizedText("drag_file_title"), this);
    placeholder->setAlignment(Qt::AlignCenter);
    setCentralWidget(placeholder);

    if (AppDelegate* delegate = AppDelegate::shared())
        delegate->mainWindowController = this;
}

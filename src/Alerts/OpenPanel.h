#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Asks the user for files or folders in a dialog that keeps its window modal.
// The application opens a file dialog; tests answer from a script.
class OpenPanel
{
public:
    struct Options
    {
        bool canChooseFiles = true;
        bool canChooseDirectories = false;
        bool allowsMultipleSelection = false;
        // The title of the confirming button.
        QString prompt;
        // The line at the top of the panel.
        QString message;
    };

    // The chosen locations in the order the panel gives them; empty when
    // the user did not confirm.
    using Completion = std::function<void(const QList<QUrl>& chosen)>;

    virtual ~OpenPanel();

    // Opens the panel over `window` and returns while it is up. `completion`
    // runs exactly once, on the main thread.
    virtual void beginSheet(QWidget* window, const Options& options, Completion completion) = 0;
};

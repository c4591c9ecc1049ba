#pragma once

#include <QMainWindow>

class OpenPanel;

// Owns the application's one window and registers itself with the
// application delegate once the window exists.
class WindowController : public QMainWindow
{
    Q_OBJECT

public:
    // `openPanel` (not owned) asks for files and folders; it must outlive the window.
    explicit WindowController(OpenPanel* openPanel, QWidget* parent = nullptr);
    ~WindowController() override;

    static constexpr QSize minimumWindowSize() { return { 840, 560 }; }

private:
    void windowDidLoad();

    OpenPanel* const m_openPanel;
};

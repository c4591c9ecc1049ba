#pragma once

#include <QMainWindow>

// Owns the application's one window and registers itself with the
// application delegate once the window exists.
class WindowController : public QMainWindow
{
    Q_OBJECT

public:
    explicit WindowController(QWidget* parent = nullptr);
    ~WindowController() override;

    static constexpr QSize minimumWindowSize() { return { 840, 560 }; }

private:
    void windowDidLoad();
};

// The reference for start-up time: an empty Qt window of the main window's
// size, built with the same flags and shown the same way.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(960, 640);
    window.show();
    return QApplication::exec();
}

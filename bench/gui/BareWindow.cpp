// The reference for start-up time: an empty Qt window of the main window's
// size, built with the same flags and shown the same way. With --text it
// also shows one line of text, so the reference pays for setting up fonts
// as every window with words in it does.

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    if (QCoreApplication::arguments().contains(QStringLiteral("--text"))) {
        auto layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("Drop files here"), &window), 0, Qt::AlignCenter);
    }
    window.resize(960, 640);
    window.show();
    return QApplication::exec();
}

// A minimal process around SingleInstance, so tests can run two of them.
// Prints "handed-over" and exits when another instance took its arguments;
// otherwise prints "primary" and then one JSON line per hand-over it receives,
// after a "token ..." line when the launch carried an activation token.
#include "App/SingleInstance.h"
#include "App/StartupActivation.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList paths = QCoreApplication::arguments().mid(1);

    SingleInstance instance;
    if (instance.sendToRunningInstance(paths, StartupActivation::tokenFromEnvironment())) {
        std::puts("handed-over");
        return 0;
    }
    if (!instance.listen()) {
        std::puts("listen-failed");
        return 1;
    }
    QObject::connect(&instance, &SingleInstance::activationTokenReceived, &application,
                     [](const QString& token) {
                         std::printf("token %s\n", qPrintable(token));
                         std::fflush(stdout);
                     });
    QObject::connect(
        &instance, &SingleInstance::filesReceived, &application, [](const QStringList& received) {
            const QByteArray line
                = QJsonDocument(QJsonArray::fromStringList(received)).toJson(QJsonDocument::Compact);
            std::printf("%s\n", line.constData());
            std::fflush(stdout);
        });
    std::puts("primary");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "viewer/app/framescope.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    auto *app = new QApplication(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString fileName = arguments.size() > 1 ? arguments.at(1) : QString();

    auto *window = new Korvex::Framescope(fileName);
    window->show();
    QApplication::exec();

    delete window;
    delete app;
    return 0;
}

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Karvex"));
    QApplication::setApplicationName(QStringLiteral("Tolvi"));
    QLabel placeholder(QStringLiteral("Tolvi-M " TOLVI_VERSION));
    placeholder.show();
    return app.exec();
}

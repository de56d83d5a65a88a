#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::fputs("tolvi-cli " TOLVI_VERSION "\n", stdout);
    return 0;
}

// rotaprobe-sign: release keys, manifests and signatures for the maker.
#include "SignTool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return SignTool(out, err).run(app.arguments().mid(1));
}

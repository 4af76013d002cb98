// scope_soak [MINUTES] [SEED]: the scope widget against the simulated robot for a while
// (default 30 minutes), on a random schedule fixed by the seed. Exit code 0 when every
// check passed; the figures go to standard output.
#include "ScopeSoak.h"

#include <QApplication>
#include <QFont>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Offscreen fonts are large; with them the dialog could not take the sizes asked for.
    QFont font = QApplication::font();
    font.setPixelSize(9);
    QApplication::setFont(font);

    bool ok = true;
    const double minutes = argc > 1 ? QString(argv[1]).toDouble(&ok) : 30.0;
    const uint32_t seed = argc > 2 ? QString(argv[2]).toUInt() : 20240611u;
    if (!ok || minutes <= 0.0) {
        std::fprintf(stderr, "usage: scope_soak [MINUTES] [SEED]\n");
        return 2;
    }
    ScopeSoak soak(minutes, seed);
    return soak.run();
}

#pragma once

// What the fuzz targets share: a quiet Qt, a GUI application for the plot, and the
// comparisons a scope file's curves are checked with.

#include "ScopeFile.h"

#include <QApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

// Qt's warnings about odd input are expected; only a fatal message ends the run.
inline void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::abort();
    }
}

inline void startApplication(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    new QApplication(*argc, *argv); // lives for the whole run
}

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

inline bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// The curves as the plot holds them after a load: the shared times paired with values.
inline QVector<ScopeFileCurve> asLoaded(const ScopeFileContent &content)
{
    QVector<ScopeFileCurve> curves = content.curves;
    for (ScopeFileCurve &c : curves)
        c.x = content.times.mid(0, c.y.size());
    return curves;
}

} // namespace FuzzSupport

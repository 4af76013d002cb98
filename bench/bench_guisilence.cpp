// How long the GUI thread goes without handling events while the controller stalls: a 2 s
// index-list call at a set-up made while sampling, against the same set-up on a prompt
// controller over as long a wait. Prints one JSON object, in seconds.
#include "TarnPlugin_Scope.h"
#include "TarnSim.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kStallMs = 2000;
constexpr int kWaitMs = kStallMs + 500;

void wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The longest gap between two turns of the event loop during the set-up and the wait after.
double longestSilence(TarnPlugin_Scope &scope, const QStringList &channels)
{
    QElapsedTimer sinceTurn;
    qint64 longest = 0;
    const auto turn = [&] {
        longest = std::max(longest, sinceTurn.nsecsElapsed());
        sinceTurn.start();
    };
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, turn);
    sinceTurn.start();
    ticker.start();
    scope.setChannels(channels);
    turn();
    wait(kWaitMs);
    return static_cast<double>(longest) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TarnSim::reset();
    TarnPlugin_Scope scope;
    scope.resize(1137, 620);
    scope.show();
    scope.setChannels({"J1 Target ACS", "J1 Actual ACS"});
    scope.start();
    wait(1000);
    const double prompt = longestSilence(scope, {"J2 Target ACS", "J2 Actual ACS"});
    TarnSim::delayNextIndexList(kStallMs);
    const double stalled = longestSilence(scope, {"J3 Target ACS", "J3 Actual ACS"});
    scope.stop();
    std::printf("{\"stall\": %.4f, \"prompt\": %.4f, \"stalled\": %.4f}\n", kStallMs / 1000.0,
                prompt, stalled);
    return 0;
}

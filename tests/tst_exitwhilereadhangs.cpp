// A host that quits while a controller read hangs: the widget abandons its acquisition
// thread, main returns, and the read finishes while the process tears down its statics.
// Not a QtTest: the point is what happens after main has returned, so the program passes
// when it exits cleanly (under the sanitizers: without a report).
#include "ScopeTestSupport.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int kHangMs = 150;

// Constructed before the stand-in's own state, so destroyed after it: its destructor keeps
// the process alive until the abandoned read has woken up and finished.
struct OutliveTheHangingRead
{
    ~OutliveTheHangingRead()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * kHangMs));
    }
} outlive;

bool readsReach(uint64_t count)
{
    return QTest::qWaitFor([count] { return TarnSim::callCounts().readScopeData >= count; }, 5000);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TarnSim::reset();
    auto *scope = new TarnPlugin_Scope;
    ScopeTest::checkComponents(scope, {AXIS_J1});
    ScopeTest::checkLinks(scope, {LINK_TargetACS});
    ScopeTest::start(scope);
    if (!readsReach(2)) {
        std::fprintf(stderr, "FAIL: the scope never read from the controller\n");
        return 1;
    }
    TarnSim::blockNextRead(kHangMs);
    if (!readsReach(TarnSim::callCounts().readScopeData + 1)) {
        std::fprintf(stderr, "FAIL: no read started after the hang was set\n");
        return 1;
    }
    delete scope; // abandons the thread after ~100 ms, inside the read
    std::printf("PASS: main returns while the read hangs\n");
    return 0;
}

// Resident memory of a full window: buffers, a snapshot held by the curves, and the plot
// drawn, after some refreshes (steady) and at its highest (peak), in bytes beyond what
// the process held before the samples came. Prints one JSON object.
#include "RefreshFixture.h"

#include "ProcessStatus.h"
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int samples = argc > 1 ? std::atoi(argv[1]) : 1000000;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QwtScope warmUp; // Qt's and Qwt's own first-use allocations are not the scope's
    warmUp.resize(RefreshFixture::kWidth, RefreshFixture::kHeight);
    warmUp.show();
    warmUp.replot();
    QCoreApplication::processEvents();

    const long long before = statusBytes("VmRSS:");
    RefreshFixture fixture(samples);
    for (int i = 0; i < 20; ++i) {
        fixture.append(RefreshFixture::kRecordsPerRefresh);
        fixture.refresh();
    }
    const long long steady = statusBytes("VmRSS:") - before;
    const long long peak = statusBytes("VmHWM:") - before;
    const long long raw =
        static_cast<long long>(samples) * (RefreshFixture::kChannels + 1) * sizeof(double);
    std::printf("{\"samples\": %d, \"raw\": %lld, \"steady\": %lld, \"peak\": %lld}\n", samples,
                raw, steady, peak);
    return 0;
}

// Any bytes as an operator's set-up file: no crash, no undefined behaviour; a set-up that
// reads holds values the controls accept, and what it writes reads back whole, as written.
#include "FuzzSupport.h"
#include "ScopeLimits.h"
#include "ScopeSetupFile.h"

#include <cstdint>

using namespace FuzzSupport;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    ScopeSetup setup;
    QStringList skipped;
    if (!ScopeSetup::fromJson(bytes, setup, skipped)) {
        check(!skipped.isEmpty(), "a refusal says why");
        return 0;
    }
    check(setup.periodMs >= ScopeLimits::kMinPeriodMs &&
              setup.periodMs <= ScopeLimits::kMaxPeriodMs,
          "period within the edit's range");
    check(setup.triggerOptions.keep >= 1 && setup.triggerOptions.keep <= TriggerOptions::kMaxKept,
          "kept captures within range");
    for (const QColor &colour : setup.channelColours)
        check(colour.isValid(), "only valid colours");

    const QByteArray written = setup.toJson();
    ScopeSetup again;
    QStringList none;
    check(ScopeSetup::fromJson(written, again, none), "a written set-up reads");
    check(none.isEmpty(), "a written set-up reads whole");
    check(again.toJson() == written, "a written set-up reads back as written");
    return 0;
}

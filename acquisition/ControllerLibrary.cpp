#include "ControllerLibrary.h"

#include "Tarn_Prod.h"

#include <QLoggingCategory>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

Q_LOGGING_CATEGORY(lcController, "tarn.scope.controller")

struct LoadedLibrary
{
    QString path;
    bool simulator = false;
};

// The address of an imported function is that of its definition in the library that
// answers the call (our code is position independent, so no executable stub stands in).
const void *sdkEntry()
{
    return reinterpret_cast<const void *>(&Tarn_ReadScopeData);
}

LoadedLibrary inspect()
{
    LoadedLibrary library;
#if defined(_WIN32)
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(sdkEntry()), &module))
        return library;
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    library.path = QString::fromWCharArray(name, static_cast<int>(length));
    library.simulator = GetProcAddress(module, ControllerLibrary::kSimulatorMarker) != nullptr;
#else
    Dl_info info{};
    if (!dladdr(sdkEntry(), &info) || !info.dli_fname)
        return library;
    library.path = QString::fromLocal8Bit(info.dli_fname);
    if (void *handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
        library.simulator = dlsym(handle, ControllerLibrary::kSimulatorMarker) != nullptr;
        dlclose(handle);
    }
#endif
    return library;
}

const LoadedLibrary &loadedLibrary()
{
    static const LoadedLibrary library = [] {
        LoadedLibrary found = inspect();
        if (found.simulator)
            qCWarning(lcController).noquote()
                << "The controller library" << found.path
                << "is the simulated controller: every value the scope shows is simulated.";
        else
            qCInfo(lcController).noquote() << "Controller library:" << found.path;
        return found;
    }();
    return library;
}

} // namespace

QString ControllerLibrary::path()
{
    return loadedLibrary().path;
}

bool ControllerLibrary::isSimulator()
{
    return loadedLibrary().simulator;
}

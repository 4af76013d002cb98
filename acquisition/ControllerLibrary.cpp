#include "ControllerLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef TARN_PROD_SONAME
#error "TARN_PROD_SONAME names the controller library's file to open"
#endif
#ifndef TARN_PROD_LIB_FROM_BIN
#define TARN_PROD_LIB_FROM_BIN "../lib"
#endif
#ifndef TARN_PROD_SDK_DIR
#define TARN_PROD_SDK_DIR ""
#endif

namespace {

Q_LOGGING_CATEGORY(lcController, "tarn.scope.controller")

struct LoadedLibrary
{
    ControllerLibrary::Functions functions;
    bool disabled = false;
    bool loaded = false;
    QString path;
    bool simulator = false;
    QString error;
};

#if defined(_WIN32)
using Handle = HMODULE;

Handle openLibrary(const QString &file)
{
    return LoadLibraryW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(file).utf16()));
}

void *symbol(Handle handle, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(handle, name));
}

QString fileOf(Handle handle, void *)
{
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(handle, name, MAX_PATH);
    return QString::fromWCharArray(name, static_cast<int>(length));
}

QString ownFolder()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ControllerLibrary::functions), &module))
        return QString();
    return QFileInfo(fileOf(module, nullptr)).absolutePath();
}
#else
using Handle = void *;

Handle openLibrary(const QString &file)
{
    return dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
}

void *symbol(Handle handle, const char *name)
{
    return dlsym(handle, name);
}

QString fileOf(Handle, void *entry)
{
    Dl_info info{};
    if (!dladdr(entry, &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

QString ownFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&ControllerLibrary::functions), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}
#endif

// Where the library is looked for, and how each place is named in the error.
struct Candidate
{
    QString file;
    QString place;
};

QList<Candidate> candidates()
{
    const QString name = QStringLiteral(TARN_PROD_SONAME);
    const QByteArray chosen = qgetenv(ControllerLibrary::kPathVariable);
    if (!chosen.isEmpty()) {
        const QString file = QFile::decodeName(chosen);
        return {{file, QStringLiteral("%1 (%2)").arg(file, ControllerLibrary::kPathVariable)}};
    }
    QList<Candidate> list{{name, QObject::tr("the system loader's folders")}};
    // A program with the core linked in (tarnscope-record) sits in bin/, the libraries beside
    // it in the build tree's lib/ or the kit's library folder. Its run path names them too, but
    // a sanitizer's dlopen searches its own run path instead of the program's.
    QStringList folders{ownFolder(), QStringLiteral(TARN_PROD_SDK_DIR)};
    if (!ownFolder().isEmpty())
        for (const QString &relative :
             {QStringLiteral("../lib"), QStringLiteral(TARN_PROD_LIB_FROM_BIN)})
            folders.append(QDir::cleanPath(QDir(ownFolder()).filePath(relative)));
    folders.removeAll(QString());
    folders.removeDuplicates();
    for (const QString &folder : folders)
        list.append({QDir(folder).filePath(name), folder});
    return list;
}

LoadedLibrary open()
{
    LoadedLibrary library;
    if (qgetenv(ControllerLibrary::kPathVariable) == ControllerLibrary::kNoController) {
        library.disabled = true;
        library.error =
            QObject::tr("no controller: %1 is \"%2\"")
                .arg(ControllerLibrary::kPathVariable, ControllerLibrary::kNoController);
        return library;
    }
    QStringList places;
    for (const Candidate &candidate : candidates()) {
        places.append(candidate.place);
        const Handle handle = openLibrary(candidate.file);
        if (!handle)
            continue;
        ControllerLibrary::Functions &f = library.functions;
        f.setScopeIndexs =
            reinterpret_cast<decltype(f.setScopeIndexs)>(symbol(handle, "Tarn_SetScopeIndexs"));
        f.readScopeData =
            reinterpret_cast<decltype(f.readScopeData)>(symbol(handle, "Tarn_ReadScopeData"));
        f.readRobotFlags =
            reinterpret_cast<decltype(f.readRobotFlags)>(symbol(handle, "TarnIF_ReadRobotFlags"));
        if (!f.setScopeIndexs || !f.readScopeData || !f.readRobotFlags) {
            library.functions = {};
            places.last() += QObject::tr(" (lacks the SDK's functions)");
            continue;
        }
        library.loaded = true;
        library.path = fileOf(handle, reinterpret_cast<void *>(f.readScopeData));
        library.simulator = symbol(handle, ControllerLibrary::kSimulatorMarker) != nullptr;
        return library;
    }
    library.error = QObject::tr("%1 not found in %2")
                        .arg(QFileInfo(candidates().constFirst().file).fileName(),
                             places.join(QStringLiteral(", ")));
    return library;
}

const LoadedLibrary &loadedLibrary()
{
    static const LoadedLibrary library = [] {
        LoadedLibrary found = open();
        if (found.disabled)
            qCInfo(lcController).noquote() << "No controller:" << ControllerLibrary::kPathVariable
                                           << "is" << ControllerLibrary::kNoController;
        else if (!found.loaded)
            qCWarning(lcController).noquote() << "No controller library:" << found.error;
        else if (found.simulator)
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

const ControllerLibrary::Functions *ControllerLibrary::functions()
{
    const LoadedLibrary &library = loadedLibrary();
    return library.loaded ? &library.functions : nullptr;
}

bool ControllerLibrary::isLoaded()
{
    return loadedLibrary().loaded;
}

QString ControllerLibrary::path()
{
    return loadedLibrary().path;
}

bool ControllerLibrary::isSimulator()
{
    return loadedLibrary().simulator;
}

QString ControllerLibrary::loadError()
{
    return loadedLibrary().error;
}

bool ControllerLibrary::isDisabled()
{
    return loadedLibrary().disabled;
}

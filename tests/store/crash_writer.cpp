// Crash safety of the stores: a child writes profiles and macros through the real stores and
// dies by SIGKILL just before its Nth change to a file (the only moments a kill can change
// the disk); the next child checks every file is whole and the stores' start clears the rest.
//   crash_writer DIR    CRASH_SEED=n repeats a run, CRASH_KILLS=n changes the 120 kills
#undef _FORTIFY_SOURCE // its inline open64 would clash with the one below
#include "macros/macro_library.h"
#include "store/profile_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

long changes = 0;
long killAt = 0; // 0: never

void changePoint() {
    if (killAt == 0 || ++changes < killAt)
        return;
    killAt = 0;
    std::printf("killed before change %ld\n", changes);
    std::fflush(stdout);
    ::kill(::getpid(), SIGKILL);
}

template <typename F> F next(F, const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

// The C library's calls, as Qt makes them, each preceded by a possible kill.
#define FORWARD(type, name, params, ...)                                                           \
    type name params {                                                                             \
        changePoint();                                                                             \
        static const auto real = next(&name, #name);                                               \
        return real(__VA_ARGS__);                                                                  \
    }
extern "C" {
FORWARD(ssize_t, write, (int fd, const void* buf, size_t n), fd, buf, n)
FORWARD(int, ftruncate, (int fd, off_t size) noexcept, fd, size)
FORWARD(int, ftruncate64, (int fd, off64_t size) noexcept, fd, size)
FORWARD(int, rename, (const char* a, const char* b) noexcept, a, b)
FORWARD(int, renameat2, (int da, const char* a, int db, const char* b, unsigned f) noexcept, da, a,
        db, b, f)
FORWARD(int, link, (const char* a, const char* b) noexcept, a, b)
FORWARD(int, linkat, (int da, const char* a, int db, const char* b, int f) noexcept, da, a, db, b,
        f)
FORWARD(int, unlink, (const char* path) noexcept, path)
int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (__OPEN_NEEDS_MODE(flags)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC))
        changePoint();
    static const auto real = next(&open64, "open64");
    return real(path, flags, mode);
}
}

namespace {

constexpr int kValues = 40;     // values per file: a profile-sized file of a few KiB
constexpr int kMaxKillAt = 400; // a few dozen writes

// The content of every file: values "gen:i:…" of one generation only.
QString value(int gen, int i) {
    return QStringLiteral("%1:%2:").arg(gen).arg(i) + QString(48, QChar(u'a' + (gen + i) % 26));
}

QStringList values(int gen) {
    QStringList list;
    for (int i = 0; i < kValues; ++i)
        list << value(gen, i);
    return list;
}

void putValues(QSettings* s, int gen) {
    for (int i = 0; i < kValues; ++i)
        s->setValue(QStringLiteral("crash/v%1").arg(i), value(gen, i));
}

// The generation a file holds when all of it is there, else -1.
int wholeGeneration(const QString& path) {
    const QSettings s(path, QSettings::IniFormat);
    if (!QFile::exists(path) || s.status() != QSettings::NoError)
        return -1;
    int gen = -1, found = 0;
    for (const QString& key : s.allKeys()) {
        const QString text = s.value(key).toString();
        if (text.count(':') != 2) // the counts and flags beside the values
            continue;
        gen = gen < 0 ? text.section(':', 0, 0).toInt() : gen;
        if (text != value(gen, text.section(':', 1, 1).toInt()))
            return -1;
        ++found;
    }
    return found == kValues ? gen : -1;
}

struct Stores {
    explicit Stores(const QString& dir)
        : profiles(dir + "/modules"), macros(nullptr, nullptr, nullptr, dir + "/modules") {}
    ProfileStore profiles;
    MacroLibrary macros;
};

void setup(const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir + "/modules/setting");
    QDir().mkpath(dir + "/modules/macro");
    QSettings factory(dir + "/modules/setting/pD.bin", QSettings::IniFormat);
    putValues(&factory, 0);
    factory.sync();
    Stores stores(dir);
    for (int p = 0; p < ProfileStore::kProfiles; ++p)
        stores.profiles.resetProfile(p);
    for (const QString m : {"m0", "m1", "m2"}) {
        stores.macros.createMacroIni(m, 0);
        stores.macros.saveMacroIni(m, values(0), {}, 0);
    }
}

[[noreturn]] void run(const QString& dir, quint32 seed) {
    QRandomGenerator rng(seed);
    Stores s(dir);
    for (;;) {
        const int p = rng.bounded(ProfileStore::kProfiles);
        const int gen = rng.bounded(1000000);
        switch (rng.bounded(4)) {
        case 0: // a page changes values: the settings object writes the file
            putValues(s.profiles.at(p), gen);
            s.profiles.at(p)->sync();
            break;
        case 1: // back to the factory profile, or a copy of another profile
            s.profiles.copyProfile(p, rng.bounded(ProfileStore::kProfiles));
            s.profiles.resetProfile(rng.bounded(ProfileStore::kProfiles));
            break;
        default: // the macro editor saves
            s.macros.saveMacroIni(QStringLiteral("m%1").arg(p % 3), values(gen), {}, gen);
        }
    }
}

// Prints "FAIL …" for each damaged file, then how many strays the kill left.
void check(const QString& dir) {
    QStringList files = {"setting/pD.bin", "macro/m0.bin", "macro/m1.bin", "macro/m2.bin"};
    for (int p = 1; p <= ProfileStore::kProfiles; ++p)
        files << QStringLiteral("setting/p%1.bin").arg(p);
    for (const QString& file : files)
        if (wholeGeneration(dir + "/modules/" + file) < 0)
            std::printf("FAIL %s is missing or torn\n", qPrintable(file));
    const auto strays = [&] {
        QStringList found;
        for (const QString folder : {"setting", "macro"})
            for (const QString& name :
                 QDir(dir + "/modules/" + folder).entryList(QDir::Files | QDir::Hidden))
                if (!files.contains(folder + "/" + name))
                    found << folder + "/" + name;
        return found;
    };
    const qsizetype left = strays().size();
    { const Stores restarted(dir); }
    for (const QString& name : strays())
        std::printf("FAIL left behind after a start: %s\n", qPrintable(name));
    std::printf("left %lld\n", qlonglong(left));
    std::fflush(stdout);
}

int drive(const QString& dir) {
    const auto env = [](const char* name, qint64 fallback) {
        return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
    };
    const auto seed = quint32(env("CRASH_SEED", QRandomGenerator::global()->generate()));
    const int kills = int(env("CRASH_KILLS", 120));
    std::printf("crash safety: seed %u (CRASH_SEED=%u repeats it), %d kills\n", seed, seed, kills);
    QRandomGenerator rng(seed);
    setup(dir);
    int damaged = 0, left = 0;
    for (int k = 0; k <= kills; ++k) {
        // Each child checks what the last kill left, then writes until its own kill.
        QStringList args{"step", dir};
        if (k < kills)
            args << QString::number(rng.generate()) << QString::number(1 + rng.bounded(kMaxKillAt));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), args);
        child.waitForFinished(60000);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        if (out.contains("FAIL") || out.contains("killed before change") != (k < kills)) {
            ++damaged;
            std::printf("after kill %d (%s):\n%s", k, qPrintable(args.join(' ')), qPrintable(out));
        }
        left += out.section("left ", 1).section('\n', 0, 0).toInt();
    }
    std::printf("crash safety: %d kills, %d with damage, %d lock files and temporary copies "
                "left by the kills and cleared by the next start\n",
                kills, damaged, left);
    return damaged == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2)
        return drive(args[1]);
    if (args.size() >= 3 && args[1] == "step") {
        check(args[2]);
        if (args.size() == 5) {
            killAt = args[4].toLong();
            run(args[2], args[3].toUInt());
        }
        return 0;
    }
    std::fprintf(stderr, "usage: crash_writer DIR\n");
    return 2;
}

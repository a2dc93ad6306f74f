// Crash-safety driver: writes profiles, macros and the configuration through the real
// store classes without pause, so that a SIGKILL lands in the middle of writes, and checks
// the files afterwards. Every file holds a generation number and content derived from it
// alone, so a check can tell whole content from torn content.
//
//   crash_writer setup DIR        a modules folder with every file at generation 0
//   crash_writer run DIR SEED     writes until killed; prints "writing" once it starts
//   crash_writer check DIR        after a kill: every file present, read cleanly, whole,
//                                 holding the content it had before the interrupted write
//                                 or the one being written, and nothing else in the
//                                 folders once the stores have started again; prints
//                                 "checked N", "locks N" and "copies N" (lock files and
//                                 temporary copies the kill left before that start) or
//                                 the failures (exit 1)
//
// DIR/journal (beside the modules folder) records each write before it starts and each
// generation a check found, so a check knows the old and the new content of every file.
#include "app_config.h"
#include "macro_host.h"
#include "macro_library.h"
#include "profile_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

constexpr int kValues = 40;     // values per file: a profile-sized file of a few KiB
constexpr int kMacroLines = 20; // action lines per macro
const QStringList kMacros = {QStringLiteral("m0"), QStringLiteral("m1"), QStringLiteral("m2")};

QString value(int gen, int i) {
    return QStringLiteral("%1:%2:").arg(gen).arg(i) + QString(48, QChar(u'a' + (gen + i) % 26));
}

// A journal line is written with one write(2): a kill cannot cut it.
void journal(const QString& dir, const QString& file, int gen) {
    const QByteArray line = QStringLiteral("%1 %2\n").arg(file).arg(gen).toUtf8();
    const int fd = ::open(QFile::encodeName(dir + QStringLiteral("/journal")).constData(),
                          O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0 || ::write(fd, line.constData(), size_t(line.size())) != line.size())
        std::abort();
    ::close(fd);
}

// The last two generations the journal names for each file: the content before the last
// write and the one it was writing.
std::map<QString, std::pair<int, int>> readJournal(const QString& dir) {
    std::map<QString, std::pair<int, int>> last;
    QFile f(dir + QStringLiteral("/journal"));
    if (f.open(QIODevice::ReadOnly))
        while (!f.atEnd()) {
            const QList<QByteArray> parts = f.readLine().trimmed().split(' ');
            if (parts.size() != 2)
                continue;
            auto [it, fresh] = last.try_emplace(QString::fromUtf8(parts[0]), 0, 0);
            it->second = {it->second.second, parts[1].toInt()};
        }
    return last;
}

struct Files {
    explicit Files(const QString& dir) : modules(dir + QStringLiteral("/modules")) {}
    QString modules;
    QString setting(const QString& name) const { return modules + "/setting/" + name; }
    QString macro(const QString& name) const { return modules + "/macro/" + name + ".bin"; }
};

void writeProfileValues(QSettings* s, int gen) {
    s->setValue(QStringLiteral("crash/gen"), gen);
    for (int i = 0; i < kValues; ++i)
        s->setValue(QStringLiteral("crash/v%1").arg(i), value(gen, i));
}

QVariantList configValues(int gen) {
    QVariantList list;
    for (int i = 0; i < kValues; ++i)
        list << value(gen, i);
    return list;
}

QStringList macroLines(int gen) {
    QStringList lines;
    for (int i = 0; i < kMacroLines; ++i)
        lines << value(gen, i);
    return lines;
}

// Import hands the library a file the user picked; here one written just before.
class PickedFile : public MacroFileDialogs {
  public:
    QString path;
    QString getSaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString getOpenFileName(const QString&, const QString&, const QString&) override {
        return path;
    }
};

int setup(const QString& dir) {
    const Files f(dir);
    QDir().mkpath(f.modules + "/setting");
    QDir().mkpath(f.modules + "/macro");
    QSettings factory(f.setting("pD.bin"), QSettings::IniFormat);
    writeProfileValues(&factory, 0);
    factory.sync();
    QSettings configFactory(f.setting("apConfigD.bin"), QSettings::IniFormat);
    configFactory.setValue(QStringLiteral("common/total"), kValues);
    for (int i = 0; i < kValues; ++i)
        configFactory.setValue(QStringLiteral("common/%1").arg(i), value(0, i));
    configFactory.sync();

    ProfileStore profiles(f.modules);
    for (int p = 0; p < ProfileStore::kProfiles; ++p)
        profiles.resetProfile(p);
    AppConfig(f.modules).resetApconfig();
    MacroLibrary macros(nullptr, nullptr, nullptr, f.modules);
    for (const QString& m : kMacros) {
        macros.createMacroIni(m, 0);
        macros.saveMacroIni(m, macroLines(0), {}, 0);
    }
    return 0;
}

[[noreturn]] void run(const QString& dir, quint32 seed) {
    const Files f(dir);
    auto gens = readJournal(dir);
    std::map<QString, int> next;
    for (const auto& [file, pair] : gens)
        next[file] = std::max(pair.first, pair.second);
    QRandomGenerator rng(seed);
    ProfileStore profiles(f.modules);
    AppConfig config(f.modules);
    PickedFile picked;
    picked.path = dir + QStringLiteral("/import.mc");
    MacroLibrary macros(nullptr, nullptr, &picked, f.modules);
    std::puts("writing");
    std::fflush(stdout);
    for (;;) {
        const int p = rng.bounded(ProfileStore::kProfiles);
        const QString profile = QStringLiteral("p%1.bin").arg(p + 1);
        const QString macro = kMacros.at(rng.bounded(int(kMacros.size())));
        switch (rng.bounded(7)) {
        case 0:
        case 1: { // a page changes values: the settings object writes the file
            const int gen = ++next[profile];
            journal(dir, profile, gen);
            writeProfileValues(profiles.at(p), gen);
            profiles.at(p)->sync();
            break;
        }
        case 2: { // reset to the factory profile, or a copy of another profile
            const int src = rng.bounded(ProfileStore::kProfiles);
            if (src == p || rng.bounded(2)) {
                journal(dir, profile, 0);
                profiles.resetProfile(p);
            } else {
                profiles.at(src)->sync();
                journal(dir, profile, profiles.at(src)->value(QStringLiteral("crash/gen")).toInt());
                profiles.copyProfile(p, src);
            }
            break;
        }
        case 3: { // the macro editor saves
            const int gen = ++next[macro];
            journal(dir, macro, gen);
            macros.saveMacroIni(macro, macroLines(gen), {}, gen);
            break;
        }
        case 4: { // a macro file is imported over one of the library
            const int gen = ++next[macro];
            QFile::remove(picked.path);
            {
                QSettings source(picked.path, QSettings::IniFormat);
                source.setValue(QStringLiteral("config/index"), 0);
                source.setValue(QStringLiteral("config/did"), -1);
                source.setValue(QStringLiteral("config/total"), kMacroLines);
                source.setValue(QStringLiteral("config/repeat"), gen);
                const QStringList lines = macroLines(gen);
                for (int i = 0; i < kMacroLines; ++i)
                    source.setValue(QStringLiteral("macro/%1").arg(i), lines.at(i));
            }
            journal(dir, macro, gen);
            macros.loadMacroIniFromFile(macro);
            break;
        }
        case 5: { // the options list of the pages
            const int gen = ++next[QStringLiteral("apConfig.bin")];
            journal(dir, QStringLiteral("apConfig.bin"), gen);
            config.saveApConfig(configValues(gen));
            config.settings()->sync();
            break;
        }
        default: // the configuration back to its factory copy
            journal(dir, QStringLiteral("apConfig.bin"), 0);
            config.resetApconfig();
            break;
        }
    }
}

// The generation a file holds when all of it is there, else -1 with the reason.
int wholeGeneration(const QString& path, const QString& genKey, const QString& prefix, int values,
                    const QStringList& fixed, QString* why) {
    if (!QFile::exists(path)) {
        *why = QStringLiteral("missing");
        return -1;
    }
    const QSettings s(path, QSettings::IniFormat);
    if (s.status() != QSettings::NoError) {
        *why = QStringLiteral("does not read cleanly");
        return -1;
    }
    // A generation is stored alone or leads a value ("5:0:fff…").
    bool ok = false;
    const int gen = s.value(genKey).toString().section(QLatin1Char(':'), 0, 0).toInt(&ok);
    QStringList expected = fixed;
    for (int i = 0; i < values; ++i) {
        expected << prefix + QString::number(i);
        if (!ok || s.value(prefix + QString::number(i)).toString() != value(gen, i)) {
            *why = QStringLiteral("torn at value %1").arg(i);
            return -1;
        }
    }
    QStringList keys = s.allKeys();
    keys.sort();
    expected.sort();
    if (keys != expected) {
        *why = QStringLiteral("unexpected keys: ") + keys.join(QLatin1Char(' '));
        return -1;
    }
    return gen;
}

int check(const QString& dir) {
    const Files f(dir);
    const auto gens = readJournal(dir);
    int checked = 0;
    QStringList failures;
    const auto checkFile = [&](const QString& name, int gen, const QString& why) {
        ++checked;
        const auto it = gens.find(name);
        const std::pair<int, int> allowed = it == gens.end() ? std::pair{0, 0} : it->second;
        if (gen < 0)
            failures << name + ": " + why;
        else if (gen != allowed.first && gen != allowed.second)
            failures << QStringLiteral("%1: generation %2, neither the old %3 nor the new %4")
                            .arg(name)
                            .arg(gen)
                            .arg(allowed.first)
                            .arg(allowed.second);
        else
            journal(dir, name, gen); // what the next write starts from
    };

    QString why;
    QStringList expectedSetting = {QStringLiteral("apConfig.bin"), QStringLiteral("apConfigD.bin"),
                                   QStringLiteral("pD.bin")};
    for (int p = 1; p <= ProfileStore::kProfiles; ++p) {
        const QString name = QStringLiteral("p%1.bin").arg(p);
        expectedSetting << name;
        const int gen =
            wholeGeneration(f.setting(name), QStringLiteral("crash/gen"), QStringLiteral("crash/v"),
                            kValues, {QStringLiteral("crash/gen")}, &why);
        checkFile(name, gen, why);
    }
    // The configuration holds its generation in the first option.
    QString configWhy;
    const int configGen = wholeGeneration(f.setting("apConfig.bin"), QStringLiteral("common/0"),
                                          QStringLiteral("common/"), kValues,
                                          {QStringLiteral("common/total")}, &configWhy);
    checkFile(QStringLiteral("apConfig.bin"), configGen, configWhy);

    QStringList expectedMacro;
    for (const QString& m : kMacros) {
        expectedMacro << m + ".bin";
        const int gen = wholeGeneration(
            f.macro(m), QStringLiteral("config/repeat"), QStringLiteral("macro/"), kMacroLines,
            {QStringLiteral("config/index"), QStringLiteral("config/total"),
             QStringLiteral("config/repeat"), QStringLiteral("config/did")},
            &why);
        checkFile(m, gen, why);
    }

    // Nothing else: no temporaries, and no lock files once the stores have started again
    // (a kill while the settings class writes leaves its lock file).
    const auto strays = [&](const QString& folder, const QStringList& expected) {
        QStringList found;
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            if (!expected.contains(name))
                found << folder + "/" + name;
        return found;
    };
    const QStringList afterKill = strays(f.modules + "/setting", expectedSetting) +
                                  strays(f.modules + "/macro", expectedMacro);
    {
        const ProfileStore profiles(f.modules);
        const AppConfig config(f.modules);
        const MacroLibrary macros(nullptr, nullptr, nullptr, f.modules);
    }
    for (const QString& name : strays(f.modules + "/setting", expectedSetting) +
                                   strays(f.modules + "/macro", expectedMacro))
        failures << QStringLiteral("left behind after a start: ") + name;

    for (const QString& failure : failures)
        std::printf("FAIL %s\n", qPrintable(failure));
    const int locks = int(afterKill.filter(QStringLiteral(".lock")).size());
    std::printf("checked %d\nlocks %d\ncopies %d\n", checked, locks, int(afterKill.size()) - locks);
    return failures.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == "setup")
        return setup(args[2]);
    if (args.size() >= 4 && args[1] == "run")
        run(args[2], args[3].toUInt());
    if (args.size() >= 3 && args[1] == "check")
        return check(args[2]);
    std::fprintf(stderr, "usage: crash_writer setup|run|check DIR [SEED]\n");
    return 2;
}

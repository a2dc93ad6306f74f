// The desktop programs' command line: what each argument list means, and the help, usage
// and manual page written from one description.
#include "platform/cli/command_line.h"

#include <QTest>

namespace {

const cli::Program kProgram{QStringLiteral("tool"),
                            QStringLiteral("Does one thing. Then another."),
                            QStringLiteral("1.2"),
                            {{QStringLiteral("--start-in-tray"), QStringLiteral("Start hidden.")},
                             {QStringLiteral("--x"), QStringLiteral("A \\\\ backslash -- dash.")}},
                            QStringLiteral(".dot first\nsecond line\n\n  kept  as  is"),
                            {{QStringLiteral("FILES"), QStringLiteral("'quote first")}},
                            QStringLiteral("tool-cmd")};

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("problem");
        using A = cli::Parsed::Action;
        QTest::newRow("nothing") << QStringList{} << int(A::Run) << QStringList{} << "";
        QTest::newRow("option once") << QStringList{"--start-in-tray", "--start-in-tray", "--x"}
                                     << int(A::Run) << QStringList{"--start-in-tray", "--x"} << "";
        QTest::newRow("qt options pass") << QStringList{"-platform", "offscreen", "-reverse", "--x"}
                                         << int(A::Run) << QStringList{"--x"} << "";
        QTest::newRow("help first")
            << QStringList{"--help", "--bogus"} << int(A::Help) << QStringList{} << "";
        QTest::newRow("h") << QStringList{"-h"} << int(A::Help) << QStringList{} << "";
        QTest::newRow("version after option")
            << QStringList{"--x", "--version"} << int(A::Version) << QStringList{"--x"} << "";
        QTest::newRow("manpage") << QStringList{"--manpage"} << int(A::Manpage) << QStringList{}
                                 << "";
        QTest::newRow("bogus before help") << QStringList{"--bogus", "--help"} << int(A::Usage)
                                           << QStringList{} << "unknown option --bogus";
        QTest::newRow("qt value missing") << QStringList{"-style"} << int(A::Usage) << QStringList{}
                                          << "option -style needs a value";
        QTest::newRow("last qt value option")
            << QStringList{"-stylesheet", "a.qss"} << int(A::Run) << QStringList{} << "";
        QTest::newRow("word") << QStringList{"file.txt"} << int(A::Usage) << QStringList{}
                              << "unexpected argument file.txt";
        QTest::newRow("option prefix")
            << QStringList{"--start"} << int(A::Usage) << QStringList{} << "unknown option --start";
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QStringList, given);
        QFETCH(QString, problem);
        const cli::Parsed p = cli::parse(args, kProgram);
        QCOMPARE(int(p.action), action);
        QCOMPARE(p.given, given);
        QCOMPARE(p.problem, problem);
    }

    // One description: the usage line names every option, the help aligns them, and the
    // manual page escapes what roff would take for its own.
    void helpAndManualPage() {
        QCOMPARE(cli::usageLine(kProgram),
                 QStringLiteral("usage: tool [--help] [--version] [--start-in-tray] [--x]\n"));
        QCOMPARE(cli::versionText(kProgram), QStringLiteral("tool 1.2\n"));
        const QString help = cli::helpText(kProgram);
        QVERIFY(help.startsWith(cli::usageLine(kProgram) + QStringLiteral("\nDoes one thing.")));
        QVERIFY(help.contains(QStringLiteral("  --start-in-tray  Start hidden.\n")));
        QVERIFY(help.contains(QStringLiteral("  --version        Print the version and exit.\n")));
        const QString page = cli::manPage(kProgram);
        QVERIFY(page.startsWith(QStringLiteral(".TH TOOL-CMD 1 \"\" \"tool-cmd 1.2\"")));
        // The synopsis names the installed command.
        QVERIFY(page.contains(QStringLiteral(".SH SYNOPSIS\n.nf\ntool\\-cmd [\\-\\-help]")));
        QVERIFY(page.contains(QStringLiteral(".SH NAME\ntool\\-cmd \\- does one thing\n")));
        QVERIFY(page.contains(QStringLiteral("\\&.dot first\nsecond line\n")));
        QVERIFY(page.contains(QStringLiteral(".nf\n  kept  as  is\n.fi\n")));
        QVERIFY(page.contains(QStringLiteral(".B \\-\\-x\nA \\e\\e backslash \\-\\- dash.\n")));
        QVERIFY(page.contains(QStringLiteral(".SH FILES\n.PP\n\\&'quote first\n")));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"

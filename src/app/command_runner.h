// What mouse-suite-ctl asks of the program, carried out on the pages the way the user's
// clicks are: the panel changes, the profile files are written and the mouse is sent the
// same commands. The running configurator takes the requests over its message channel;
// mouse-suite-ctl runs the same pages headless when no configurator runs. One command at a
// time, in the order they came; each answer says whether the mouse took what was sent.
#pragma once

#include "control/command.h"
#include "store/user_prompts.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class ConfiguratorRoot;

class CommandRunner : public QObject {
    Q_OBJECT
  public:
    using Done = std::function<void(const ctl::Outcome&)>;

    // How long a command waits for the mouse to be found and to answer the handshake, or
    // for another program to let go of it.
    static constexpr int kMouseWaitMs = 20000;
    // How long what a command sent may take to reach the mouse.
    static constexpr int kSendWaitMs = 30000;
    static constexpr int kPollMs = 20;

    // Build it before the first discovery: it learns from the link when the pages have
    // shown the accepted mouse's profile.
    explicit CommandRunner(ConfiguratorRoot& root, QObject* parent = nullptr);
    ~CommandRunner() override;

    // Queued behind the commands still running; `done` gets the outcome.
    void run(const ctl::Command& command, Done done);
    // The arguments and working folder of a request of the message channel (JSON), and
    // the answer as JSON.
    void runRequest(const QByteArray& request, const std::function<void(QByteArray)>& answer);

    // Whether the command needs the mouse: all but the lists and the exports do.
    static bool needsMouse(const ctl::Command& command);

  private:
    struct Job {
        ctl::Command command;
        Done done;
    };
    // File dialogs answered with the command's file; warnings kept as the reason.
    struct FixedAnswers : UserPrompts {
        QString path;
        QStringList warnings;
        QString openFileName(const QString&, const QString&, const QString&) override {
            return path;
        }
        QString saveFileName(const QString&, const QString&, const QString&) override {
            return path;
        }
        void warning(const QString&, const QString& text) override { warnings << text; }
        bool confirm(const QString&, const QString&) override { return true; }
    };

    void startNext();
    void waitForMouse();
    void apply();
    void waitForSends();
    void finish(ctl::Outcome outcome);
    QString noMouseSentence() const;

    // The page's own functions.
    QVariant callPage(const char* function, const QVariantList& args = {});
    QString pageCommand(const QString& verb, const QVariantMap& args);

    ctl::Outcome status();
    ctl::Outcome profileList();
    ctl::Outcome macroList();
    ctl::Outcome exportFile();
    ctl::Outcome importProfile();
    ctl::Outcome importMacro();
    // After the page has sent: 0 when the mouse took all of it.
    ctl::Outcome sendsOutcome();

    ConfiguratorRoot& root_;
    std::deque<Job> jobs_;
    bool running_ = false;
    // The pages show the profile of an accepted mouse.
    bool pageReady_ = false;
    QTimer poll_;
    qint64 waitedMs_ = 0;
    QList<int> failed_;
    FixedAnswers answers_;
};

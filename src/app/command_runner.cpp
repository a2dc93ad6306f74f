#include "app/command_runner.h"

#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/widget.h"
#include "macros/macro_library.h"
#include "store/picked_file.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QQuickItem>

namespace {

QString reasonSentence(NoMouseReason reason) {
    switch (reason) {
    case NoMouseReason::NotPlugged:
        return QStringLiteral("No mouse is plugged in.");
    case NoMouseReason::NoAccess:
        return QStringLiteral("A mouse is plugged in, but you may not open its device node: "
                              "install the udev rule 70-mouse-suite.rules (see the README) "
                              "and plug it in again.");
    case NoMouseReason::Refused:
        return QStringLiteral("The mouse plugged in refused the handshake; plug it in again.");
    }
    return QStringLiteral("No mouse was found.");
}

QString effectName(int effect, int slider) {
    switch (effect) {
    case 1:
        return slider == 0 ? QStringLiteral("off") : QStringLiteral("static");
    case 2:
        return QStringLiteral("breath");
    case 3:
        return QStringLiteral("neon");
    default:
        return QStringLiteral("tapping");
    }
}

QString jsonText(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + '\n';
}

ctl::Outcome refused(int exit, const QString& why) {
    return {exit, {}, why};
}

} // namespace

CommandRunner::CommandRunner(ConfiguratorRoot& root, QObject* parent)
    : QObject(parent), root_(root) {
    Hid_Thread& link = root_.link();
    // initUI is queued when the mouse is accepted: the pages show its profile once the
    // event queue has reached this point behind it.
    connect(&link, &Hid_Thread::runRequested, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { pageReady_ = true; }, Qt::QueuedConnection);
    });
    connect(&link, &Hid_Thread::windowHideRequested, this, [this] { pageReady_ = false; });
    connect(&link, &Hid_Thread::listenerEnded, this, [this] { pageReady_ = false; });
    connect(&link, &Hid_Thread::sendFailed, this, [this](int code) {
        if (running_ && !failed_.contains(code))
            failed_ << code;
    });
    poll_.setInterval(kPollMs);
}

CommandRunner::~CommandRunner() = default;

bool CommandRunner::needsMouse(const ctl::Command& command) {
    switch (command.verb) {
    case ctl::Verb::ProfileList:
    case ctl::Verb::MacroList:
    case ctl::Verb::ProfileExport:
    case ctl::Verb::MacroExport:
    case ctl::Verb::ButtonFunctions:
        return false;
    default:
        return true;
    }
}

void CommandRunner::run(const ctl::Command& command, Done done) {
    jobs_.push_back({command, std::move(done)});
    if (!running_)
        startNext();
}

void CommandRunner::runRequest(const QByteArray& request,
                               const std::function<void(QByteArray)>& answer) {
    const QJsonObject object = QJsonDocument::fromJson(request).object();
    QStringList args;
    for (const QJsonValue& v : object.value(QStringLiteral("args")).toArray())
        args << v.toString();
    const QString folder = object.value(QStringLiteral("cwd")).toString();
    auto reply = [answer](const ctl::Outcome& o) {
        answer(QJsonDocument(ctl::toJson(o)).toJson(QJsonDocument::Compact));
    };
    const ctl::Parsed parsed = ctl::parse(args, folder);
    if (!parsed.command || !QFileInfo(folder).isAbsolute()) {
        reply({2,
               {},
               parsed.command ? QStringLiteral("the request names no working folder")
                              : parsed.problem});
        return;
    }
    run(*parsed.command, reply);
}

void CommandRunner::startNext() {
    if (jobs_.empty()) {
        running_ = false;
        return;
    }
    running_ = true;
    failed_.clear();
    if (needsMouse(jobs_.front().command))
        waitForMouse();
    else
        apply();
}

void CommandRunner::waitForMouse() {
    waitedMs_ = 0;
    poll_.disconnect();
    auto check = [this] {
        Hid_Thread& link = root_.link();
        Widget& window = root_.window();
        if (pageReady_ && link.deviceAccepted()) {
            poll_.stop();
            apply();
            return;
        }
        const bool looking = window.pollTimer().isActive() || link.handedOver();
        if (window.noMouseReason() && !looking) {
            poll_.stop();
            ctl::Outcome o = refused(1, noMouseSentence());
            if (jobs_.front().command.json)
                o.out = jsonText(
                    {{QStringLiteral("mouse"), QJsonObject{{QStringLiteral("found"), false},
                                                           {QStringLiteral("reason"), o.err}}}});
            finish(o);
            return;
        }
        waitedMs_ += kPollMs;
        if (waitedMs_ >= kMouseWaitMs) {
            poll_.stop();
            finish(refused(1, link.handedOver()
                                  ? QStringLiteral("The mouse is in use by another program (the "
                                                   "updater or another mouse-suite-ctl); try "
                                                   "again once it is done.")
                                  : QStringLiteral("The mouse did not answer in time.")));
        }
    };
    connect(&poll_, &QTimer::timeout, this, check);
    poll_.start();
    check();
}

QString CommandRunner::noMouseSentence() const {
    const auto reason = root_.window().noMouseReason();
    return reasonSentence(reason.value_or(NoMouseReason::NotPlugged));
}

QVariant CommandRunner::callPage(const char* function, const QVariantList& args) {
    QQuickItem* page = root_.window().view()->rootObject();
    QVariant result;
    if (!page)
        return result;
    switch (args.size()) {
    case 0:
        QMetaObject::invokeMethod(page, function, Q_RETURN_ARG(QVariant, result));
        break;
    case 1:
        QMetaObject::invokeMethod(page, function, Q_RETURN_ARG(QVariant, result),
                                  Q_ARG(QVariant, args.at(0)));
        break;
    default:
        QMetaObject::invokeMethod(page, function, Q_RETURN_ARG(QVariant, result),
                                  Q_ARG(QVariant, args.at(0)), Q_ARG(QVariant, args.at(1)));
        break;
    }
    if (result.canConvert<QJSValue>() && result.userType() == qMetaTypeId<QJSValue>())
        result = result.value<QJSValue>().toVariant();
    return result;
}

QString CommandRunner::pageCommand(const QString& verb, const QVariantMap& args) {
    return callPage("runCommand", {verb, args}).toString();
}

void CommandRunner::apply() {
    const ctl::Command& c = jobs_.front().command;
    QString refusal;
    switch (c.verb) {
    case ctl::Verb::Status:
        finish(status());
        return;
    case ctl::Verb::ProfileList:
        finish(profileList());
        return;
    case ctl::Verb::MacroList:
        finish(macroList());
        return;
    case ctl::Verb::ButtonFunctions:
        finish(ctl::buttonFunctions(c.json));
        return;
    case ctl::Verb::ProfileExport:
    case ctl::Verb::MacroExport:
        finish(exportFile());
        return;
    case ctl::Verb::ProfileImport: {
        const ctl::Outcome o = importProfile();
        if (o.exit != 0)
            finish(o);
        else
            waitForSends();
        return;
    }
    case ctl::Verb::MacroImport: {
        const ctl::Outcome o = importMacro();
        if (o.exit != 0)
            finish(o);
        else
            waitForSends();
        return;
    }
    case ctl::Verb::ProfileSwitch:
        refusal =
            pageCommand(QStringLiteral("profileSwitch"),
                        {{QStringLiteral("profile"), c.profile}, {QStringLiteral("name"), c.name}});
        break;
    case ctl::Verb::DpiSet:
        refusal = pageCommand(QStringLiteral("dpiSet"), {{QStringLiteral("stage"), c.stage},
                                                         {QStringLiteral("value"), c.value}});
        break;
    case ctl::Verb::DpiEnable:
        refusal = pageCommand(QStringLiteral("dpiEnable"),
                              {{QStringLiteral("stage"), c.stage}, {QStringLiteral("on"), c.on}});
        break;
    case ctl::Verb::Rate:
        refusal = pageCommand(QStringLiteral("rate"), {{QStringLiteral("interval"), c.value}});
        break;
    case ctl::Verb::Lighting:
        refusal =
            pageCommand(QStringLiteral("lighting"), {{QStringLiteral("effect"), c.effect},
                                                     {QStringLiteral("level"), c.value},
                                                     {QStringLiteral("levelGiven"), c.levelGiven}});
        break;
    case ctl::Verb::Axis:
        refusal = pageCommand(QStringLiteral("axis"),
                              {{QStringLiteral("x"), c.value}, {QStringLiteral("y"), c.second}});
        break;
    case ctl::Verb::Button:
        refusal = pageCommand(QStringLiteral("button"), {{QStringLiteral("button"), c.button},
                                                         {QStringLiteral("code"), c.name}});
        break;
    case ctl::Verb::FactoryReset:
        refusal = pageCommand(QStringLiteral("factoryReset"), {});
        break;
    }
    if (!refusal.isEmpty()) {
        finish(refused(2, refusal));
        return;
    }
    waitForSends();
}

void CommandRunner::waitForSends() {
    waitedMs_ = 0;
    poll_.disconnect();
    connect(&poll_, &QTimer::timeout, this, [this] {
        waitedMs_ += kPollMs;
        if (root_.link().isLinkFree()) {
            poll_.stop();
            // A failure reported while the last transfer ended is still in the event queue.
            QMetaObject::invokeMethod(
                this, [this] { finish(sendsOutcome()); }, Qt::QueuedConnection);
        } else if (waitedMs_ >= kSendWaitMs) {
            poll_.stop();
            finish(refused(1, QStringLiteral("What was sent had not reached the mouse after %1 s; "
                                             "the profile keeps the change and it is sent again "
                                             "the next time the mouse is reached.")
                                  .arg(kSendWaitMs / 1000)));
        }
    });
    poll_.start();
}

ctl::Outcome CommandRunner::sendsOutcome() {
    if (failed_.isEmpty())
        return {};
    QStringList names;
    for (const int code : failed_)
        names << callPage("commandSettingName", {code}).toString();
    return refused(1, QStringLiteral("The mouse did not take: %1. The profile keeps the change; it "
                                     "is sent again the next time the mouse is reached.")
                          .arg(names.join(QStringLiteral(", "))));
}

void CommandRunner::finish(ctl::Outcome outcome) {
    poll_.stop();
    poll_.disconnect();
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    // The next command's failures are its own.
    running_ = false;
    job.done(outcome);
    if (!running_)
        startNext();
}

ctl::Outcome CommandRunner::status() {
    const bool json = jobs_.front().command.json;
    const QString firmware = root_.window().view()->ui_80H_GetFWVersion();
    const QVariantMap s = callPage("commandStatus").toMap();
    const int profile = s.value(QStringLiteral("profile")).toInt();
    const int interval = qMax(1, s.value(QStringLiteral("interval")).toInt());
    const int effect = s.value(QStringLiteral("effect")).toInt();
    const int slider = s.value(QStringLiteral("level")).toInt();
    const QString lighting = effectName(effect, slider);
    const QVariantList stages = s.value(QStringLiteral("stages")).toList();
    const QVariantList buttons = s.value(QStringLiteral("buttons")).toList();

    if (json) {
        QJsonArray dpi;
        for (int i = 0; i < stages.size(); ++i) {
            const QVariantMap st = stages.at(i).toMap();
            dpi.append(QJsonObject{
                {QStringLiteral("stage"), i + 1},
                {QStringLiteral("value"), st.value(QStringLiteral("value")).toInt()},
                {QStringLiteral("on"), st.value(QStringLiteral("on")).toBool()},
                {QStringLiteral("colour"), st.value(QStringLiteral("colour")).toString()}});
        }
        QJsonArray keys;
        for (int i = 0; i < buttons.size(); ++i)
            keys.append(QJsonObject{{QStringLiteral("button"), i + 1},
                                    {QStringLiteral("function"), buttons.at(i).toString()}});
        QJsonObject light{{QStringLiteral("effect"), lighting}};
        if (lighting != QLatin1String("off"))
            light.insert(QStringLiteral("level"), slider + 1);
        return {0,
                jsonText(
                    {{QStringLiteral("mouse"), QJsonObject{{QStringLiteral("found"), true},
                                                           {QStringLiteral("firmware"), firmware}}},
                     {QStringLiteral("profile"),
                      QJsonObject{{QStringLiteral("number"), profile + 1},
                                  {QStringLiteral("name"),
                                   s.value(QStringLiteral("profileName")).toString()}}},
                     {QStringLiteral("reportRate"), 1000 / interval},
                     {QStringLiteral("dpi"), dpi},
                     {QStringLiteral("lighting"), light},
                     {QStringLiteral("axis"),
                      QJsonObject{{QStringLiteral("x"), s.value(QStringLiteral("x")).toInt()},
                                  {QStringLiteral("y"), s.value(QStringLiteral("y")).toInt()}}},
                     {QStringLiteral("buttons"), keys}}),
                {}};
    }
    QString out;
    out += QStringLiteral("Mouse:         found, firmware %1\n")
               .arg(firmware.isEmpty() ? QStringLiteral("unknown") : firmware);
    out += QStringLiteral("Profile:       %1 \"%2\"\n")
               .arg(profile + 1)
               .arg(s.value(QStringLiteral("profileName")).toString());
    out += QStringLiteral("Report rate:   %1 Hz\n").arg(1000 / interval);
    out += QStringLiteral("DPI stages:\n");
    for (int i = 0; i < stages.size(); ++i) {
        const QVariantMap st = stages.at(i).toMap();
        out += QStringLiteral("  %1  %2  %3  %4\n")
                   .arg(i + 1)
                   .arg(st.value(QStringLiteral("value")).toInt(), 4)
                   .arg(st.value(QStringLiteral("on")).toBool() ? QStringLiteral("on ")
                                                                : QStringLiteral("off"))
                   .arg(st.value(QStringLiteral("colour")).toString());
    }
    out += lighting == QLatin1String("off")
               ? QStringLiteral("Lighting:      off\n")
               : QStringLiteral("Lighting:      %1, level %2\n").arg(lighting).arg(slider + 1);
    out += QStringLiteral("Axis:          X %1, Y %2\n")
               .arg(s.value(QStringLiteral("x")).toInt())
               .arg(s.value(QStringLiteral("y")).toInt());
    out += QStringLiteral("Buttons:\n");
    for (int i = 0; i < buttons.size(); ++i)
        out += QStringLiteral("  %1  %2\n").arg(i + 1).arg(buttons.at(i).toString());
    return {0, out, {}};
}

ctl::Outcome CommandRunner::profileList() {
    const QVariantMap p = callPage("commandProfiles").toMap();
    const int current = p.value(QStringLiteral("current")).toInt();
    QJsonArray list;
    QString text;
    for (const QVariant& row : p.value(QStringLiteral("rows")).toList()) {
        const QVariantMap r = row.toMap();
        const int no = r.value(QStringLiteral("profileNo")).toInt();
        const QString name = r.value(QStringLiteral("profileName")).toString();
        list.append(QJsonObject{{QStringLiteral("number"), no + 1},
                                {QStringLiteral("name"), name},
                                {QStringLiteral("current"), no == current}});
        text += QStringLiteral("%1 %2  %3\n").arg(no == current ? '*' : ' ').arg(no + 1).arg(name);
    }
    if (jobs_.front().command.json)
        return {0,
                jsonText(
                    {{QStringLiteral("current"), current + 1}, {QStringLiteral("profiles"), list}}),
                {}};
    return {0, text, {}};
}

ctl::Outcome CommandRunner::macroList() {
    const QStringList names = callPage("commandMacros").toStringList();
    if (jobs_.front().command.json)
        return {0, jsonText({{QStringLiteral("macros"), QJsonArray::fromStringList(names)}}), {}};
    return {0, names.isEmpty() ? QString() : names.join('\n') + '\n', {}};
}

ctl::Outcome CommandRunner::exportFile() {
    const ctl::Command& c = jobs_.front().command;
    myQQuickView& view = *root_.window().view();
    const bool profile = c.verb == ctl::Verb::ProfileExport;
    if (!profile && !callPage("commandMacros").toStringList().contains(c.name))
        return refused(2, QStringLiteral("no macro is named \"%1\"; \"mouse-suite-ctl macro list\" "
                                         "lists them")
                              .arg(c.name));
    const QString target =
        pickedfile::withSuffix(c.file, profile ? QStringLiteral(".pf") : QStringLiteral(".mc"));
    answers_ = {};
    answers_.path = c.file;
    UserPrompts* before = root_.prompts().dialogStandIn();
    root_.prompts().setDialogStandIn(&answers_);
    if (profile)
        view.saveProfile(c.profile);
    else
        view.saveMacroIniToFile(c.name);
    root_.prompts().setDialogStandIn(before);
    if (!answers_.warnings.isEmpty())
        return refused(1, answers_.warnings.first());
    if (!QFileInfo(target).isFile())
        return refused(1, QStringLiteral("%1 was not written.").arg(target));
    return {0,
            c.json ? jsonText({{QStringLiteral("file"), target}})
                   : QStringLiteral("wrote %1\n").arg(target),
            {}};
}

ctl::Outcome CommandRunner::importProfile() {
    const ctl::Command& c = jobs_.front().command;
    const int current = root_.profiles().currentIndex();
    const int profile = c.profile >= 0 ? c.profile : current;
    answers_ = {};
    answers_.path = c.file;
    UserPrompts* before = root_.prompts().dialogStandIn();
    root_.prompts().setDialogStandIn(&answers_);
    const bool loaded = root_.window().view()->loadProfile(profile);
    root_.prompts().setDialogStandIn(before);
    if (!loaded)
        return refused(1, answers_.warnings.isEmpty()
                              ? QStringLiteral("%1 could not be imported.").arg(c.file)
                              : answers_.warnings.first());
    if (profile == current)
        pageCommand(QStringLiteral("profileImported"), {});
    return {};
}

ctl::Outcome CommandRunner::importMacro() {
    const ctl::Command& c = jobs_.front().command;
    if (!MacroLibrary::isSafeMacroName(c.name))
        return refused(2, QStringLiteral("\"%1\" cannot name a macro: it must be a file name "
                                         "without a folder")
                              .arg(c.name));
    const QFileInfo file(c.file);
    if (!file.isFile() || !file.isReadable())
        return refused(1, QStringLiteral("%1 is not a file that can be read.").arg(c.file));
    const QString refusal =
        pageCommand(QStringLiteral("ensureMacro"), {{QStringLiteral("name"), c.name}});
    if (!refusal.isEmpty())
        return refused(2, refusal);
    answers_ = {};
    answers_.path = c.file;
    UserPrompts* before = root_.prompts().dialogStandIn();
    root_.prompts().setDialogStandIn(&answers_);
    const QString source = root_.window().view()->loadMacroIniFromFile(c.name).toString();
    root_.prompts().setDialogStandIn(before);
    if (source.trimmed().isEmpty())
        return refused(1, answers_.warnings.isEmpty()
                              ? QStringLiteral("%1 could not be imported.").arg(c.file)
                              : answers_.warnings.first());
    pageCommand(QStringLiteral("macroReplaced"), {{QStringLiteral("name"), c.name}});
    return {};
}

#include "app/instance/SingleInstance.h"

#include "app/instance/InstanceClient.h"
#include "app/instance/InstanceCommands.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <cstdio>

namespace {

void say(std::FILE* stream, const QString& text) {
    const QByteArray line = "pennant: " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stream);
    std::fflush(stream);
}

std::optional<InstanceRequest> requestOf(const HostOptions& options) {
    using Command = InstanceRequest::Command;
    if (!options.importPath.isEmpty())
        return InstanceRequest{Command::Import, QDir::current().absoluteFilePath(options.importPath)};
    if (!options.exportPath.isEmpty())
        return InstanceRequest{Command::Export, QDir::current().absoluteFilePath(options.exportPath)};
    switch (options.command) {
    case TickerCommand::Preferences:
        return InstanceRequest{Command::Preferences, {}};
    case TickerCommand::Refresh:
        return InstanceRequest{Command::Refresh, {}};
    case TickerCommand::TogglePause:
        return InstanceRequest{Command::TogglePause, {}};
    case TickerCommand::Quit:
        return InstanceRequest{Command::Quit, {}};
    case TickerCommand::None:
        break;
    }
    return std::nullopt;
}

bool transfers(const InstanceRequest& request) {
    return request.command == InstanceRequest::Command::Import ||
           request.command == InstanceRequest::Command::Export;
}

// Prints the running ticker's answer; the exit code.
int reported(const InstanceRequest& request, const InstanceReply& reply) {
    // The transfers print their report as they do alone, and who made it.
    const QString message =
        transfers(request) ? reply.message + QStringLiteral(" (by the running ticker)") : reply.message;
    if (!reply.ok) {
        say(stderr, message);
        return 1;
    }
    if (transfers(request)) {
        const QByteArray line = message.toUtf8() + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    } else {
        say(stdout, message);
    }
    return 0;
}

std::optional<int> deliver(const InstanceAddress& address, const InstanceRequest& request) {
    InstanceReply reply;
    QString problem;
    switch (deliverToRunningTicker(address, request, &reply, &problem)) {
    case Delivery::Answered:
        return reported(request, reply);
    case Delivery::Failed:
        say(stderr, problem);
        return 1;
    case Delivery::NoTicker:
        break;
    }
    return std::nullopt;
}

// A ticker that has just quit may still hold the lock for a moment.
bool claimSoon(InstanceServer& server) {
    const QDeadlineTimer deadline(500);
    while (!server.claim()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

std::optional<int> SingleInstance::handOver(const HostOptions& options, const QString& settingsPath,
                                            std::unique_ptr<InstanceServer>* claimed) {
    if (options.headless || options.demo) return std::nullopt;
    const std::optional<InstanceRequest> request = requestOf(options);
    const bool onlyForARunningTicker =
        options.command == TickerCommand::TogglePause || options.command == TickerCommand::Quit;
    QString problem;
    const std::optional<InstanceAddress> address = instanceAddressFor(settingsPath, &problem);
    if (!address) {
        if (onlyForARunningTicker) {
            say(stderr, QStringLiteral("no running ticker can be reached: %1").arg(problem));
            return 1;
        }
        // Alone, then: the settings file's lock still keeps writers apart.
        if (!request || !transfers(*request)) say(stderr, QStringLiteral("running alone: %1").arg(problem));
        return std::nullopt;
    }
    if (request) {
        if (std::optional<int> code = deliver(*address, *request)) return code;
        if (onlyForARunningTicker) {
            say(stderr, QStringLiteral("no ticker is running on %1").arg(settingsPath));
            return 1;
        }
        if (transfers(*request)) return std::nullopt; // done here, on the file
    }
    auto server = std::make_unique<InstanceServer>(*address);
    if (!claimSoon(*server)) {
        // Another started meanwhile, or runs without a request to hand over.
        if (request)
            if (std::optional<int> code = deliver(*address, *request)) return code;
        say(stdout, QStringLiteral("a ticker is running on %1 already").arg(settingsPath));
        return 0;
    }
    *claimed = std::move(server);
    return std::nullopt;
}

void SingleInstance::serve(InstanceServer& server, WindowHost& host, PluginHost* plugins) {
    QString problem;
    if (!server.listen(
            [&host, plugins](const InstanceRequest& r) { return performInWindow(host, plugins, r); },
            &problem)) {
        say(stderr, problem);
        return;
    }
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &server,
                     [&server] { server.close(); });
}

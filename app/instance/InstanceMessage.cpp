#include "app/instance/InstanceMessage.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <utility>

namespace {

using Command = InstanceRequest::Command;

constexpr std::array<std::pair<Command, const char*>, 6> kNames{{{Command::Preferences, "preferences"},
                                                                 {Command::Refresh, "refresh"},
                                                                 {Command::TogglePause, "toggle-pause"},
                                                                 {Command::Quit, "quit"},
                                                                 {Command::Import, "import"},
                                                                 {Command::Export, "export"}}};

bool takesPath(Command command) {
    return command == Command::Import || command == Command::Export;
}

std::optional<QJsonObject> objectOnLine(const QByteArray& line) {
    if (line.size() > kMaxInstanceMessageBytes || !line.endsWith('\n')) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

} // namespace

QString commandName(Command command) {
    for (const auto& [c, name] : kNames)
        if (c == command) return QLatin1String(name);
    return {};
}

std::optional<Command> commandNamed(const QString& name) {
    for (const auto& [c, n] : kNames)
        if (name == QLatin1String(n)) return c;
    return std::nullopt;
}

QByteArray encodeRequest(const InstanceRequest& request) {
    QJsonObject object{{QStringLiteral("command"), commandName(request.command)}};
    if (takesPath(request.command)) object.insert(QStringLiteral("path"), request.path);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<InstanceRequest> decodeRequest(const QByteArray& line, QString* why) {
    auto refuse = [why](const char* reason) -> std::optional<InstanceRequest> {
        *why = QLatin1String(reason);
        return std::nullopt;
    };
    if (line.size() > kMaxInstanceMessageBytes) return refuse("the message is too long");
    const std::optional<QJsonObject> object = objectOnLine(line);
    if (!object) return refuse("the message is not one JSON object on one line");
    const std::optional<Command> command = commandNamed(object->value(QStringLiteral("command")).toString());
    if (!command) return refuse("no such command");
    InstanceRequest request;
    request.command = *command;
    const QStringList allowed = takesPath(*command)
                                    ? QStringList{QStringLiteral("command"), QStringLiteral("path")}
                                    : QStringList{QStringLiteral("command")};
    for (const QString& key : object->keys())
        if (!allowed.contains(key)) return refuse("the message holds more than its command takes");
    if (!takesPath(*command)) return request;
    const QJsonValue path = object->value(QStringLiteral("path"));
    if (!path.isString() || path.toString().isEmpty()) return refuse("the command needs a file");
    request.path = path.toString();
    if (request.path.contains(QChar(u'\0'))) return refuse("the path holds a NUL character");
    if (request.path.toUtf8().size() > kMaxInstancePathBytes) return refuse("the path is too long");
    if (!QDir::isAbsolutePath(request.path)) return refuse("the path is not absolute");
    return request;
}

QByteArray encodeReply(const InstanceReply& reply) {
    const QJsonObject object{{QStringLiteral("ok"), reply.ok}, {QStringLiteral("message"), reply.message}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<InstanceReply> decodeReply(const QByteArray& line) {
    const std::optional<QJsonObject> object = objectOnLine(line);
    if (!object || !object->value(QStringLiteral("ok")).isBool() ||
        !object->value(QStringLiteral("message")).isString())
        return std::nullopt;
    return InstanceReply{object->value(QStringLiteral("ok")).toBool(),
                         object->value(QStringLiteral("message")).toString()};
}

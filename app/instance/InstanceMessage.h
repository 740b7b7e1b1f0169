#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// What one pennant asks of the ticker already running on the same settings file,
// and its answer: one JSON object on one line each way. Only these commands
// exist; anything else, or a line longer than kMaxInstanceMessageBytes, is refused.
struct InstanceRequest {
    enum class Command { Preferences, Refresh, TogglePause, Quit, Import, Export };
    Command command = Command::Refresh;
    QString path; // Import and Export: an absolute path; empty otherwise
};

struct InstanceReply {
    bool ok = false;
    QString message; // for the user, as the asking pennant prints it
};

// A path is at most a few kilobytes (PATH_MAX is 4096 bytes); the rest is room
// for the JSON around it, escapes included.
constexpr qsizetype kMaxInstancePathBytes = 4096;
constexpr qsizetype kMaxInstanceMessageBytes = 32 * 1024;

// Each line ends with '\n'.
QByteArray encodeRequest(const InstanceRequest& request);
// A request, or nothing with the reason in *why.
std::optional<InstanceRequest> decodeRequest(const QByteArray& line, QString* why);
QByteArray encodeReply(const InstanceReply& reply);
std::optional<InstanceReply> decodeReply(const QByteArray& line);

// The command's name on the line and in messages ("toggle-pause").
QString commandName(InstanceRequest::Command command);
std::optional<InstanceRequest::Command> commandNamed(const QString& name);

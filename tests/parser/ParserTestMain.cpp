// The parser's tests run with a core application only: no widgets, no network.
#include "tests/parser/ParserTestSupport.h"

#include <QCoreApplication>

namespace {

QStringList* recording = nullptr;

void record(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (recording) recording->append(message);
}

} // namespace

MessageRecorder::MessageRecorder() : previous_(qInstallMessageHandler(&record)) {
    recording = &messages_;
}

MessageRecorder::~MessageRecorder() {
    recording = nullptr;
    qInstallMessageHandler(previous_);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

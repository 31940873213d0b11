// rotaprobe-record on a real tester (libusb 0.1).
#include "RecorderProgram.h"

int main(int argc, char* argv[])
{
    const std::unique_ptr<QCoreApplication> app = RecorderProgram::application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rotaprobe-record"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    return RecorderProgram::run(*app, RecorderProgram::Setup{});
}

#include "run.h"

#include <new>

#include "camera_session.h"
#include "commands.h"
#include "devices.h"
#include "exit_status.h"
#include "options.h"

#ifndef DUOVUE_VERSION
#error "DUOVUE_VERSION must give the program's version"
#endif

namespace duovue {

namespace {

// The driver's search sees every camera again once a command is over.
struct CameraChoice {
    explicit CameraChoice(const Options& options) { chooseCamera(options); }
    ~CameraChoice() { platform::restrictUsbscan(-1); }
    CameraChoice(const CameraChoice&) = delete;
    CameraChoice& operator=(const CameraChoice&) = delete;
};

void runCommand(const Options& options, const Console& console) {
    if (options.command == Command::Devices) return runDevices(options, console);
    CameraChoice choice(options);
    zentsession::Session session;
    StopOnInterrupt stop(session);
    session.start();
    switch (options.command) {
        case Command::List:
            runList(options, console, session);
            break;
        case Command::Get:
            runGet(options, console, session);
            break;
        case Command::Erase:
            runErase(options, console, session);
            break;
        case Command::Snap:
            runSnap(options, console, session);
            break;
        case Command::Stream:
            runStream(options, console, session);
            break;
        case Command::Webcam:
            runWebcam(options, console, session);
            break;
        case Command::Devices:
        case Command::None:
            break;
    }
    session.end();
}

}  // namespace

int run(int argc, const char* const* argv, const Console& console) {
    try {
        const Options options = parseCommandLine(argc, argv);
        if (options.version) {
            console.print("duovue " DUOVUE_VERSION "\n");
        } else if (options.help) {
            console.print(helpText(options.command));
        } else {
            runCommand(options, console);
        }
        return static_cast<int>(Exit::Ok);
    } catch (const Failure& failure) {
        std::string text = "duovue: " + std::string(failure.what()) + "\n";
        if (failure.status() == Exit::Usage) text += "try duovue --help\n";
        console.printError(text);
        return static_cast<int>(failure.status());
    } catch (const ReaderGone&) {
        return static_cast<int>(Exit::Ok);
    } catch (const std::bad_alloc&) {
        console.printError("duovue: out of memory\n");
        return static_cast<int>(Exit::CameraFailed);
    }
}

}  // namespace duovue

// devices, list and erase.
#include <unistd.h>

#include <cctype>
#include <string>

#include "camera_session.h"
#include "commands.h"
#include "devices.h"
#include "exit_status.h"
#include "interrupt.h"

namespace duovue {

namespace {

// One line from the terminal (at most a few hundred bytes), empty at its end.
std::string readAnswer(int fd) {
    std::string line;
    char c;
    while (line.size() < 256) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR && !interruptRequested()) continue;
        if (n <= 0 || c == '\n') break;
        line += c;
    }
    throwIfInterrupted();
    return line;
}

bool isYes(std::string answer) {
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer == "y" || answer == "yes";
}

}  // namespace

void runDevices(const Options& options, const Console& console) {
    const auto devices = findDevices(options);
    if (devices.empty()) throw Failure(Exit::NoCamera, "no camera answers");
    std::string text;
    for (const DeviceEntry& device : devices) text += deviceLine(device) + "\n";
    console.print(text);
}

void runList(const Options& options, const Console& console, zentsession::Session& session) {
    Progress progress(console.err, console.errIsTerminal);
    CommandObserver observer(progress);
    const auto items = readStore(session, observer, false);
    progress.clear();
    console.print(options.json ? itemJson(items) : itemTable(items));
}

void runErase(const Options& options, const Console& console, zentsession::Session& session) {
    if (!options.yes && !console.inIsTerminal) {
        throw Failure(Exit::Usage, "erase asks first, and stdin is not a terminal: give --yes");
    }
    Progress progress(console.err, console.errIsTerminal);
    CommandObserver observer(progress);
    if (!options.yes) {
        const auto items = readStore(session, observer, false);
        progress.clear();
        if (items.empty()) {
            console.printError("The camera holds no pictures.\n");
            return;
        }
        console.printError("Erase all " + std::to_string(items.size()) +
                           " pictures on the camera? [y/N] ");
        if (!isYes(readAnswer(console.in))) {
            console.printError("Nothing was erased.\n");
            return;
        }
    }
    checkResult(session.erase(observer, false), observer);
    progress.clear();
}

}  // namespace duovue

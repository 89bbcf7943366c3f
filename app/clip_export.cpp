// V8 clips: where their AVI files go, choosing one and playing it.
#include <QLabel>

#include "main_window.h"
#include "main_window_template.h"
#include "up_down.h"

namespace zentdesk {

using namespace mainid;

std::string MainWindow::clipPath(int clipNumber) const {
    return desk_.seams.moduleFolder() + "Duovue_V8" + std::to_string(clipNumber) + ".AVI";
}

void MainWindow::clipNumberMoved(int position) {
    const SessionState& s = session().state();
    state_.currentClipNumber = position;
    if (position >= 1 && position <= s.clipCount) {
        enable(kPlay, true);
        const ClipRecord& r = s.ClipTable[s.writtenClip[position - 1]];
        setLabel(kResolution, QStringLiteral("%1x%2").arg(r.width).arg(r.height));
    } else {
        enable(kPlay, false);
    }
}

void MainWindow::play() {
    const SessionState& s = session().state();
    const int number = state_.currentClipNumber;
    if (number < 1 || number > s.clipCount) return;
    desk_.seams.openFile(clipPath(s.writtenClip[number - 1] + 1));
}

}  // namespace zentdesk

// Control ids of the main window (dialog template 129) and its template.
#pragma once

#include "dialog_template.h"

namespace zentdesk {

namespace mainid {
inline constexpr int kExit = 1;
inline constexpr int kFirstNumberLabel = 1000;  // 1000 to 1014
inline constexpr int kFirstFrame = 1015;        // 1015 to 1029
inline constexpr int kClipNumberEdit = 1033;
inline constexpr int kClipUpDown = 1048;
inline constexpr int kPlay = 1049;
inline constexpr int kVideoMode = 1050;
inline constexpr int kCounter = 1051;
inline constexpr int kMessage = 1052;
inline constexpr int kNext = 1053;
inline constexpr int kPrevious = 1054;
inline constexpr int kDownload = 1055;
inline constexpr int kClipCount = 1056;
inline constexpr int kProgress = 1057;
inline constexpr int kDscCount = 1064;
inline constexpr int kFirstCaption = 1065;  // 1065 to 1079
inline constexpr int kResolution = 1081;
inline constexpr int kErase = 1083;
}  // namespace mainid

const DialogTemplate& mainWindowTemplate();

}  // namespace zentdesk

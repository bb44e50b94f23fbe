// The updater's own name as the user sees it.
#pragma once

#include "release.h"

// Title of the progress window, caption of every message box, and the title
// by which a second instance finds the window of the first; the release
// description gives it ("Veltrano Version 2.30 アップデート・プログラム").
inline constexpr char UpdaterCaption[] = RELEASE_CAPTION;

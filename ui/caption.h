// The updater's own name as the user sees it.
#pragma once

// Title of the progress window, caption of every message box, and the title
// by which a second instance finds the window of the first.
inline constexpr char UpdaterCaption[] = "Veltrano Version 2.30 アップデート・プログラム";

// Message boxes of the updater, all under the caption UpdaterCaption. On a
// run that nobody can see, no box is shown: each is answered at once with
// its safe choice and its text goes to the Application event log instead.
#pragma once
#include <windows.h>

// The event source under which an unattended run records its texts.
inline constexpr char UpdaterEventSource[] = "CorvaneUpdate";

// Event identifiers: a text a box would have shown (or a notice in its place),
// and the end of the run with its exit code.
enum UpdaterEvent : DWORD { BoxTextEvent = 1, RunEndedEvent = 2 };

// Shows `text` with the given MB_ style; returns the button pressed (on an
// unattended run, the safe answer, after recording the text).
int show_message(HWND owner, const char *text, UINT style);

// An error: MB_ICONERROR with a single OK button.
void show_error(HWND owner, const char *text);

// From here on nobody can answer a box: the run is unattended.
void answer_boxes_unattended();
bool boxes_unattended();

// The button taken as pressed when nobody can be asked: the one that changes
// nothing (Cancel, No, Abort), or OK where OK is the only one.
int safe_answer(UINT style);

// The event type that matches a box's icon: error, warning, or information
// (information also for a question or no icon).
WORD event_type_of(UINT style);

// On an unattended run, records `text` as a box of `style` would be, under
// the event identifier `id`; on an interactive run, nothing.
void record_unattended(const char *text, UINT style, DWORD id = BoxTextEvent);

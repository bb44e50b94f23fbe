#include "pump.h"

namespace {

// The send being waited for, by number, and whether its answer has come. An
// answer to a send that was given up on comes with an older number and
// changes nothing; the state is static because such an answer may come long
// after the wait that sent it has returned.
ULONG_PTR awaited_send = 0;
bool awaited_answered = false;

// Called from a later look at the queue, once the target has handled the send.
void CALLBACK note_answer(HWND, UINT, ULONG_PTR send, LRESULT) {
  if (send == awaited_send) awaited_answered = true;
}

// The longest single wait for the answer: it is noticed in a look at the
// queue, which each slice ends with, whether or not the wait was woken, and
// the target is looked at again after each slice.
constexpr DWORD AnswerSlice = 20;

// How long a target must keep looking hung before it is given up on.
constexpr DWORD HungConfirmation = 250;

}  // namespace

void pump_once(HWND window) {
  MSG message;
  if (!PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) return;
  // The dialog manager takes the progress window's own messages and turns
  // its keys into dialog navigation; anything else (another window of the
  // thread, or a message posted to the thread itself) is dispatched plainly.
  // A quit message is taken off the queue like any other and goes nowhere.
  if (IsDialogMessageA(window, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void wait_pumping(HWND window, DWORD milliseconds) {
  // The unsigned difference stays right across the wrap-around of the tick
  // count. The time is tested before every dispatch, so a wait of 0
  // dispatches nothing and none follows once the time is up.
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    // Sleeps until a message is waiting or the time is up, instead of asking
    // the queue over and over: under Wine every look at the queue is a
    // request to the wineserver, so polling kept two processes busy for the
    // whole pause. MWMO_INPUTAVAILABLE wakes for messages that are already
    // queued as well (one dispatch leaves the rest behind), and QS_ALLINPUT
    // covers messages sent from other threads, so a message is served as
    // soon as it arrives. A wait that ends early just goes round again.
    if (MsgWaitForMultipleObjectsEx(0, NULL, milliseconds - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
        WAIT_OBJECT_0)
      continue;
    if (GetTickCount() - start >= milliseconds) return;
    pump_once(window);
  }
}

bool send_pumping(HWND window, HWND target, UINT message) {
  // Sent also to a target that looks hung: a program that has been idle
  // for long looks hung for the moment between being woken and reading its
  // queue (seen once under Wine: a companion window idle through the minute's
  // wait was passed over unasked). Only a look that stays hung counts.
  ULONG_PTR send = ++awaited_send;
  awaited_answered = false;
  if (!SendMessageCallbackA(target, message, 0, 0, note_answer, send)) return false;
  // No time limit of its own: an application that answers WM_CLOSE with a
  // question of its own reads its messages in the question's modal loop and
  // answers once its user has; given up on sooner, its next request would
  // go to the question and dismiss it. A target that stops reading its
  // messages, before the send or while handling it, is counted as hung by
  // the system after a few seconds and given up on then; one whose window
  // has gone will not answer at all. Wine, like Windows, counts a program as
  // hung once its thread has neither looked at its queue nor waited on it
  // for five seconds.
  DWORD hung_since = 0;
  for (bool hung_before = false;;) {
    pump_once(window);  // its look at the queue delivers the answer
    if (awaited_answered) return true;
    if (!IsWindow(target)) return false;
    bool hung = IsHungAppWindow(target) != FALSE;
    if (hung && !hung_before) hung_since = GetTickCount();
    if (hung && GetTickCount() - hung_since >= HungConfirmation) return false;
    hung_before = hung;
    MsgWaitForMultipleObjectsEx(0, NULL, AnswerSlice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

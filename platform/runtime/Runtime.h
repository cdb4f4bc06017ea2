// The programs' threads and events. Every window runs on a thread of its own with its own event
// queue; threads talk to each other by posting events to a thread number. Threads are fibers that
// all run on Qt's GUI thread, one at a time: a thread runs until it waits for its next event or
// for the end of something it is blocked on (a message box, a dialog), then the scheduler runs
// the next. Nothing here ever runs a nested Qt event loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Framework events. Field events carry the number of their control; window events and user
// events carry control 0.
enum : int {
    EVENT_Accepted = 1,
    EVENT_NewSelection = 2,
    EVENT_Selected = 3,
    EVENT_AlertKey = 4,
    EVENT_Rejected = 5,
    EVENT_Dropped = 6,
    EVENT_PreAlertKey = 7,
    EVENT_ScrollUp = 8,
    EVENT_ScrollDown = 9,
    EVENT_PageUp = 10,
    EVENT_PageDown = 11,
    EVENT_ScrollTop = 12,
    EVENT_ScrollBottom = 13,
    EVENT_Locate = 14,
    EVENT_MouseDown = 15,
    EVENT_MouseUp = 16,
    EVENT_MouseIn = 17,
    EVENT_MouseOut = 18,
    EVENT_MouseMove = 19,
    EVENT_ScrollDrag = 20,
    EVENT_ScrollTrack = 21,
    EVENT_Expanded = 22,
    EVENT_Contracted = 23,
    EVENT_TabChanging = 24,
    EVENT_DroppingDown = 25,
    EVENT_DroppedDown = 26,
    EVENT_NewSelectionByMouse = 27,

    EVENT_FirstWindowEvent = 0x200,
    EVENT_CloseWindow = 0x201,
    EVENT_CloseDown = 0x202,
    EVENT_OpenWindow = 0x203,
    EVENT_Sized = 0x204,
    EVENT_Moved = 0x205,
    EVENT_Maximized = 0x206,
    EVENT_Iconized = 0x207,
    EVENT_Restored = 0x208,
    EVENT_GainFocus = 0x209,
    EVENT_LoseFocus = 0x20A,
    EVENT_Timer = 0x20B,
    EVENT_Suspend = 0x20C,
    EVENT_Resume = 0x20D,

    EVENT_User = 0x400,
};

struct Event {
    int code = 0;
    int control = 0;
    int keyCode = 0;
    // The window whose input raised the event; null for posted events, which go to whichever
    // window of the thread takes its next event.
    const void* window = nullptr;
};

// A thread's procedure; it gets the text parameter it was started with.
using ThreadProcedure = std::function<void(const std::string& parameter)>;

// The stack every thread gets at least: the stack sizes the programs ask for are minimums, and
// Qt's drawing and dialogs need far more.
constexpr std::size_t kMinimumStack = 1024 * 1024;

// Starts a procedure on a new thread and returns its number at once (1 for the first thread,
// then the lowest free number). The procedure begins when the scheduler first runs it; when it
// returns, the thread ends and its number is free again.
int Start(ThreadProcedure procedure, std::size_t stackSize = 0, std::string parameter = {});

// The number of the running thread; 0 outside every thread (the main context).
int ThisThread();

// Whether a thread with this number runs.
bool ThreadExists(int thread);

// The numbers of every running thread, lowest first.
std::vector<int> Threads();

// While it lives, the calls that work for the running thread (ThisThread, Post to thread 0,
// KeyCode, SetKeyCode, CurrentEvent, EventControl, per-thread objects) work for `thread`
// instead. The platform uses it when it calls a window's procedures from Qt's event handling on
// behalf of the thread that owns the window; such calls never wait or yield.
class ActAsThread {
public:
    explicit ActAsThread(int thread);
    ~ActAsThread();
    ActAsThread(const ActAsThread&) = delete;
    ActAsThread& operator=(const ActAsThread&) = delete;

private:
    int previous_;
};

// Posts an event to a thread's queue, at the back or at the front. Thread 0 is the running
// thread. Posting to a number without a thread does nothing. The event carries the poster's
// current key code, which becomes the receiver's key code when it takes the event.
void Post(int event, int control = 0, int thread = 0, bool front = false);

// Posts an event with its own key code (and window) to a thread, at the back or at the front;
// the platform turns user input into events with it.
void PostInput(int thread, const Event& event, bool front = false);

// Waits for the running thread's next event and makes it current (event code, control, key
// code). Only called on a thread.
Event Accept();

// Whether the running thread has events waiting.
bool EventsWaiting();

// The current event of the running thread, its control, and the thread's key code.
int CurrentEvent();
int EventControl();
int KeyCode();
void SetKeyCode(int keyCode);

// While it lives, an event loop nested in a handler of the running thread (a window run on the
// same thread, a preview, a dialog, a message box) may take events of its own; when it ends, the
// thread's current event, its control and the key code are again what the outer handler was
// given, so that the handler goes on with its own event, not the nested loop's last one.
class KeepCurrentEvent {
public:
    KeepCurrentEvent();
    ~KeepCurrentEvent();
    KeepCurrentEvent(const KeepCurrentEvent&) = delete;
    KeepCurrentEvent& operator=(const KeepCurrentEvent&) = delete;

private:
    int thread_;
    Event event_;
    int keyCode_;
};

// Blocks the running thread until `done` holds; the thread's current event is kept meanwhile.
// The condition is checked again each time the thread is woken; whatever makes it true must call
// Wake for the thread. Other threads go on running meanwhile.
void WaitUntil(const std::function<bool()>& done);

// Lets a blocked thread check its condition again. Safe to call from anywhere.
void Wake(int thread);

// Lets the threads handle the events that wait for them now, until each waits again. The
// platform calls it from its input filter before Qt hands a window its next input, so that input
// is handled in order with what earlier input posted (a press's alert before the moves that
// follow it).
//
// It is the one exception to the rule that fibers are resumed only from the scheduler's own
// queued tick in the main context, never from a signal handler or an event filter: resumed from
// inside Qt's event delivery, a thread may destroy what Qt is still at work on, or find itself
// inside another thread or a tick. Its guards:
// - it does nothing inside a thread, inside the scheduler's tick, or while a window's procedure
//   is called for a thread (ActAsThread): no fiber is resumed from within another, and the tick
//   never runs nested;
// - it runs only for input as it reaches a top-level window, before Qt routes it to any widget,
//   so that no widget's handler is on the stack; never at a key's shortcut check, after which
//   Qt goes on with the key's window unchecked;
// - input whose window the threads destroyed is dropped by the caller; Qt synthesises no double
//   click for a press whose window is gone;
// - it runs no event loop, and the threads it resumes run none (a blocking call yields), as in
//   every tick.
void RunPending();

// Runs the scheduler until no thread can run (every thread waits for an event or is blocked).
// Only called from the main context; tests use it, the programs leave it to Qt's event loop.
void RunUntilIdle();

// Ends every thread (newest first) by unwinding it; used at program end and by tests.
void EndAllThreads();

// Called when a thread ends (after its procedure returned or was unwound).
void OnThreadEnd(std::function<void(int thread)> handler);
// Called when thread 1's procedure has returned: the program is to end.
void OnProgramEnd(std::function<void()> handler);

// Per-thread objects: each thread that asks gets an instance of its own, made on first use and
// destroyed when the thread ends.
class ThreadLocalBase {
public:
    ThreadLocalBase();
    virtual ~ThreadLocalBase();
    ThreadLocalBase(const ThreadLocalBase&) = delete;
    ThreadLocalBase& operator=(const ThreadLocalBase&) = delete;

protected:
    void* GetRaw();
    virtual std::shared_ptr<void> Make() = 0;

private:
    int id_;
};

template <typename T>
class ThreadLocal : public ThreadLocalBase {
public:
    T& Get() { return *static_cast<T*>(GetRaw()); }
    T* operator->() { return &Get(); }

protected:
    std::shared_ptr<void> Make() override { return std::make_shared<T>(); }
};

// The clock in hundredths of a second. It never jumps back (it does not restart at midnight), so
// differences between two readings are always elapsed time.
std::int64_t Clock();

} // namespace platform

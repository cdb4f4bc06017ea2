#include "platform/runtime/Runtime.h"

#include "platform/files/FileError.h"
#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/FiberState.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <boost/context/fiber.hpp>
#include <boost/context/protected_fixedsize_stack.hpp>

#include <chrono>
#include <cstring>
#include <cxxabi.h>
#include <deque>
#include <exception>
#include <map>
#include <stdexcept>

namespace ctx = boost::context;

// The C++ runtime keeps the exceptions being handled per OS thread. Fibers share one OS thread,
// so each fiber keeps its own copy, swapped in and out with the fiber.
namespace __cxxabiv1 {
struct __cxa_eh_globals;
extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept;
} // namespace __cxxabiv1

namespace platform {

namespace {

struct ExceptionState {
    void* caughtExceptions = nullptr;
    unsigned int uncaughtExceptions = 0;
};

ExceptionState& LiveExceptionState() {
    return *reinterpret_cast<ExceptionState*>(__cxxabiv1::__cxa_get_globals());
}

enum class State { New, Running, WaitingEvent, Blocked, Finished };

struct Thread {
    int number = 0;
    std::size_t stackSize = 0;
    ThreadProcedure procedure;
    std::string parameter;
    ctx::fiber fiber;
    ctx::fiber sink;
    State state = State::New;
    bool woken = false;
    std::deque<Event> queue;
    Event current;
    int keyCode = 0;
    ExceptionState exceptions;
    std::vector<std::shared_ptr<void>> locals;
    std::vector<std::shared_ptr<void>> switched; // FiberState slots
    std::uint64_t order = 0;                     // start order, for ending newest first
};

struct Scheduler {
    std::map<int, std::unique_ptr<Thread>> threads;
    Thread* running = nullptr;
    int acting = -1; // the thread an ActAsThread stands for; -1 none
    bool tickQueued = false;
    bool ticking = false;
    std::uint64_t started = 0;
    std::vector<std::function<void(int)>> endHandlers;
    std::vector<std::function<void()>> programEndHandlers;
    int nextLocalId = 0;
    std::vector<FiberStateBase*> fiberStates;
};

Scheduler& S() {
    static Scheduler scheduler;
    return scheduler;
}

bool Runnable(const Thread& t) {
    switch (t.state) {
    case State::New:
        return true;
    case State::WaitingEvent:
        return !t.queue.empty();
    case State::Blocked:
        return t.woken;
    default:
        return false;
    }
}

// The last file error belongs to the thread whose operation failed.
FiberStateOf<FileErrorState, &CurrentFileError> g_fileErrorPerThread;

void Tick();

void QueueTick() {
    Scheduler& s = S();
    if (s.tickQueued)
        return;
    auto* app = QCoreApplication::instance();
    if (!app)
        return;
    s.tickQueued = true;
    QMetaObject::invokeMethod(
        app, [] { Tick(); }, Qt::QueuedConnection);
}

// Gives the fiber's own copies of the per-OS-thread state to the runtime, runs it until it
// yields, and takes them back.
void SwitchInto(Thread& t) {
    Scheduler& s = S();
    ExceptionState mainExceptions = LiveExceptionState();
    LiveExceptionState() = t.exceptions;
    std::vector<std::shared_ptr<void>> mainStates;
    for (std::size_t i = 0; i < s.fiberStates.size(); ++i) {
        mainStates.push_back(s.fiberStates[i]->Save());
        if (i < t.switched.size() && t.switched[i])
            s.fiberStates[i]->Restore(t.switched[i]);
        else
            s.fiberStates[i]->Reset();
    }
    s.running = &t;
    t.fiber = std::move(t.fiber).resume();
    s.running = nullptr;
    t.switched.resize(s.fiberStates.size());
    for (std::size_t i = 0; i < s.fiberStates.size(); ++i) {
        t.switched[i] = s.fiberStates[i]->Save();
        s.fiberStates[i]->Restore(mainStates[i]);
    }
    t.exceptions = LiveExceptionState();
    LiveExceptionState() = mainExceptions;
}

void Yield(Thread& t) {
    t.sink = std::move(t.sink).resume();
}

void FinishThread(int number) {
    Scheduler& s = S();
    auto it = s.threads.find(number);
    if (it == s.threads.end())
        return;
    std::unique_ptr<Thread> t = std::move(it->second);
    s.threads.erase(it);
    for (auto& handler : s.endHandlers)
        handler(number);
    t->locals.clear();
    t->switched.clear();
    if (number == 1)
        for (auto& handler : s.programEndHandlers)
            handler();
}

void Launch(Thread& t) {
    std::size_t size = std::max(t.stackSize, kMinimumStack);
    Thread* self = &t;
    t.fiber = ctx::fiber(std::allocator_arg, ctx::protected_fixedsize_stack(size),
                         [self](ctx::fiber&& sink) {
                             self->sink = std::move(sink);
                             try {
                                 self->procedure(self->parameter);
                             } catch (const ctx::detail::forced_unwind&) {
                                 throw;
                             } catch (const std::exception& e) {
                                 ReportFatal(std::string("The procedure stopped: ") + e.what());
                             } catch (...) {
                                 ReportFatal("The procedure stopped on an unknown error.");
                             }
                             self->state = State::Finished;
                             return std::move(self->sink);
                         });
}

void Tick() {
    Scheduler& s = S();
    s.tickQueued = false;
    if (s.ticking || s.running)
        return; // never resume a fiber from inside another or from a nested loop
    s.ticking = true;
    // Bounded rounds, so that Qt gets to paint and deliver input between them.
    for (int round = 0; round < 1000; ++round) {
        bool any = false;
        std::vector<int> numbers;
        for (auto& [number, t] : s.threads)
            if (Runnable(*t))
                numbers.push_back(number);
        for (int number : numbers) {
            auto it = s.threads.find(number);
            if (it == s.threads.end() || !Runnable(*it->second))
                continue;
            Thread& t = *it->second;
            any = true;
            if (t.state == State::New) {
                t.state = State::Running;
                Launch(t);
            } else {
                t.state = State::Running;
            }
            t.woken = false;
            SwitchInto(t);
            if (t.state == State::Finished) {
                FinishThread(number);
            }
        }
        if (!any)
            break;
        if (round == 999)
            QueueTick();
    }
    s.ticking = false;
}

// The thread that thread-dependent calls act for: the one an ActAsThread names, else the running
// one.
Thread* Subject() {
    Scheduler& s = S();
    if (s.acting < 0)
        return s.running;
    auto it = s.threads.find(s.acting);
    return it == s.threads.end() ? nullptr : it->second.get();
}

Thread& Current() {
    Thread* t = S().running;
    if (!t)
        throw std::logic_error("Not called on a program thread");
    return *t;
}

} // namespace

int Start(ThreadProcedure procedure, std::size_t stackSize, std::string parameter) {
    Scheduler& s = S();
    int number = 1;
    while (s.threads.count(number))
        ++number;
    auto t = std::make_unique<Thread>();
    t->number = number;
    t->stackSize = stackSize;
    t->procedure = std::move(procedure);
    t->parameter = std::move(parameter);
    t->order = ++s.started;
    s.threads[number] = std::move(t);
    QueueTick();
    return number;
}

int ThisThread() {
    Thread* t = Subject();
    return t ? t->number : 0;
}

ActAsThread::ActAsThread(int thread) : previous_(S().acting) {
    S().acting = thread;
}

ActAsThread::~ActAsThread() {
    S().acting = previous_;
}

bool ThreadExists(int thread) {
    return S().threads.count(thread) != 0;
}

std::vector<int> Threads() {
    std::vector<int> out;
    for (auto& [number, t] : S().threads)
        out.push_back(number);
    return out;
}

void Post(int event, int control, int thread, bool front) {
    Scheduler& s = S();
    if (thread == 0)
        thread = ThisThread();
    auto it = s.threads.find(thread);
    if (it == s.threads.end())
        return;
    Thread* poster = Subject();
    Event e{event, control, poster ? poster->keyCode : 0, nullptr};
    if (front)
        it->second->queue.push_front(e);
    else
        it->second->queue.push_back(e);
    if (it->second->state == State::WaitingEvent)
        QueueTick();
}

void PostInput(int thread, const Event& event, bool front) {
    Scheduler& s = S();
    auto it = s.threads.find(thread);
    if (it == s.threads.end())
        return;
    if (front)
        it->second->queue.push_front(event);
    else
        it->second->queue.push_back(event);
    if (it->second->state == State::WaitingEvent)
        QueueTick();
}

Event Accept() {
    Thread& t = Current();
    while (t.queue.empty()) {
        t.state = State::WaitingEvent;
        Yield(t);
    }
    t.state = State::Running;
    t.current = t.queue.front();
    t.queue.pop_front();
    t.keyCode = t.current.keyCode;
    return t.current;
}

bool EventsWaiting() {
    return !Current().queue.empty();
}

int CurrentEvent() {
    Thread* t = Subject();
    return t ? t->current.code : 0;
}

int EventControl() {
    Thread* t = Subject();
    return t ? t->current.control : 0;
}

int KeyCode() {
    Thread* t = Subject();
    return t ? t->keyCode : 0;
}

void SetKeyCode(int keyCode) {
    if (Thread* t = Subject())
        t->keyCode = keyCode;
}

KeepCurrentEvent::KeepCurrentEvent() : thread_(ThisThread()), keyCode_(0) {
    if (Thread* t = Subject()) {
        event_ = t->current;
        keyCode_ = t->keyCode;
    }
}

KeepCurrentEvent::~KeepCurrentEvent() {
    Scheduler& s = S();
    auto it = s.threads.find(thread_);
    if (thread_ == 0 || it == s.threads.end())
        return;
    it->second->current = event_;
    it->second->keyCode = keyCode_;
}

void WaitUntil(const std::function<bool()>& done) {
    KeepCurrentEvent keep;
    Thread& t = Current();
    while (!done()) {
        t.state = State::Blocked;
        t.woken = false;
        Yield(t);
    }
    t.state = State::Running;
}

void Wake(int thread) {
    Scheduler& s = S();
    auto it = s.threads.find(thread);
    if (it == s.threads.end())
        return;
    if (it->second->state == State::Blocked) {
        it->second->woken = true;
        QueueTick();
    }
}

void RunPending() {
    Scheduler& s = S();
    if (s.ticking || s.running || s.acting >= 0)
        return;
    Tick();
}

void RunUntilIdle() {
    Scheduler& s = S();
    for (;;) {
        s.tickQueued = false;
        Tick();
        bool runnable = false;
        for (auto& [number, t] : s.threads)
            runnable = runnable || Runnable(*t);
        if (!runnable)
            break;
    }
}

void EndAllThreads() {
    Scheduler& s = S();
    while (!s.threads.empty()) {
        auto newest = s.threads.begin();
        for (auto it = s.threads.begin(); it != s.threads.end(); ++it)
            if (it->second->order > newest->second->order)
                newest = it;
        int number = newest->first;
        Thread& t = *newest->second;
        if (t.state != State::New && t.fiber) {
            // Destroying a suspended fiber unwinds its stack inside the fiber: give it its
            // exception state as for any switch.
            ExceptionState mainExceptions = LiveExceptionState();
            LiveExceptionState() = t.exceptions;
            s.running = &t;
            { ctx::fiber doomed = std::move(t.fiber); }
            s.running = nullptr;
            LiveExceptionState() = mainExceptions;
        }
        FinishThread(number);
    }
}

void OnThreadEnd(std::function<void(int)> handler) {
    S().endHandlers.push_back(std::move(handler));
}

void OnProgramEnd(std::function<void()> handler) {
    S().programEndHandlers.push_back(std::move(handler));
}

ThreadLocalBase::ThreadLocalBase() : id_(S().nextLocalId++) {}

ThreadLocalBase::~ThreadLocalBase() = default;

void* ThreadLocalBase::GetRaw() {
    Thread* subject = Subject();
    Thread& t = subject ? *subject : Current();
    if (t.locals.size() <= static_cast<std::size_t>(id_))
        t.locals.resize(id_ + 1);
    if (!t.locals[id_])
        t.locals[id_] = Make();
    return t.locals[id_].get();
}

std::int64_t Clock() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 10;
}

void RegisterFiberState(FiberStateBase* state) {
    S().fiberStates.push_back(state);
}

} // namespace platform

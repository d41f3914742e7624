// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BenchmarkLog.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr long long FlushIntervalUs = 200000;
constexpr int TrackedSlots = 64;

struct Log
{
    std::FILE *file = nullptr;
    long long lastFlushUs = 0;
    std::array<bool, TrackedSlots> fetchOpen {};

    Log()
    {
        const char *path = std::getenv("OCELLUS_BENCH_LOG");
        if (!path || !*path)
            return;
        file = std::fopen(path, "a");
        if (file)
            std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    }
    ~Log()
    {
        if (file)
            std::fclose(file);
    }
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;
};

Log &log()
{
    static Log instance;
    return instance;
}

long long microseconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void write(const char *name, int slot, bool withCpu)
{
    Log &l = log();
    const long long now = microseconds(CLOCK_MONOTONIC);
    if (slot < 0)
        std::fprintf(l.file, "%lld %s\n", now, name);
    else if (!withCpu)
        std::fprintf(l.file, "%lld %s %d\n", now, name, slot);
    else
        std::fprintf(l.file, "%lld %s %d %lld\n", now, name, slot, microseconds(CLOCK_THREAD_CPUTIME_ID));
    if (now - l.lastFlushUs >= FlushIntervalUs) {
        std::fflush(l.file);
        l.lastFlushUs = now;
    }
}

bool tracked(int slot)
{
    return slot >= 0 && slot < TrackedSlots;
}

// The window thread's event-loop gaps: the longest it went without looking for input.
struct Gaps
{
    QElapsedTimer clock; // started when the watch starts
    qint64 lastTick = 0; // ns: when the loop last looked for input
    qint64 largest = 0;
    qint64 secondStart = 0;

    // The loop looks for input now: the stretch since lastTick ends. Logs the second's
    // largest stretch once a second has passed. Returns the time now.
    qint64 lookingForInput()
    {
        const qint64 now = clock.nsecsElapsed();
        largest = std::max(largest, now - lastTick);
        if (now - secondStart >= 1000000000) {
            write("loop_gap", static_cast<int>(largest / 1000000), false);
            largest = 0;
            secondStart = now;
        }
        return now;
    }
};

Gaps &gaps()
{
    static Gaps instance;
    return instance;
}

// GLib's poll function, as g_main_context_set_poll_func() takes it; the descriptors are
// passed through untouched.
using PollFunction = int (*)(void *fds, unsigned count, int timeout);
PollFunction glibPoll = nullptr;
Qt::HANDLE loopThread = nullptr;

int timedPoll(void *fds, unsigned count, int timeout)
{
    if (QThread::currentThreadId() != loopThread)
        return glibPoll(fds, count, timeout);
    gaps().lookingForInput();
    const int ready = glibPoll(fds, count, timeout);
    gaps().lastTick = gaps().clock.nsecsElapsed();
    return ready;
}

// Under the GLib event dispatcher (the default on Linux) the gaps are the stretches between
// the loop's polls, timed by wrapping the main context's poll function: this watch then
// wakes nothing itself, so it does not add to the CPU time the benchmark measures. GLib is
// looked up in the process (Qt has loaded it) rather than linked.
bool hookGlibPoll()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib"))
        return false;
    using ContextFunction = void *(*)();
    using GetPoll = PollFunction (*)(void *context);
    using SetPoll = void (*)(void *context, PollFunction poll);
    const auto defaultContext = reinterpret_cast<ContextFunction>(dlsym(RTLD_DEFAULT, "g_main_context_default"));
    const auto getPoll = reinterpret_cast<GetPoll>(dlsym(RTLD_DEFAULT, "g_main_context_get_poll_func"));
    const auto setPoll = reinterpret_cast<SetPoll>(dlsym(RTLD_DEFAULT, "g_main_context_set_poll_func"));
    if (!defaultContext || !getPoll || !setPoll)
        return false;
    void *context = defaultContext();
    glibPoll = getPoll(context);
    if (!glibPoll)
        return false;
    loopThread = QThread::currentThreadId();
    gaps().lastTick = gaps().clock.nsecsElapsed();
    setPoll(context, timedPoll);
    return true;
}

} // namespace

namespace BenchmarkLog {

bool enabled()
{
    static const bool on = log().file != nullptr;
    return on;
}

void event(const char *name)
{
    if (enabled())
        write(name, -1, false);
}

void slotEvent(const char *name, int slot)
{
    if (enabled())
        write(name, slot, false);
}

void slotCpuEvent(const char *name, int slot)
{
    if (enabled())
        write(name, slot, true);
}

void fetchDropped(int slot)
{
    if (!enabled() || !tracked(slot))
        return;
    if (log().fetchOpen[static_cast<size_t>(slot)])
        write("abandon_restart", slot, false);
    log().fetchOpen[static_cast<size_t>(slot)] = false;
}

void fetchStarted(int slot)
{
    if (!enabled() || !tracked(slot))
        return;
    log().fetchOpen[static_cast<size_t>(slot)] = true;
    write("fetch_start", slot, false);
}

void fetchClosed(int slot)
{
    if (!enabled() || !tracked(slot))
        return;
    log().fetchOpen[static_cast<size_t>(slot)] = false;
    write("close", slot, false);
}

void watchEventLoop()
{
    if (!enabled() || gaps().clock.isValid())
        return;
    gaps().clock.start();
    if (hookGlibPoll())
        return;
    // Another event dispatcher: a 10 ms timer's ticks, which cost a wake-up each.
    auto *timer = new QTimer; // lives as long as the process
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [] { gaps().lastTick = gaps().lookingForInput(); });
    timer->start();
}

void flush()
{
    if (enabled())
        std::fflush(log().file);
}

} // namespace BenchmarkLog

// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BenchmarkLog.h"

#include <QElapsedTimer>
#include <QTimer>

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
    if (!enabled())
        return;
    struct Watch
    {
        QTimer timer;
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 largest = 0;
        qint64 secondStart = 0;
    };
    auto *watch = new Watch; // lives as long as the process
    watch->clock.start();
    watch->timer.setTimerType(Qt::PreciseTimer);
    watch->timer.setInterval(10);
    QObject::connect(&watch->timer, &QTimer::timeout, [watch] {
        const qint64 now = watch->clock.elapsed();
        watch->largest = std::max(watch->largest, now - watch->last);
        watch->last = now;
        if (now - watch->secondStart >= 1000) {
            write("loop_gap", static_cast<int>(watch->largest), false);
            watch->largest = 0;
            watch->secondStart = now;
        }
    });
    watch->timer.start();
}

void flush()
{
    if (enabled())
        std::fflush(log().file);
}

} // namespace BenchmarkLog

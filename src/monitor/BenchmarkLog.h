// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Timestamps for the benchmark (bench/run.py), written only when the environment variable
// OCELLUS_BENCH_LOG names a file; otherwise every call returns at once. The file is
// appended to, one line per event:
//   <time> <event> [<slot>] [<cpu>]
// <time> is CLOCK_MONOTONIC in microseconds (the clock Python's time.monotonic() reads),
// <slot> the slot index 0..23, <cpu> the user-interface thread's CPU time in microseconds.
// Lines are buffered and written at least every 200 ms and at exit, so the last moments of
// a killed process may be missing. Window thread only. The paint events are logged by
// BenchmarkPaints (monitor/ui).
//
// Events:
//   main_entered                          main() began
//   splash_ticks_start / splash_last_tick the splash's timer started / its last tick fired
//   main_window_shown                     the main window's first paint has completed
//   fetch_start <slot>                    a fetch connected its socket
//   abandon_restart <slot>                a fetch start closed a fetch that had not closed
//   abandon_bound <slot>                  a response crossed the 64 MiB bound
//   close <slot>                          the server closed: the last byte has arrived
//   shown <slot>                          the slot's first paint of a new picture completed
//   viewer_shown                          the viewer's first paint of a new picture completed
//   autosave_start <slot>, autosave_end <slot>  an autosave was handed to a worker / its result came back
//   loop_gap <ms>                         the largest gap of the window thread's event loop in the
//                                         last second (see watchEventLoop)
namespace BenchmarkLog {

// True when OCELLUS_BENCH_LOG named a file that could be opened (decided on the first call).
bool enabled();

void event(const char *name);
void slotEvent(const char *name, int slot);
// With the user-interface thread's CPU time.
void slotCpuEvent(const char *name, int slot);

// Fetch bookkeeping: a start that drops an unfinished fetch logs abandon_restart.
void fetchDropped(int slot);
void fetchStarted(int slot);
void fetchClosed(int slot);

// Logs loop_gap once a second: the longest the calling thread's event loop went without
// looking for input in that second, in whole milliseconds (time spent waiting for input
// does not count). Under GLib's event dispatcher it times the stretches between the loop's
// polls and wakes nothing itself; under another dispatcher it measures the time between
// the ticks of a 10 ms timer. Call on the window thread, after its event dispatcher exists;
// later calls do nothing.
void watchEventLoop();

// Writes what is buffered.
void flush();

} // namespace BenchmarkLog

#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Ocellus benchmark: 24 cameras of 1920 x 1080 JPEG pictures, one picture a second each.

    python3 bench/run.py [--seconds 60] [--build-dir build-bench] [--markdown]
    python3 bench/run.py --soak 600

Needs a build with the `bench` preset (cmake --preset bench && cmake --build build-bench)
and the programs curl, djpeg and cjpeg (Debian: curl, libjpeg-turbo-progs); nginx is used
when installed, Python's http.server otherwise. It builds nothing itself.

What it does, in one run:
  1. makes 24 x --variants distinct pictures (about 300 KB each) with ocellus_bench_decode;
  2. serves them from an HTTP server on 127.0.0.1, replacing every camera's picture each
     second (new bytes and a new modification time, hence a new Last-Modified);
  3. measures the anchors on the same pictures: the bare TurboJPEG full decode, djpeg +
     cjpeg -quality 90 on one picture, curl fetching one picture from the same server (again
     after the runs, keeping the lower figures); while the program runs, it decodes the
     pictures again every --anchor-every seconds, and the program's CPU and latencies are
     judged against those decodes, made at the same time;
  4. runs the real program (offscreen platform, a screen tall enough to show all 24 slots)
     with --open-all on a camera list of 24 cameras at an interval of 1 second, for
     --seconds after a warm-up, three times: the slots alone with autosave off (the CPU
     figure), then with slot 1 (--view) also in the viewer, autosave off and then on; the
     program writes its own timestamps to a benchmark log (OCELLUS_BENCH_LOG);
  5. measures start-up to the main window shown in separate short runs;
  6. prints one table of figures, ratios to the anchors and verdicts against the targets.

--soak runs the program with autosave on for that many seconds instead and reports memory,
open file descriptors, temporary files left behind and whether every change was saved once.
"""

import argparse
import http.server
import json
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
PROGRAM = "Ocellus"
COMPANY = "Quillmark"
CLK_TCK = os.sysconf("SC_CLK_TCK")

TARGETS = {
    "cpu_ratio": 1.5,           # program CPU / bare TurboJPEG 1/8-scale decode of the same pictures
    "slot_latency_ratio": 2.0,  # median, last byte to the slot showing it / one 1/8-scale decode
    "viewer_latency_ratio": 1.5,  # median, last byte to the viewer showing it / one full decode
    "loop_gap_ms": 50.0,        # the window thread's largest event-loop gap during the run
    "autosave_ratio": 1.2,      # per autosaved picture / djpeg + cjpeg -quality 90
    "peak_rss_mb": 120.0,
    "startup_ms": 300.0,
}


# --------------------------------------------------------------------------- helpers

def log(message):
    print(message, file=sys.stderr, flush=True)


def median(values):
    return statistics.median(values) if values else float("nan")


def percentile(values, fraction):
    if not values:
        return float("nan")
    ordered = sorted(values)
    index = min(len(ordered) - 1, max(0, int(round(fraction * (len(ordered) - 1)))))
    return ordered[index]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def proc_cpu_seconds(pid):
    """utime + stime of a process, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def proc_status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def proc_fd_count(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def run_timed(commands, stdout_path=None):
    """Runs a pipeline; returns (wall seconds, CPU seconds of all its processes)."""
    start = time.monotonic()
    procs = []
    previous = None
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    try:
        for index, command in enumerate(commands):
            last = index == len(commands) - 1
            proc = subprocess.Popen(command, stdin=previous.stdout if previous else subprocess.DEVNULL,
                                    stdout=out if last else subprocess.PIPE, stderr=subprocess.DEVNULL)
            if previous:
                previous.stdout.close()
            procs.append(proc)
            previous = proc
        cpu = 0.0
        for proc in procs:
            _, status, usage = os.wait4(proc.pid, 0)
            proc.returncode = os.waitstatus_to_exitcode(status)
            if proc.returncode != 0:
                raise RuntimeError(f"{commands} failed with {proc.returncode}")
            cpu += usage.ru_utime + usage.ru_stime
    finally:
        if stdout_path:
            out.close()
    return time.monotonic() - start, cpu


# --------------------------------------------------------------------------- pictures and server

def insert_comment(jpeg, text):
    payload = text.encode("ascii")
    return jpeg[:2] + b"\xff\xfe" + (len(payload) + 2).to_bytes(2, "big") + payload + jpeg[2:]


class Rotator(threading.Thread):
    """Replaces every camera's picture once a second, half a second after each wall-clock
    second begins, so each replacement gets a Last-Modified second of its own."""

    def __init__(self, pool, www, cameras, variants):
        super().__init__(daemon=True)
        self.pool = pool
        self.www = www
        self.cameras = cameras
        self.variants = variants
        self.stop_event = threading.Event()
        self.ticks = 0

    def publish(self, tick):
        now = time.time()
        for camera in range(self.cameras):
            data = insert_comment(self.pool[camera][tick % self.variants], f"Ocellus bench camera {camera} tick {tick}")
            target = self.www / f"cam{camera:02d}.jpg"
            temporary = self.www / f".cam{camera:02d}.tmp"
            temporary.write_bytes(data)
            os.utime(temporary, (now, now))
            os.replace(temporary, target)
        self.ticks = tick + 1

    def run(self):
        tick = self.ticks
        while not self.stop_event.is_set():
            now = time.time()
            wait = (int(now) + 1.5) - now
            if wait > 1.0:
                wait -= 1.0
            if self.stop_event.wait(wait):
                break
            tick += 1
            self.publish(tick)


def make_pool(tool, folder, cameras, variants):
    folder.mkdir(parents=True, exist_ok=True)
    subprocess.run([str(tool), "make", str(folder), str(cameras), str(variants)], check=True,
                   stdout=subprocess.DEVNULL)
    pool = []
    for camera in range(cameras):
        pool.append([(folder / f"c{camera}_v{v}.jpg").read_bytes() for v in range(variants)])
    return pool


class Server:
    """nginx (when installed and asked for) or this script's own Python server, on 127.0.0.1.
    Both write one line per response to `access_log`: <path> <Last-Modified>."""

    def __init__(self, kind, root, www, port):
        self.kind = kind
        self.root = root
        self.www = www
        self.port = port
        self.access_log = root / "access.log"
        self.proc = None

    def start(self):
        if self.kind == "nginx":
            prefix = self.root / "nginx"
            prefix.mkdir(exist_ok=True)
            conf = prefix / "nginx.conf"
            conf.write_text(f"""daemon off;
master_process off;
worker_processes 1;
error_log {prefix}/error.log;
pid {prefix}/nginx.pid;
events {{ worker_connections 512; }}
http {{
    types {{ image/jpeg jpg; }}
    default_type application/octet-stream;
    log_format bench '$uri "$sent_http_last_modified"';
    access_log {self.access_log} bench buffer=64k flush=1s;
    sendfile on;
    keepalive_timeout 0;
    client_body_temp_path {prefix}/body;
    proxy_temp_path {prefix}/proxy;
    fastcgi_temp_path {prefix}/fastcgi;
    uwsgi_temp_path {prefix}/uwsgi;
    scgi_temp_path {prefix}/scgi;
    server {{
        listen 127.0.0.1:{self.port};
        root {self.www};
        etag off;
    }}
}}
""")
            command = [shutil.which("nginx"), "-p", str(prefix), "-c", str(conf), "-e", str(prefix / "error.log")]
        else:
            command = [sys.executable, str(Path(__file__).resolve()), "--serve", str(self.port), str(self.www),
                       str(self.access_log)]
        self.proc = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=0.5):
                    return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError(f"the {self.kind} server did not start")

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def served(self):
        """(path, Last-Modified) per response, in order."""
        result = []
        if self.access_log.exists():
            for line in self.access_log.read_text(errors="replace").splitlines():
                match = re.match(r'(\S+) "(.*)"', line)
                if match:
                    result.append((match.group(1), match.group(2)))
        return result


def serve_forever(port, www, access_log):
    """The Python server (run as a child process by Server)."""
    lock = threading.Lock()
    out = open(access_log, "a", buffering=1)

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=www, **kwargs)

        def log_message(self, *args):
            pass

        def send_header(self, keyword, value):
            if keyword == "Last-Modified":
                self._last_modified = value
            super().send_header(keyword, value)

        def end_headers(self):
            with lock:
                out.write(f'{self.path} "{getattr(self, "_last_modified", "-")}"\n')
            super().end_headers()

    class Server(http.server.ThreadingHTTPServer):
        # The default backlog of 5 drops the SYNs of 24 cameras connecting at once; the
        # retransmission a second later collides with the next refresh.
        request_queue_size = 128

    server = Server(("127.0.0.1", port), Handler)
    signal.signal(signal.SIGTERM, lambda *_: (out.flush(), os._exit(0)))
    server.serve_forever()


# --------------------------------------------------------------------------- the program

class Setup:
    """The temporary folders of one program run."""

    def __init__(self, root, name, port, cameras, autosave, screen):
        self.folder = root / name
        self.app = self.folder / "app"
        self.user = self.folder / "user"
        self.machine = self.folder / "machine"
        self.xdg = self.folder / "xdg"
        self.log = self.folder / "bench.log"
        for path in (self.app, self.user / PROGRAM, self.machine / COMPANY, self.xdg):
            path.mkdir(parents=True, exist_ok=True)
        (self.user / PROGRAM / f"{PROGRAM}.ini").write_text("[Settings]\nLanguage=English\nshowHelp=0\n")
        (self.machine / COMPANY / f"{PROGRAM}.reg").write_text(
            "Windows Registry Editor Version 5.00\r\n\r\n"
            f"[SOFTWARE\\{COMPANY}\\{PROGRAM}\\Settings]\r\n"
            f'"autoSave"="{1 if autosave else 0}"\r\n')
        records = "".join(f"[name]Cam{c + 1:02d}\r\nhttp://127.0.0.1:{port}/cam{c:02d}.jpg\r\n1\r\n\r\n"
                          for c in range(cameras))
        (self.app / "00camlist.txt").write_text(records, newline="")
        width, height = screen
        self.screen_config = self.folder / "screen.json"
        self.screen_config.write_text(json.dumps({"screens": [{
            "name": "bench", "x": 0, "y": 0, "width": width, "height": height,
            "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}))

    def environment(self):
        env = dict(os.environ)
        env.update({
            "QT_QPA_PLATFORM": f"offscreen:configfile={self.screen_config}",
            "QT_LOGGING_RULES": "qt.qpa.*=false",
            "OCELLUS_USER_SETTINGS_ROOT": str(self.user),
            "OCELLUS_MACHINE_SETTINGS_ROOT": str(self.machine),
            "XDG_CONFIG_HOME": str(self.xdg / "config"),
            "XDG_DATA_HOME": str(self.xdg / "data"),
            "OCELLUS_BENCH_LOG": str(self.log),
        })
        return env


def read_events(path):
    events = []
    if path.exists():
        for line in path.read_text().splitlines():
            parts = line.split()
            if len(parts) >= 2:
                events.append((int(parts[0]) / 1e6, parts[1], [int(p) for p in parts[2:]]))
    return events


def program_pid(proc):
    """The program's process id: the child itself, or the program under a --wrap command."""
    if not getattr(proc, "wrapped", False):
        return proc.pid
    for _ in range(100):
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open(f"/proc/{entry}/stat") as f:
                        head, tail = f.read().rsplit(")", 1)
                    if head.endswith("(ocellus") and int(tail.split()[1]) == proc.pid:
                        return int(entry)
                except (OSError, ValueError, IndexError):
                    pass
        time.sleep(0.05)
    raise RuntimeError("the program did not start under the --wrap command")


def start_program(args, setup, extra, wrap=False):
    command = [str(args.program), "--app-folder", str(setup.app)] + extra
    if wrap and args.wrap:
        command = args.wrap.split() + command
    spawned = time.monotonic()
    proc = subprocess.Popen(command, env=setup.environment(), stdout=subprocess.DEVNULL,
                            stderr=open(setup.folder / "stderr.txt", "wb"))
    proc.wrapped = bool(wrap and args.wrap)
    return proc, spawned


def stop_program(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def wait_for_event(setup, name, proc, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            raise RuntimeError(f"the program ended early ({proc.returncode}); see {setup.folder}/stderr.txt")
        for when, event, _ in read_events(setup.log):
            if event == name:
                return when
        time.sleep(0.05)
    raise RuntimeError(f"no {name} within {timeout} s")


def measure_startup(args, root, port, runs):
    results = []
    for run in range(runs):
        setup = Setup(root, f"startup{run}", port, args.cameras, False, args.screen)
        proc, spawned = start_program(args, setup, [])
        try:
            wait_for_event(setup, "main_window_shown", proc, 30)
            time.sleep(0.3)  # the log is written every 200 ms
        finally:
            stop_program(proc)
        events = {name: when for when, name, _ in read_events(setup.log)}
        splash = events["splash_last_tick"] - events["splash_ticks_start"]
        results.append({
            "total_ms": (events["main_window_shown"] - spawned) * 1000,
            "splash_ms": splash * 1000,
            "startup_ms": (events["main_window_shown"] - spawned - splash) * 1000,
            "to_main_ms": (events["main_entered"] - spawned) * 1000,
        })
    return results


def measure_program(args, root, port, autosave, server, anchor_pictures=(), view=None):
    """One run of the program; `view` is the slot shown in the viewer (args.view when None,
    0 for none)."""
    view = args.view if view is None else view
    name = "slots" if view == 0 and args.view else "autosave-on" if autosave else "autosave-off"
    setup = Setup(root, name, port, args.cameras, autosave, args.screen)
    extra = ["--open-all"] + (["--view", str(view)] if view else [])
    served_before = len(server.served())
    proc, spawned = start_program(args, setup, extra, wrap=True)
    samples = []
    sampler = AnchorSampler(args.decode_tool, anchor_pictures, args.anchor_every) if anchor_pictures else None
    try:
        wait_for_event(setup, "main_window_shown", proc, 30)
        pid = program_pid(proc)
        time.sleep(args.warmup)
        if sampler:
            sampler.start()
        t0 = time.monotonic()
        cpu0 = proc_cpu_seconds(pid)
        rss_after_minute = None
        next_sample = t0
        while True:
            now = time.monotonic()
            if now >= t0 + args.seconds:
                break
            if now >= next_sample:
                samples.append({"t": now - t0, "rss_kb": proc_status_kb(pid, "VmRSS"),
                                "fds": proc_fd_count(pid), "cpu": proc_cpu_seconds(pid) - cpu0})
                if rss_after_minute is None and now - t0 >= 60:
                    rss_after_minute = samples[-1]["rss_kb"]
                next_sample += args.sample_every
            time.sleep(min(0.25, max(0.0, t0 + args.seconds - now)))
            if proc.poll() is not None:
                raise RuntimeError(f"the program ended early ({proc.returncode}); see {setup.folder}/stderr.txt")
        t1 = time.monotonic()
        cpu1 = proc_cpu_seconds(pid)
        peak_kb = proc_status_kb(pid, "VmHWM")
        rss_end = proc_status_kb(pid, "VmRSS")
        fds_end = proc_fd_count(pid)
        time.sleep(0.3)
    finally:
        if sampler and sampler.is_alive():
            sampler.finish()
        stop_program(proc)

    events = read_events(setup.log)
    window = [(t, n, a) for t, n, a in events if t0 <= t <= t1]
    seconds = t1 - t0
    viewer_slot = view - 1 if view else -1

    closes = [(t, a[0]) for t, n, a in window if n == "close"]
    shown = [(t, a[0]) for t, n, a in events if n == "shown"]
    viewer_shown = [t for t, n, a in events if n == "viewer_shown"]
    slot_latency, viewer_latency = [], []
    for t, slot in closes:
        first = next((s for s, i in shown if i == slot and s >= t), None)
        if first is None:
            continue
        if slot == viewer_slot:
            first_viewer = next((s for s in viewer_shown if s >= t), None)
            if first_viewer is not None:
                viewer_latency.append((max(first, first_viewer) - t) * 1000)
        else:
            slot_latency.append((first - t) * 1000)
    starts = {}
    fetch_ms = []
    for t, n, a in events:
        if n == "fetch_start":
            starts[a[0]] = t
        elif n == "close" and a[0] in starts and t0 <= t <= t1:
            fetch_ms.append((t - starts.pop(a[0])) * 1000)
    autosave_wall = []
    open_saves = {}
    for t, n, a in window:
        if n == "autosave_start":
            open_saves.setdefault(a[0], []).append(t)
        elif n == "autosave_end" and open_saves.get(a[0]):
            autosave_wall.append((t - open_saves[a[0]].pop(0)) * 1000)
    loop_gaps = [a[0] for t, n, a in window if n == "loop_gap"]

    def rate(name_of_event):
        """Events per second, summed over the slots, each slot's rate taken between its first and
        last event in the window (a window edge cuts no interval in half)."""
        times = {}
        for t, n, a in window:
            if n == name_of_event and a:
                times.setdefault(a[0], []).append(t)
        return sum((len(ts) - 1) / (ts[-1] - ts[0]) for ts in times.values() if len(ts) > 1 and ts[-1] > ts[0])

    result = {
        "mode": name,
        "folder": str(setup.folder),
        "seconds": seconds,
        "cpu_per_s": (cpu1 - cpu0) / seconds,
        "received_per_s": rate("close"),
        "shown_per_s": rate("shown"),
        "abandoned": sum(1 for t, n, a in window if n.startswith("abandon")),
        "slot_latency_ms": slot_latency,
        "viewer_latency_ms": viewer_latency,
        "fetch_ms": fetch_ms,
        "autosave_wall_ms": autosave_wall,
        "autosaves_per_s": sum(1 for t, n, a in window if n == "autosave_end") / seconds,
        "loop_gap_ms": max(loop_gaps) if loop_gaps else float("nan"),
        "peak_rss_mb": peak_kb / 1024,
        "rss_after_minute_mb": (rss_after_minute or 0) / 1024,
        "rss_end_mb": rss_end / 1024,
        "fds_end": fds_end,
        "samples": samples,
        "served": server.served()[served_before:],
        "cam_files": sorted(p.name for p in (setup.app / "cam").iterdir()) if (setup.app / "cam").exists() else [],
        "autosave_count": sum(1 for t, n, a in events if n == "autosave_end"),
        "anchor_samples": [(full, eighth) for t, full, eighth in (sampler.samples if sampler else [])
                           if t0 <= t <= t1],
    }
    return result


# --------------------------------------------------------------------------- anchors

def decode_figures(tool, pictures, *options):
    out = subprocess.run([str(tool), "decode", *options] + [str(p) for p in pictures],
                         check=True, capture_output=True, text=True).stdout
    return {key: float(value) for key, value in (item.split("=") for item in out.split())}


class AnchorSampler(threading.Thread):
    """Decodes the anchor pictures once (full size, then 1/8) every few seconds while the program
    runs. A virtual machine's speed can drift by a fifth within minutes, so the decode ratios
    are taken against the decode at the same time as the program's work, not minutes before
    or after it. Each sample costs about 200 ms of CPU, a few per cent of one core. The two
    share the machine: the samples raise the program's figures a little, and the program's
    work beside them slows the samples a little (on a 2-core machine whose speed held, they
    came out 1 to 2 % above the anchors measured idle)."""

    def __init__(self, tool, pictures, every):
        super().__init__(daemon=True)
        self.tool, self.pictures, self.every = tool, pictures, every
        self.stop_event = threading.Event()
        self.samples = []  # (monotonic time, full decode CPU ms, 1/8 decode CPU ms)

    def run(self):
        while not self.stop_event.wait(self.every):
            figures = decode_figures(self.tool, self.pictures, "--repeat", "1", "--no-warm-up")
            self.samples.append((time.monotonic(), figures["median_cpu_ms"], figures["eighth_median_cpu_ms"]))

    def finish(self):
        self.stop_event.set()
        self.join()


def measure_anchors(args, pictures, port, root):
    figures = decode_figures(args.decode_tool, pictures, "--repeat", str(args.decode_repeat))
    one = pictures[0]
    recode_wall, recode_cpu = [], []
    for _ in range(args.anchor_repeat):
        wall, cpu = run_timed([["djpeg", str(one)], ["cjpeg", "-quality", "90"]], root / "recoded.jpg")
        recode_wall.append(wall * 1000)
        recode_cpu.append(cpu * 1000)
    curl_wall, curl_cpu = [], []
    for _ in range(args.anchor_repeat):
        wall, cpu = run_timed([["curl", "-s", "-o", "/dev/null", f"http://127.0.0.1:{port}/anchor.jpg"]])
        curl_wall.append(wall * 1000)
        curl_cpu.append(cpu * 1000)
    return {
        "decode_cpu_ms": figures["median_cpu_ms"],
        "eighth_cpu_ms": figures["eighth_median_cpu_ms"],
        "decode_wall_ms": figures["median_ms"],
        "recode_wall_ms": median(recode_wall),
        "recode_cpu_ms": median(recode_cpu),
        "curl_wall_ms": median(curl_wall),
        "curl_cpu_ms": median(curl_cpu),
    }


def best_anchors(first, second):
    """The lower (faster) figure of two anchor runs: ratios are judged against the anchor at
    its best."""
    return {key: min(first[key], second[key]) for key in first}


# --------------------------------------------------------------------------- report

def verdict(ok):
    return "PASS" if ok else "FAIL"


def fmt(value, digits=1):
    if value is None or value != value:
        return "-"
    return f"{value:.{digits}f}"


def decode_anchors(run, anchors):
    """The full and 1/8 decode CPU ms a run's figures are judged against: the median of the
    samples taken while it ran, or the idle anchors when it has none."""
    samples = run.get("anchor_samples") if run else None
    if not samples:
        return anchors["decode_cpu_ms"], anchors["eighth_cpu_ms"]
    return median([full for full, _ in samples]), median([eighth for _, eighth in samples])


def report(args, anchors, runs, startup, machine):
    off = runs.get("autosave-off")
    on = runs.get("autosave-on")
    slots = runs.get("slots")
    decode_ms, eighth_ms = decode_anchors(off, anchors)
    rows = []

    def row(name, off_value, on_value, anchor, ratio, target, ok):
        rows.append((name, off_value, on_value, anchor, ratio, target, ok))

    def cpu_row(name, run, on_run, judged):
        bare = run["received_per_s"] * decode_anchors(run, anchors)[1] / 1000
        ratio = run["cpu_per_s"] / bare if bare else float("nan")
        row(name, fmt(run["cpu_per_s"], 3), fmt(on_run["cpu_per_s"], 3) if on_run else "-",
            f"{fmt(bare, 3)} (1/8 decode x {fmt(run['received_per_s'], 2)}/s)", fmt(ratio, 2),
            f"<= {TARGETS['cpu_ratio']} x" if judged else "-",
            verdict(ratio <= TARGETS["cpu_ratio"]) if judged else "-")

    # The figure is judged in the target's configuration, the 24 slots with nothing in the
    # viewer; the viewer's full decodes and paints come on top of that and are shown only.
    if slots:
        cpu_row("program CPU, the slots alone, s per s", slots, None, True)
    if off:
        cpu_row(f"program CPU, slot {args.view} also in the viewer, s per s" if slots else "program CPU, s per s",
                off, on, not slots)
        ok = all(r["shown_per_s"] >= 0.98 * args.cameras and r["abandoned"] == 0 for r in runs.values())
        row("pictures shown per s / abandoned", f"{fmt(off['shown_per_s'], 2)} / {off['abandoned']}",
            f"{fmt(on['shown_per_s'], 2)} / {on['abandoned']}" if on else "-", "-", "-",
            f"{args.cameras} / 0", verdict(ok))
        ratio = median(off["slot_latency_ms"]) / eighth_ms
        row("latency, slot, median / p95, ms",
            f"{fmt(median(off['slot_latency_ms']), 2)} / {fmt(percentile(off['slot_latency_ms'], 0.95), 2)}",
            f"{fmt(median(on['slot_latency_ms']), 2)} / {fmt(percentile(on['slot_latency_ms'], 0.95), 2)}" if on else "-",
            f"{fmt(eighth_ms, 2)} (one 1/8 decode)", fmt(ratio, 2), f"<= {TARGETS['slot_latency_ratio']} x",
            verdict(ratio <= TARGETS["slot_latency_ratio"]))
        if off["viewer_latency_ms"]:
            ratio = median(off["viewer_latency_ms"]) / decode_ms
            row("latency, viewer's slot, median / p95, ms",
                f"{fmt(median(off['viewer_latency_ms']), 2)} / {fmt(percentile(off['viewer_latency_ms'], 0.95), 2)}",
                f"{fmt(median(on['viewer_latency_ms']), 2)} / {fmt(percentile(on['viewer_latency_ms'], 0.95), 2)}"
                if on and on["viewer_latency_ms"] else "-",
                f"{fmt(decode_ms, 2)} (one full decode)", fmt(ratio, 2), f"<= {TARGETS['viewer_latency_ratio']} x",
                verdict(ratio <= TARGETS["viewer_latency_ratio"]))
        gap = max(r["loop_gap_ms"] for r in runs.values())
        row("largest event-loop gap of the window, ms", fmt(off["loop_gap_ms"], 0),
            fmt(on["loop_gap_ms"], 0) if on else "-", "-", "-", f"<= {TARGETS['loop_gap_ms']:.0f}",
            verdict(gap <= TARGETS["loop_gap_ms"]))
        row("fetch, start to last byte, median, ms", fmt(median(off["fetch_ms"]), 2),
            fmt(median(on["fetch_ms"]), 2) if on else "-", f"{fmt(anchors['curl_wall_ms'], 2)} (curl, wall)",
            fmt(median(off["fetch_ms"]) / anchors["curl_wall_ms"], 2), "-", "-")
    if on and off and on["autosaves_per_s"] > 0:
        # The saves run on workers: their cost is the program's extra CPU with autosave on.
        cost = (on["cpu_per_s"] - off["cpu_per_s"]) / on["autosaves_per_s"] * 1000
        ratio = cost / anchors["recode_cpu_ms"]
        row("cost per autosaved picture, CPU ms (from the CPU difference)", "-",
            f"{fmt(cost, 2)} ({fmt(on['autosaves_per_s'], 1)} saves/s)",
            f"{fmt(anchors['recode_cpu_ms'], 2)} (djpeg + cjpeg -quality 90, CPU)", fmt(ratio, 2),
            f"<= {TARGETS['autosave_ratio']} x", verdict(ratio <= TARGETS["autosave_ratio"]))
        wall = median(on["autosave_wall_ms"])
        row("  asked to saved and read back, wall ms", "-", fmt(wall, 2),
            f"{fmt(anchors['recode_wall_ms'], 2)} (wall)", fmt(wall / anchors["recode_wall_ms"], 2), "-", "-")
    peak = max(r["peak_rss_mb"] for r in runs.values())
    first = off or slots
    row("peak resident memory, MB", fmt(first["peak_rss_mb"]) if first else "-", fmt(on["peak_rss_mb"]) if on else "-",
        "-", "-", f"<= {TARGETS['peak_rss_mb']:.0f}", verdict(peak <= TARGETS["peak_rss_mb"]))
    if startup:
        value = median([s["startup_ms"] for s in startup])
        row("start-up to main window shown, ms", fmt(value), "-",
            f"splash ticks excluded ({fmt(median([s['splash_ms'] for s in startup]))} ms)", "-",
            f"<= {TARGETS['startup_ms']:.0f}", verdict(value <= TARGETS["startup_ms"]))

    header = ("figure", "autosave off", "autosave on", "anchor", "ratio", "target", "verdict")
    lines = []
    if args.markdown:
        lines.append("| " + " | ".join(header) + " |")
        lines.append("|" + "---|" * len(header))
        for r in rows:
            lines.append("| " + " | ".join(r) + " |")
    else:
        widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
        for r in [header] + rows:
            lines.append("  ".join(str(v).ljust(w) for v, w in zip(r, widths)))
    lines.append("")
    for run, what in ((slots, "the slots alone"), (off, "without autosave")):
        samples = run.get("anchor_samples") if run else None
        if not samples:
            continue
        eighths = [eighth for _, eighth in samples]
        fulls = [full for full, _ in samples]
        run_full_ms, run_eighth_ms = decode_anchors(run, anchors)
        lines.append(f"Decode anchors while the program ran {what} ({len(samples)} samples, median, "
                     f"lowest and highest): 1/8 scale {fmt(run_eighth_ms, 2)}, {fmt(min(eighths), 2)} and "
                     f"{fmt(max(eighths), 2)} ms CPU; full {fmt(run_full_ms, 2)}, {fmt(min(fulls), 2)} and "
                     f"{fmt(max(fulls), 2)} ms CPU. Against the idle anchors below, the program's CPU is "
                     f"{fmt(run['cpu_per_s'] / (run['received_per_s'] * anchors['eighth_cpu_ms'] / 1000), 2)} x"
                     + (f" and the viewer's latency {fmt(median(run['viewer_latency_ms']) / anchors['decode_cpu_ms'], 2)} x."
                        if run["viewer_latency_ms"] else "."))
    lines.append(f"Anchors, idle (the lower of before and after the runs): TurboJPEG 1/8-scale decode "
                 f"{fmt(anchors['eighth_cpu_ms'], 2)} ms CPU, "
                 f"full decode {fmt(anchors['decode_cpu_ms'], 2)} ms CPU "
                 f"({fmt(anchors['decode_wall_ms'], 2)} ms wall) per picture; djpeg + cjpeg "
                 f"{fmt(anchors['recode_cpu_ms'], 2)} ms CPU ({fmt(anchors['recode_wall_ms'], 2)} ms wall); "
                 f"curl {fmt(anchors['curl_wall_ms'], 2)} ms wall ({fmt(anchors['curl_cpu_ms'], 2)} ms CPU).")
    lines.append(f"Run: {args.cameras} cameras x 1 picture/s, {args.seconds:.0f} s per mode after "
                 f"{args.warmup:.0f} s warm-up, server {args.server}, screen {args.screen[0]} x {args.screen[1]}, "
                 f"slot {args.view} in the viewer in the runs with it.")
    lines.append(f"Machine: {machine}")
    return "\n".join(lines)


def machine_description():
    model = "unknown CPU"
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    load = os.getloadavg()
    return f"{os.cpu_count()} cores, {model}, load average {load[0]:.2f} at the end"


def soak_report(args, result):
    lines = [f"Soak: {result['seconds']:.0f} s, {args.cameras} cameras x 1 picture/s, autosave on"]
    lines.append(f"resident memory after the first minute {fmt(result['rss_after_minute_mb'])} MB, "
                 f"at the end {fmt(result['rss_end_mb'])} MB, peak {fmt(result['peak_rss_mb'])} MB")
    fds = [s["fds"] for s in result["samples"]]
    lines.append(f"open file descriptors: first {fds[0] if fds else '-'}, min {min(fds) if fds else '-'}, "
                 f"max {max(fds) if fds else '-'}, end {result['fds_end']}")
    for s in result["samples"][:: max(1, len(result["samples"]) // 10)]:
        lines.append(f"  t={s['t']:.0f}s rss={s['rss_kb'] / 1024:.1f}MB fds={s['fds']}")
    app = Path(result["folder"]) / "app"
    temporary = [str(p.relative_to(app)) for p in app.rglob("*") if p.is_file()
                 and (p.name.endswith(".tmp") or p.name.startswith("."))]
    stray = [p.name for p in Path(tempfile.gettempdir()).glob("vbt*")]
    lines.append(f"temporary files left in the application folder: {len(temporary)} {temporary[:5]}; "
                 f"vbt* files in {tempfile.gettempdir()}: {len(stray)}")
    # Changes each camera's responses carried, as the server sent them to the program, against
    # the pictures saved for that camera: equal but for a response still in flight at the stop
    # and an abandoned fetch.
    previous = {}
    changes = {}
    for path, last_modified in result["served_all"]:
        if not path.startswith("/cam"):
            continue
        if path in previous and previous[path] != last_modified:
            changes[path] = changes.get(path, 0) + 1
        previous[path] = last_modified
    files = [f for f in result["cam_files"] if f.endswith(".jpg") and not f.startswith(".")]
    saved = {}
    for f in files:
        match = re.match(r"(Cam\d\d)", f)
        if match:
            saved[match.group(1)] = saved.get(match.group(1), 0) + 1
    missing = [changes.get(f"/cam{c:02d}.jpg", 0) - saved.get(f"Cam{c + 1:02d}", 0) for c in range(args.cameras)]
    suffixed = sum(1 for f in files if re.search(r"_\d+\.jpg$", f))
    lines.append(f"changed pictures served {sum(changes.values())} (responses still in flight at the stop "
                 f"included), autosaves logged {result['autosave_count']}, files in cam/ {len(files)}, "
                 f"{suffixed} of them saved in the same second as the camera's previous one (name_2.jpg ...)")
    lines.append(f"per camera, changes served minus pictures saved: {missing} "
                 f"(a value below 0 would be a picture saved twice; 1: a response still in flight at the stop)")
    lines.append(f"pictures shown per s {fmt(result['shown_per_s'], 2)}, abandoned fetches {result['abandoned']}, "
                 f"CPU {fmt(result['cpu_per_s'], 3)} s per s")
    return "\n".join(lines)


# --------------------------------------------------------------------------- main

def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", type=Path, default=REPO / "build-bench")
    parser.add_argument("--seconds", type=float, default=60.0, help="measured seconds per mode (default 60)")
    parser.add_argument("--warmup", type=float, default=5.0, help="seconds before measuring (default 5)")
    parser.add_argument("--cameras", type=int, default=24)
    parser.add_argument("--variants", type=int, default=6, help="distinct pictures per camera (default 6)")
    parser.add_argument("--server", choices=["auto", "nginx", "python"], default="auto")
    parser.add_argument("--screen", default="1920x1800", help="offscreen screen size (default 1920x1800)")
    parser.add_argument("--view", type=int, default=1, help="slot shown in the viewer, 0 for none (default 1)")
    parser.add_argument("--modes", default="slots,off,on",
                        help="runs to make: slots (autosave off, nothing in the viewer: the CPU "
                        "figure), off and on (autosave off and on, --view in the viewer); default all")
    parser.add_argument("--startup-runs", type=int, default=5)
    parser.add_argument("--decode-repeat", type=int, default=5)
    parser.add_argument("--anchor-repeat", type=int, default=20)
    parser.add_argument("--anchor-every", type=float, default=4.0,
                        help="seconds between decode anchor samples while the program runs; 0: judge "
                        "against the idle anchors only (default 4)")
    parser.add_argument("--sample-every", type=float, default=10.0, help="seconds between memory samples")
    parser.add_argument("--soak", type=float, default=0.0, help="soak for this many seconds instead")
    parser.add_argument("--markdown", action="store_true", help="print the table in Markdown")
    parser.add_argument("--json", type=Path, help="also write every figure to this file")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    parser.add_argument("--wrap", help="command to run the measured program under (profiling), e.g. "
                        "'perf record -g -o /tmp/perf.data'; start-up runs are not wrapped")
    parser.add_argument("--serve", nargs=3, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.serve:
        return args
    args.screen = tuple(int(v) for v in args.screen.lower().split("x"))
    args.program = args.build_dir / "src" / "app" / "ocellus"
    args.decode_tool = args.build_dir / "bench" / "ocellus_bench_decode"
    for path in (args.program, args.decode_tool):
        if not path.exists():
            parser.error(f"{path} is missing: build first with\n  cmake --preset bench && "
                         f"cmake --build {args.build_dir} --target ocellus ocellus_bench_decode")
    for tool in ("djpeg", "cjpeg", "curl"):
        if not shutil.which(tool):
            parser.error(f"{tool} is missing (Debian packages libjpeg-turbo-progs and curl)")
    if args.server == "auto":
        args.server = "nginx" if shutil.which("nginx") else "python"
    return args


def main():
    args = parse_args()
    if args.serve:
        serve_forever(int(args.serve[0]), args.serve[1], args.serve[2])
        return 0
    root = Path(tempfile.mkdtemp(prefix="ocellus-bench-"))
    server = None
    rotator = None
    try:
        log(f"making {args.cameras} x {args.variants} pictures in {root}/pool")
        pool = make_pool(args.decode_tool, root / "pool", args.cameras, args.variants)
        www = root / "www"
        www.mkdir()
        (www / "anchor.jpg").write_bytes(pool[0][0])
        rotator = Rotator(pool, www, args.cameras, args.variants)
        rotator.publish(0)
        port = free_port()
        server = Server(args.server, root, www, port)
        server.start()
        rotator.start()

        if args.soak:
            args.seconds = args.soak
            log(f"soak: {args.soak:.0f} s with autosave on")
            result = measure_program(args, root, port, True, server)
            result["served_all"] = result["served"]
            print(soak_report(args, result))
            if args.json:
                args.json.write_text(json.dumps(result, indent=1))
            return 0

        pictures = [root / "pool" / f"c{c}_v0.jpg" for c in range(args.cameras)]
        log("anchors")
        anchors = measure_anchors(args, pictures, port, root)
        runs = {}
        for mode in args.modes.split(","):
            mode = mode.strip()
            if mode == "slots" and not args.view:
                continue  # the run without autosave shows nothing in the viewer either
            autosave = mode == "on"
            log(f"program, {'the slots alone' if mode == 'slots' else 'autosave ' + mode}, {args.seconds:.0f} s")
            result = measure_program(args, root, port, autosave, server,
                                     pictures if args.anchor_every > 0 else (),
                                     view=0 if mode == "slots" else None)
            runs[result["mode"]] = result
        log("start-up")
        startup = measure_startup(args, root, port, args.startup_runs) if args.startup_runs > 0 else []
        log("anchors again")
        anchors = best_anchors(anchors, measure_anchors(args, pictures, port, root))
        print(report(args, anchors, runs, startup, machine_description()))
        if args.json:
            for r in runs.values():
                r.pop("served", None)
            args.json.write_text(json.dumps({"anchors": anchors, "runs": runs, "startup": startup}, indent=1))
        return 0
    finally:
        if rotator:
            rotator.stop_event.set()
        if server:
            server.stop()
        if args.keep:
            log(f"kept {root}")
        else:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Start-up time of the window against a bare Qt window, measured from outside.

Each program is started --runs times, in turn, on an X display (our own Xvfb
unless --display names one). The clock starts just before the program is
launched and stops when its top-level window is mapped, and again when the
first drawing reaches that window (X DAMAGE); then the program is killed.
Every start gets fresh, private HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME,
XDG_DATA_HOME and XDG_RUNTIME_DIR folders, so no settings, caches or running
instance carry over. Prints a markdown table of medians.

Needs python-xlib (Debian python3-xlib).
"""

import argparse
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay
from Xlib.ext import damage

TIMEOUT_S = 20.0


def start_xvfb():
    """Starts Xvfb on a free display; returns (process, display name)."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + TIMEOUT_S
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            server.kill()
            sys.exit("startup.py: Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def private_environment(base, display_name):
    """A clean environment under `base` in which no earlier start is seen."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("XDG_", "QT_", "WAYLAND_", "DBUS_SESSION"))}
    for name in ("home", "config", "cache", "data", "runtime"):
        os.mkdir(os.path.join(base, name), 0o700)
    env.update({
        "DISPLAY": display_name,
        "HOME": os.path.join(base, "home"),
        "XDG_CONFIG_HOME": os.path.join(base, "config"),
        "XDG_CACHE_HOME": os.path.join(base, "cache"),
        "XDG_DATA_HOME": os.path.join(base, "data"),
        "XDG_RUNTIME_DIR": os.path.join(base, "runtime"),
    })
    return env


def window_pid(conn, window, pid_atom):
    try:
        prop = window.get_full_property(pid_atom, X.AnyPropertyType)
    except Exception:  # the window may be gone already
        return None
    return int(prop.value[0]) if prop and len(prop.value) else None


def next_event(conn, deadline):
    """The next X event, or None when `deadline` passes first."""
    while not conn.pending_events():
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            return None
        select.select([conn.fileno()], [], [], remaining)
    return conn.next_event()


def measure_once(conn, pid_atom, command, display_name):
    """Milliseconds from launch to the window mapped and to its first drawing."""
    with tempfile.TemporaryDirectory(prefix="kestrel-startup-") as base:
        env = private_environment(base, display_name)
        while conn.pending_events():
            conn.next_event()
        start = time.perf_counter()
        child = subprocess.Popen(command, env=env, cwd=env["HOME"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        watched = {}  # top-level window id -> damage id
        mapped_ms = painted_ms = None
        window = None
        deadline = time.monotonic() + TIMEOUT_S
        try:
            while painted_ms is None:
                event = next_event(conn, deadline)
                if event is None:
                    raise RuntimeError(f"{command[0]}: no window within {TIMEOUT_S:.0f} s")
                now = time.perf_counter()
                if event.type == X.CreateNotify and not event.override:
                    # Watched from creation on: nothing can be drawn on it
                    # before it is mapped, so no drawing is missed.
                    watched[event.window.id] = event.window.damage_create(damage.DamageReportNonEmpty)
                elif event.type == X.MapNotify and window is None and not event.override:
                    if window_pid(conn, event.window, pid_atom) == child.pid:
                        mapped_ms = (now - start) * 1000
                        window = event.window
                elif event.type == conn.extension_event.DamageNotify and window is not None \
                        and event.drawable.id == window.id:
                    painted_ms = (now - start) * 1000
        finally:
            child.kill()
            child.wait()
            # The server frees each damage object with its window.
            for damage_id in watched.values():
                conn.display.free_resource_id(damage_id)
        return mapped_ms, painted_ms


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", required=True, help="kestrel-archive")
    parser.add_argument("--bare", required=True, help="the bare Qt window")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--display", help="an existing X display (default: our own Xvfb)")
    args = parser.parse_args()

    server = None
    display_name = args.display
    if not display_name:
        server, display_name = start_xvfb()
    try:
        conn = xdisplay.Display(display_name)
        if not conn.has_extension("DAMAGE"):
            sys.exit(f"startup.py: {display_name} has no DAMAGE extension")
        conn.damage_query_version()
        root = conn.screen().root
        root.change_attributes(event_mask=X.SubstructureNotifyMask)
        pid_atom = conn.intern_atom("_NET_WM_PID")

        programs = [("Kestrel Archive", [os.path.abspath(args.binary)]),
                    ("bare Qt window", [os.path.abspath(args.bare)]),
                    ("Qt window with one line of text", [os.path.abspath(args.bare), "--text"])]
        samples = {name: ([], []) for name, _ in programs}
        # One warm-up start each fills the page cache, then the programs alternate.
        for name, command in programs:
            measure_once(conn, pid_atom, command, display_name)
        for run in range(args.runs):
            print(f"start-up run {run + 1}/{args.runs}", file=sys.stderr)
            for name, command in programs:
                mapped, painted = measure_once(conn, pid_atom, command, display_name)
                samples[name][0].append(mapped)
                samples[name][1].append(painted)
        conn.close()
    finally:
        if server:
            server.send_signal(signal.SIGTERM)
            server.wait()

    ours = {k: statistics.median(v) for k, v in zip(("map", "paint"), samples[programs[0][0]])}
    bare = {k: statistics.median(v) for k, v in zip(("map", "paint"), samples[programs[1][0]])}
    print(f"## Start-up to the window shown (median of {args.runs}, Xvfb)")
    print()
    print("| program | mapped (ms) | first drawing (ms) | spread of first drawing (ms) |")
    print("|---|---:|---:|---:|")
    for name, _ in programs:
        mapped, painted = samples[name]
        print(f"| {name} | {statistics.median(mapped):.1f} | {statistics.median(painted):.1f} "
              f"| {min(painted):.1f} to {max(painted):.1f} |")
    text = {k: statistics.median(v) for k, v in zip(("map", "paint"), samples[programs[2][0]])}
    print(f"| ratio to the bare window | {ours['map'] / bare['map']:.2f}x | {ours['paint'] / bare['paint']:.2f}x | |")
    print(f"| ratio to the window with text | {ours['map'] / text['map']:.2f}x "
          f"| {ours['paint'] / text['paint']:.2f}x | |")


if __name__ == "__main__":
    main()

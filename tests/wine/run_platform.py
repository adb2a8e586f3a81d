#!/usr/bin/env python3
"""Runs one area of the x64 platform test program under Wine, in a prefix of its own.

The template prefix build/wine/platform/template is made once (mscoree and mshtml
disabled, so it is made faster and has no .NET) and kept while Wine's version stays the
same; each run copies it to a prefix of its own, runs platform_tests.exe with the area's
GoogleTest filter under that prefix's own wineserver, ends that server with
`wineserver -k`, and removes the prefix. Exits 77 (skipped) when the program is not built.
"""

import argparse
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_case import WINE, WINESERVER, SKIP_CODE, copy_prefix  # noqa: E402

SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
PROGRAM = "platform_tests.exe"


def wine_env(prefix):
    env = dict(os.environ)
    env.update({"WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="})
    # No window is made by these tests; without a display Wine makes none either.
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def end_server(prefix):
    subprocess.run([WINESERVER, "-k"], env=wine_env(prefix), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=30)


def wine_version():
    return subprocess.run([WINE, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=30).stdout.decode().strip()


def ensure_template(work):
    """The template, made by the first run that needs it; runs wait on a lock meanwhile."""
    os.makedirs(work, exist_ok=True)
    template = os.path.join(work, "template")
    stamp = os.path.join(work, "template.stamp")
    version = wine_version()
    with open(os.path.join(work, "template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.isdir(template) and os.path.exists(stamp) and open(stamp).read() == version:
            return template
        shutil.rmtree(template, ignore_errors=True)
        if os.path.exists(stamp):
            os.remove(stamp)
        started = time.time()
        try:
            subprocess.run([WINE, "wineboot", "-i"], env=wine_env(template), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=180, check=True)
            subprocess.run([WINESERVER, "-w"], env=wine_env(template), timeout=60)
        finally:
            end_server(template)
        with open(stamp, "w") as f:
            f.write(version)
        print("template prefix made in %.1f s" % (time.time() - started), flush=True)
    return template


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=os.path.join(SOURCE_DIR, "build", "windows-x64", "bin"))
    parser.add_argument("--work", default=os.path.join(SOURCE_DIR, "build", "wine", "platform"))
    parser.add_argument("--area", required=True, help="name of the run (its prefix folder)")
    parser.add_argument("--filter", required=True, help="GoogleTest filter of the area")
    parser.add_argument("--timeout", type=int, default=180, help="seconds the program may take")
    parser.add_argument("--keep", action="store_true", help="keep the prefix")
    args = parser.parse_args()

    program = os.path.join(args.bin, PROGRAM)
    if not os.path.exists(program):
        print("SKIP: %s is not built" % program)
        return SKIP_CODE

    template = ensure_template(args.work)
    prefix = os.path.join(args.work, "runs", args.area)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    # Two runs of the same area (two ctest runs at once) take turns; other areas have
    # prefixes and servers of their own.
    area_lock = open(prefix + ".lock", "w")
    fcntl.flock(area_lock, fcntl.LOCK_EX)
    shutil.rmtree(prefix, ignore_errors=True)
    copy_prefix(template, prefix)
    env = wine_env(prefix)
    # The program and idle.exe are run from a copy inside the prefix, so that a build
    # running meanwhile cannot change them under the test.
    bin_copy = os.path.join(prefix, "drive_c", "tests")
    os.makedirs(bin_copy)
    for name in (PROGRAM, "idle.exe"):
        if os.path.exists(os.path.join(args.bin, name)):
            shutil.copy2(os.path.join(args.bin, name), bin_copy)

    # The server is started here and ended below, whatever happens: it is this prefix's own.
    code = 1
    proc = None
    ended = lambda *_: sys.exit(1)
    signal.signal(signal.SIGTERM, ended)
    try:
        with tempfile.TemporaryFile() as out:
            proc = subprocess.Popen([WINE, "C:\\tests\\" + PROGRAM, "--gtest_filter=" + args.filter,
                                     "--gtest_color=no"], env=env, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)
            try:
                code = proc.wait(args.timeout)
            except subprocess.TimeoutExpired:
                print("TIMEOUT: %s did not end within %d s" % (PROGRAM, args.timeout), flush=True)
                code = 1
            out.seek(0)
            sys.stdout.write(out.read().decode(errors="replace"))
            sys.stdout.flush()
    finally:
        end_server(prefix)
        if proc is not None and proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        if not args.keep:
            shutil.rmtree(prefix, ignore_errors=True)
    return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Runs one area of a platform test program (x86 or x64) under Wine, in a prefix of its own.

The template prefix build/wine/platform/template is made once (mscoree and mshtml
disabled, so it is made faster and has no .NET) and kept while Wine stays the same; with
the 32-bit Wine beside the 64-bit one it is a 64-bit prefix with syswow64, in which the
x86 program runs as a 32-bit process under WOW64. Each run copies the template to a
prefix of its own, runs platform_tests.exe with the area's GoogleTest filter under that
prefix's own wineserver, ends that server with `wineserver -k`, and removes the prefix.
Exits 77 (skipped) when the program is not built, or when it is a 32-bit program and the
prefix cannot run one (no syswow64: no 32-bit Wine, or a kernel without 32-bit support).
"""

import argparse
import fcntl
import os
import re
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
WINE32_DLLS = "/usr/lib/i386-linux-gnu/wine/i386-windows"
WINE32_LOADER = "/usr/lib/wine/wine"
MACHINE_I386 = 0x14C


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
    version = subprocess.run([WINE, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=30).stdout.decode().strip()
    # A template made before the 32-bit Wine was installed has no syswow64.
    return version + (" wow64" if os.path.isdir(WINE32_DLLS) else "")


def pe_machine(path):
    """The machine field of a PE file's header (0x14c for x86, 0x8664 for x64)."""
    with open(path, "rb") as f:
        head = f.read(4096)
    pe = int.from_bytes(head[0x3C:0x40], "little")
    if head[:2] != b"MZ" or head[pe:pe + 4] != b"PE\0\0":
        return 0
    return int.from_bytes(head[pe + 4:pe + 6], "little")


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


def cannot_run_32bit(template):
    """Why this machine cannot run a 32-bit program under WOW64, or None when it can."""
    if not os.path.isdir(WINE32_DLLS):
        return "the 32-bit Wine (wine32:i386) is not installed"
    try:
        subprocess.run([WINE32_LOADER, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30, check=True)
    except (OSError, subprocess.SubprocessError) as error:
        return "the kernel does not run 32-bit programs (%s: %s)" % (WINE32_LOADER, error)
    if not os.path.exists(os.path.join(template, "drive_c", "windows", "syswow64", "kernel32.dll")):
        return "the template prefix has no 32-bit system folder (syswow64)"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=os.path.join(SOURCE_DIR, "build", "windows-x64", "bin"))
    parser.add_argument("--stub-bin", help="folder of the helper programs (idle.exe); default: --bin")
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
    if pe_machine(program) == MACHINE_I386:
        why = cannot_run_32bit(template)
        if why:
            print("SKIP: %s is a 32-bit program and %s" % (program, why))
            return SKIP_CODE
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
    sources = {PROGRAM: args.bin, "idle.exe": args.stub_bin or args.bin}
    for name, folder in sources.items():
        if os.path.exists(os.path.join(folder, name)):
            shutil.copy2(os.path.join(folder, name), bin_copy)

    # The server is started here and ended below, whatever happens: it is this prefix's own.
    code = 1
    output = ""
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
            output = out.read().decode(errors="replace")
            sys.stdout.write(output)
            sys.stdout.flush()
    finally:
        end_server(prefix)
        if proc is not None and proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        if not args.keep:
            shutil.rmtree(prefix, ignore_errors=True)
    if code != 0:
        return 1
    # A filter that matches nothing passes in GoogleTest: here it is a fault of the entry.
    ran = re.search(r"^\[==========\] (\d+) tests? from", output, re.M)
    if ran is None or int(ran.group(1)) == 0:
        print("FAIL: the filter %s matched no test of %s" % (args.filter, program), flush=True)
        return 1
    if re.search(r"^\[  SKIPPED \]", output, re.M):
        print("SKIP: a test of this area was skipped (see above)", flush=True)
        return SKIP_CODE
    return 0


if __name__ == "__main__":
    sys.exit(main())

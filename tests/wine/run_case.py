#!/usr/bin/env python3
"""Runs the end-to-end cases of cases.py under Wine, one fresh prefix per case.

The program under test is the shipped 32-bit Setup.exe (build/windows-x86) under WOW64,
that is 32-bit Wine in a 64-bit prefix; --arch x64 (or OV_WINE_ARCH=x64) runs the x64
build instead, for machines whose kernel cannot run 32-bit programs. The UI driver and
most stand-ins are the 64-bit builds either way.

Per run: a template prefix is made once (build/wine/template) and one Xvfb is started on
a free display. Per case: the template is copied, the media are laid out, the Windows
version and the machine state are set, the program is started through uidriver's
launcher, every expected window is read, checked, photographed and answered in order,
and the exit code, the wizard's and installers' command lines, the RunOnce value and the
log file are checked. Each case ends within a bounded time; the prefix is then ended.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import cases as case_table  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
WINDOW_TIMEOUT_MS = 10000
EXIT_TIMEOUT_S = 20
SKIP_CODE = 77

# Wine behaviour that differs from Windows and that a case cannot change; a check that
# meets one of these is reported as a limitation, not as a failure.
LIMITATIONS = {
    "msgbox-topmost": "Wine 8 gives message boxes no WS_EX_TOPMOST, whatever MB_TOPMOST says",
    "user32-imports-version": "Wine's builtin user32.dll imports version.dll, so with version=n,b the loader "
                              "takes a version.dll beside the program before the program runs",
    "builtin-version-read": "Wine reads the version record of its builtin library, not that of the file at the "
                            "path, unless the reading program prefers the native library (AppDefaults DllOverrides)",
}


class CaseFailure(Exception):
    pass


def log(text):
    print(text, flush=True)


def win_to_unix(prefix, path):
    """C:\\a\\b -> <prefix>/drive_c/a/b (only drive C is laid out by the cases)."""
    if not re.match(r"^[cC]:\\", path):
        raise ValueError("only C: paths are used: " + path)
    return os.path.join(prefix, "drive_c", *[p for p in path[3:].split("\\") if p])


def registry_values(data):
    """A reg.exe export as {"[key] value name": data text}, a key without values as
    {"[key]": None}, so that two exports compare value by value."""
    text = data.decode("utf-16-le" if data.startswith(b"\xff\xfe") else "utf-8", errors="replace").lstrip("\ufeff")
    # Continued lines (long hex data) are joined first.
    text = re.sub(r"\\\r?\n\s*", "", text)
    values, key = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.rstrip().endswith("]"):
            key = line.strip()
            values[key] = None
        elif key and "=" in line:
            name, _, value = line.partition("=")
            values[key + " " + name] = value
    return values


class Display:
    """One Xvfb of our own on a display number that nobody holds."""

    def __init__(self):
        self.proc = None
        self.name = None

    def start(self):
        for number in range(90, 190):
            if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
                continue
            proc = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.time() + 10
            while time.time() < deadline:
                if proc.poll() is not None:
                    break
                if os.path.exists("/tmp/.X11-unix/X%d" % number):
                    self.proc, self.name = proc, ":%d" % number
                    return self.name
                time.sleep(0.1)
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        raise RuntimeError("no free X display could be started")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Prefix:
    """A Wine prefix with its own persistent wineserver for the life of one case."""

    def __init__(self, path, display):
        self.path = path
        self.env = dict(os.environ)
        self.env.update({"WINEPREFIX": path, "WINEDEBUG": "-all", "DISPLAY": display,
                         "WINEDLLOVERRIDES": "mscoree,mshtml="})
        self.background = []

    def run(self, args, timeout=60, check=True):
        """Runs a program to its end. Output goes through files, not pipes: the prefix's
        service processes inherit the descriptors and would hold a pipe open."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run([WINE] + args, env=self.env, stdout=out, stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout, result.stderr = out.read(), err.read()
        if check and result.returncode != 0:
            raise CaseFailure("%s failed (%d): %s %s" % (" ".join(args), result.returncode,
                                                         result.stdout.decode(errors="replace")[-300:],
                                                         result.stderr.decode(errors="replace")[-300:]))
        return result

    def start(self, args, output=None, online=None):
        """Starts a program in the background. With online, it runs in a private mount
        namespace in which the kernel's list of online processors reads that file: Wine
        takes the processor count from there."""
        out = open(output, "wb") if output else subprocess.DEVNULL
        command = [WINE] + args
        if online:
            command = ["unshare", "-m", "sh", "-c", 'mount --bind "$0" /sys/devices/system/cpu/online && exec "$@"',
                       online] + command
        proc = subprocess.Popen(command, env=self.env, stdout=out, stderr=subprocess.DEVNULL)
        if output:
            out.close()
        self.background.append(proc)
        return proc

    def server(self, *args):
        subprocess.run([WINESERVER] + list(args), env=self.env, timeout=30, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def reg_add(self, key, name, kind, data, view64=False, view=None):
        """view: "32" or "64" writes into that registry view only; none, reg.exe's own."""
        args = ["reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f"]
        if view64 or view == "64":
            args.append("/reg:64")
        elif view == "32":
            args.append("/reg:32")
        # reg.exe now and then fails with no message while the prefix's services are still
        # starting; a second try is made before the case fails.
        if self.run(args, check=False).returncode != 0:
            time.sleep(1)
            self.run(args)

    def end(self):
        self.server("-k")
        for proc in self.background:
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


def wow64_unavailable():
    """Why 32-bit programs cannot run under Wine here, or None when they can: the 32-bit
    Wine loader must be installed and the kernel must execute it (a kernel without IA-32
    emulation answers "Exec format error")."""
    if not os.path.exists(WINE32):
        return "%s is missing (the 32-bit Wine, wine32:i386, is not installed)" % WINE32
    try:
        result = subprocess.run([WINE32, "--version"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30)
    except OSError as error:
        return "the kernel does not run the 32-bit Wine loader %s: %s" % (WINE32, error.strerror)
    except subprocess.TimeoutExpired:
        return "%s --version did not end within 30 s" % WINE32
    if result.returncode != 0:
        return "%s --version ended with %d: %s" % (WINE32, result.returncode,
                                                   result.stdout.decode(errors="replace").strip()[-200:])
    return None


class Tools:
    """The programs of both Windows builds: Setup.exe of the build under test, the others
    of the 64-bit build unless a case asks for the 32-bit one."""

    def __init__(self, bin64, bin32, arch):
        self.dirs = {64: bin64, 32: bin32}
        self.arch = arch
        self.product_bits = 32 if arch == "x86" else 64

    def path(self, name, bits=64):
        return os.path.join(self.dirs[bits], *name.split("/"))

    def product(self, name="Setup.exe"):
        return self.path(name, self.product_bits)


SYSTEM_FOLDERS = [os.path.join("drive_c", "windows", name) for name in ("system32", "syswow64")]


def copy_prefix(template, target):
    """cp -a of the template, except the two system folders, which are hard-linked: they
    are nine tenths of the prefix. A case that lays a file there removes the link first
    (see Runner.lay_out), so the template is never written through it."""
    subprocess.run(["mkdir", "-p", target], check=True)
    for entry in os.listdir(template):
        if entry != "drive_c":
            subprocess.run(["cp", "-a", os.path.join(template, entry), target], check=True)
    for root, dirs, files in os.walk(os.path.join(template, "drive_c")):
        relative = os.path.relpath(root, template)
        if relative in SYSTEM_FOLDERS:
            subprocess.run(["cp", "-al", root, os.path.join(target, os.path.dirname(relative))], check=True)
            dirs[:] = []
            continue
        os.makedirs(os.path.join(target, relative), exist_ok=True)
        shutil.copystat(root, os.path.join(target, relative))
        for name in [d for d in dirs if os.path.islink(os.path.join(root, d))]:
            os.symlink(os.readlink(os.path.join(root, name)), os.path.join(target, relative, name))
            dirs.remove(name)
        for name in files:
            source = os.path.join(root, name)
            if os.path.islink(source):
                os.symlink(os.readlink(source), os.path.join(target, relative, name))
            else:
                shutil.copy2(source, os.path.join(target, relative, name))


WXS = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{product}" Name="{name}" Language="1033" Version="{version}" Manufacturer="Orvale"
           UpgradeCode="{upgrade}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" Platform="x64"/>
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="{folder}">
          <Component Id="Main" Guid="{component}" Win64="yes">
            <File Id="Readme" Source="readme.txt"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
"""


def build_package(case_dir, package):
    """A real package with the case's name, version and upgrade code, made by wixl."""
    folder = os.path.join(case_dir, "msi-" + re.sub(r"[^A-Za-z0-9]+", "_", package["file"]))
    os.makedirs(folder, exist_ok=True)
    key = "%s|%s|%s" % (package["name"], package["version"], package["upgrade_code"])
    guid = lambda kind: "{%s}" % str(uuid.uuid5(uuid.NAMESPACE_URL, kind + "|" + key)).upper()
    with open(os.path.join(folder, "readme.txt"), "w") as f:
        f.write(key + "\n")
    with open(os.path.join(folder, "product.wxs"), "w") as f:
        f.write(WXS.format(product=package.get("product_code", guid("product")), name=package["name"],
                           version=package["version"], upgrade=package["upgrade_code"],
                           folder=re.sub(r"[^A-Za-z0-9]+", "", package["name"]) or "Product",
                           component=guid("component")))
    output = os.path.join(folder, package["file"])
    result = subprocess.run(["wixl", "-a", "x64", "-o", output, "product.wxs"], cwd=folder, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=120)
    if result.returncode != 0:
        raise CaseFailure("wixl: " + result.stdout.decode(errors="replace")[-400:])
    return output


class SetupFailure(Exception):
    """The run cannot test what it was asked to: no case is run."""


def make_template(work, display, tools):
    template = os.path.join(work, "template")
    shutil.rmtree(template, ignore_errors=True)
    prefix = Prefix(template, display)
    started = time.time()
    with tempfile.TemporaryFile() as err:
        result = subprocess.run([WINE, "wineboot", "-i"], env=prefix.env, stdout=subprocess.DEVNULL, stderr=err,
                                timeout=180)
        err.seek(0)
        if result.returncode != 0:
            raise SetupFailure("wineboot -i ended with %d: %s" % (result.returncode,
                                                                 err.read().decode(errors="replace")[-400:]))
    # Without a window manager, managed windows make Wine wait whenever they are hidden.
    prefix.run(["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"])
    if tools.arch == "x86":
        check_wow64(prefix, tools)
    prefix.server("-w")
    log("template prefix made in %.1f s" % (time.time() - started))
    return template


def check_wow64(prefix, tools):
    """The prefix must hold the 32-bit system (made only when 32-bit Wine ran at its
    creation), and a 32-bit program in it must be a WOW64 process."""
    kernel32 = os.path.join(prefix.path, "drive_c", "windows", "syswow64", "kernel32.dll")
    if not os.path.exists(kernel32):
        raise SetupFailure("the prefix has no 32-bit system (%s is missing): 32-bit Wine did not run at its creation"
                           % kernel32)
    tools_dir = win_to_unix(prefix.path, "C:\\Tools\\")
    os.makedirs(tools_dir, exist_ok=True)
    shutil.copy(tools.path("uidriver.exe", 32), os.path.join(tools_dir, "uidriver32.exe"))
    result = prefix.run(["C:\\Tools\\uidriver32.exe", "--process-info"], check=False)
    shutil.rmtree(tools_dir)
    text = result.stdout.decode(errors="replace").strip()
    try:
        info = json.loads(text.splitlines()[-1])
    except (ValueError, IndexError):
        info = {}
    if info.get("pointer") != 4 or info.get("wow64") is not True:
        raise SetupFailure("a 32-bit program in the prefix is not a WOW64 process: %r (exit %d)" %
                           (text[-300:], result.returncode))
    log("WOW64: a 32-bit program in the template reports %s" % text)


def program_bits(case, tools):
    """Setup.exe is of the build under test; the other programs are 64-bit unless a case
    asks for the 32-bit build."""
    if "program_bits" in case:
        return case["program_bits"]
    return tools.product_bits if case.get("program", "Setup.exe") == "Setup.exe" else 64


def for_arch(value, arch):
    """The case as it reads for this build: every ByArch replaced by its value."""
    if isinstance(value, case_table.ByArch):
        return for_arch(value.values[arch], arch)
    if isinstance(value, dict):
        return {k: for_arch(v, arch) for k, v in value.items()}
    if isinstance(value, list):
        return [for_arch(v, arch) for v in value]
    if isinstance(value, tuple):
        return tuple(for_arch(v, arch) for v in value)
    return value


class Runner:
    def __init__(self, args):
        self.tools = Tools(args.bin64, args.bin32, args.arch)
        self.arch = args.arch
        self.work = args.work
        self.keep = args.keep
        self.display = None
        self.template = None

    # ----- one case --------------------------------------------------------------------

    def uidriver(self, prefix, *args, timeout=30, bits=64):
        """One call of the UI driver; bits=32 runs its 32-bit build (laid out for x86 runs)."""
        driver = "C:\\Tools\\uidriver32.exe" if bits == 32 else "C:\\Tools\\uidriver.exe"
        result = prefix.run([driver] + [str(a) for a in args], timeout=timeout, check=False)
        lines = [ln for ln in result.stdout.decode("utf-8", errors="replace").splitlines() if ln.strip()]
        if not lines:
            raise CaseFailure("uidriver %s printed nothing (exit %d)%s" % (
                " ".join(map(str, args)), result.returncode,
                ": " + result.stderr.decode(errors="replace").strip()[-300:] if result.stderr.strip() else ""))
        return result.returncode, json.loads(lines[-1])

    def launch(self, prefix, command_line, output, online=None, watch=False, restricted=False):
        """watch: the launcher lists every top-level window of the program (windows_seen);
        restricted: the program's token has the Administrators group for deny only."""
        proc = prefix.start(["C:\\Tools\\uidriver.exe", "--launch", command_line] +
                            (["--watch-windows"] if watch else []) + (["--restricted"] if restricted else []),
                            output, online)
        deadline = time.time() + 30
        while time.time() < deadline:
            with open(output, "rb") as f:
                first = f.readline().decode("utf-8", errors="replace")
            if first.endswith("\n"):
                info = json.loads(first)
                if "pid" not in info:
                    raise CaseFailure("could not start %s: %s" % (command_line, first.strip()))
                return proc, info["pid"], output
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        raise CaseFailure("launcher of %s said nothing" % command_line)

    @staticmethod
    def exit_of(launched, timeout):
        proc, _, output = launched
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        with open(output, "rb") as f:
            lines = f.read().decode("utf-8", errors="replace").splitlines()
        for line in reversed(lines):
            if line.strip():
                info = json.loads(line)
                if "exit" in info:
                    return info["exit"]
        return None

    def shoot(self, shots, index, label):
        os.makedirs(shots, exist_ok=True)
        path = os.path.join(shots, "%02d-%s.png" % (index, re.sub(r"[^A-Za-z0-9]+", "_", label)[:40]))
        subprocess.run(["import", "-window", "root", path], env={"DISPLAY": self.display.name, "PATH": os.environ["PATH"]},
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
        return path

    def lay_out(self, prefix, case):
        media = case.get("media", "C:\\Media\\")
        setup_dir = media + "Setup\\"
        tools_dir = win_to_unix(prefix.path, "C:\\Tools\\")
        os.makedirs(tools_dir, exist_ok=True)
        shutil.copy(self.tools.path("uidriver.exe"), tools_dir)
        if self.arch == "x86":
            shutil.copy(self.tools.path("uidriver.exe", 32), os.path.join(tools_dir, "uidriver32.exe"))
        program = case.get("program", "Setup.exe")
        os.makedirs(win_to_unix(prefix.path, setup_dir), exist_ok=True)
        shutil.copy(self.tools.path(program, self.program_bits(case)), win_to_unix(prefix.path, setup_dir + program))
        if case.get("wizard", True):
            shutil.copy(self.tools.path("wizardstub.exe"), win_to_unix(prefix.path, setup_dir + "SetupWizard.dat"))
            if "wizard_exit" in case:
                with open(win_to_unix(prefix.path, setup_dir + "SetupWizard.dat.ctl"), "w") as f:
                    f.write("exit=%d\n" % case["wizard_exit"])
        for name, text in case.get("settings", case_table.DEFAULT_SETTINGS).items():
            with open(win_to_unix(prefix.path, media + name), "w", newline="\r\n") as f:
                f.write(text)
        for package in case.get("packages", []):
            built = build_package(os.path.dirname(prefix.path), package)
            if package.get("media_path"):
                target = win_to_unix(prefix.path, media + package["media_path"])
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copy(built, target)
            if package.get("install"):
                shutil.copy(built, os.path.join(tools_dir, package["file"]))
        for relative, control in case.get("installers", case_table.DEFAULT_INSTALLERS).items():
            target = win_to_unix(prefix.path, media + "Redistr\\" + relative)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy(self.tools.path("installerstub.exe"), target)
            if control:
                with open(target + ".ctl", "w") as f:
                    f.write(control)
        # Copies of the prefix's own files first, so that a later plant may replace the original.
        plants = sorted(case.get("plant", {}).items(), key=lambda item: "copy_of" not in item[1])
        for path, planted in plants:
            target = win_to_unix(prefix.path, path)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            source = win_to_unix(prefix.path, planted["copy_of"]) if "copy_of" in planted else \
                self.tools.path(planted["from"], planted.get("bits", 64))
            # The system folders are hard links to the template's: the link is removed,
            # never written through.
            if os.path.lexists(target):
                os.remove(target)
            shutil.copy(source, target)
            if planted.get("ctl"):
                if os.path.lexists(target + ".ctl"):
                    os.remove(target + ".ctl")
                with open(target + ".ctl", "w") as f:
                    f.write(planted["ctl"])
        for name in case.get("processes", []):
            shutil.copy(self.tools.path("idle.exe"), os.path.join(tools_dir, name))
        # Decoys of the program's own bitness: a DLL of the other one would never be loaded.
        for dll in case.get("decoys", []):
            shutil.copy(self.tools.path("decoy/" + dll, self.program_bits(case)), win_to_unix(prefix.path, setup_dir + dll))
        # A second name for a file (a hard link), where a program is told to write: the
        # target's text must stay as it is.
        for link, (target, text) in case.get("links", {}).items():
            with open(win_to_unix(prefix.path, target), "w") as f:
                f.write(text)
            os.link(win_to_unix(prefix.path, target), win_to_unix(prefix.path, link))
        if case.get("local_folder"):
            os.makedirs(win_to_unix(prefix.path, setup_dir + program + ".local"))
        return setup_dir + program

    def program_bits(self, case):
        return program_bits(case, self.tools)

    def set_state(self, prefix, case):
        prefix.reg_add("HKCU\\Software\\Wine", "Version", "REG_SZ", case.get("version", "win2008"))
        if case.get("dotnet", True):
            prefix.reg_add("HKLM\\SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", "Install", "REG_DWORD", 1,
                           view64=True)
        for entry in case.get("registry", []):
            key, name, kind, data = entry[:4]
            view = entry[4] if len(entry) > 4 else None
            prefix.reg_add(key, name, kind, data, view=view)
        for package in case.get("packages", []):
            if package.get("install"):
                prefix.run(["msiexec", "/i", "C:\\Tools\\" + package["file"], "/qn"], timeout=120)

    def check_window(self, box, expect, failures, limitations, label):
        def fail(text):
            failures.append("%s: %s" % (label, text))

        if "caption" in expect and box.get("caption") != expect["caption"]:
            fail("caption %r, expected %r" % (box.get("caption"), expect["caption"]))
        if "text" in expect and box.get("text") != expect["text"]:
            fail("text %r, expected %r" % (box.get("text"), expect["text"]))
        if "buttons" in expect:
            got = [(b["id"], b["text"].replace("&", "")) for b in box.get("buttons", [])]
            if sorted(got) != sorted(expect["buttons"]):
                fail("buttons %r, expected %r" % (got, expect["buttons"]))
        for cls, ident in expect.get("controls", []):
            if not any(c["class"].lower() == cls.lower() and c["id"] == ident for c in box.get("controls", [])):
                fail("no %s control with id %d" % (cls, ident))
        if "topmost" in expect and box.get("topmost") != expect["topmost"]:
            limitation = expect.get("topmost_limitation")
            if limitation:
                limitations.add(limitation)
            else:
                fail("topmost %r, expected %r" % (box.get("topmost"), expect["topmost"]))
        if expect.get("centred"):
            left, top, right, bottom = box["rect"]
            width, height = box["screen"]
            x, y = (width - (right - left)) // 2, (height - (bottom - top)) // 2
            if abs(left - x) > 1 or abs(top - y) > 1:
                fail("at %d,%d, centred would be %d,%d" % (left, top, x, y))

    def grab(self, rect):
        left, top, right, bottom = rect
        geometry = "%dx%d+%d+%d" % (right - left, bottom - top, left, top)
        result = subprocess.run(["import", "-window", "root", "-crop", geometry, "rgb:-"],
                                env={"DISPLAY": self.display.name, "PATH": os.environ["PATH"]}, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=20)
        return result.stdout

    def check_animated(self, box, failures, label):
        """Two grabs of the animation control 0.35 s apart must differ: the clip plays."""
        animations = [c for c in box.get("controls", []) if c["class"].lower() == "sysanimate32"]
        if not animations:
            failures.append("%s: no animation control" % label)
            return
        rect = animations[0]["rect"]
        first = self.grab(rect)
        time.sleep(0.35)
        second = self.grab(rect)
        if not first or first == second:
            failures.append("%s: the animation does not play" % label)

    def check_listed(self, prefix, pid, box, controls, case_dir, failures, label):
        """The full window list of the program shows the window with these controls."""
        _, listing = self.uidriver(prefix, "--pid", pid, "--list")
        with open(os.path.join(case_dir, "list.jsonl"), "a") as f:
            f.write(json.dumps(listing) + "\n")
        windows = [w for w in listing.get("windows", []) if w["hwnd"] == box["hwnd"]]
        if not windows:
            failures.append("%s: not in the window list" % label)
            return
        for cls, ident in controls:
            if not any(c["class"].lower() == cls.lower() and c["id"] == ident for c in windows[0]["children"]):
                failures.append("%s: the window list shows no %s with id %d" % (label, cls, ident))

    def read_text(self, prefix, path):
        """A file's text, UTF-16LE when it begins with that byte order mark, else UTF-8; empty when absent."""
        file = win_to_unix(prefix.path, path)
        if not os.path.exists(file):
            return ""
        with open(file, "rb") as f:
            data = f.read()
        return data[2:].decode("utf-16-le", errors="replace") if data.startswith(b"\xff\xfe") else \
            data.decode("utf-8", errors="replace")

    def read_log_lines(self, prefix, path):
        file = win_to_unix(prefix.path, path)
        if not os.path.exists(file):
            return None
        with open(file, "rb") as f:
            return f.read().decode("utf-8", errors="replace").splitlines()

    def run_case(self, case):
        """True when the case passed, False when it failed, None when it was skipped."""
        name = case["name"]
        if case.get("needs_wow64") and self.arch != "x86":
            log("skip %s: it needs the 32-bit build under WOW64, and this run tests the x64 build" % name)
            return None
        case = for_arch(case, self.arch)
        case_dir = os.path.join(self.work, "cases", name)
        shots = os.path.join(self.work, "shots", name)
        shutil.rmtree(case_dir, ignore_errors=True)
        shutil.rmtree(shots, ignore_errors=True)
        os.makedirs(case_dir)
        prefix_path = os.path.join(case_dir, "prefix")
        copy_prefix(self.template, prefix_path)
        prefix = Prefix(prefix_path, self.display.name)
        if "dll_overrides" in case:
            prefix.env["WINEDLLOVERRIDES"] = case["dll_overrides"]
        prefix.env.update(case.get("env", {}))
        failures, limitations = [], set()
        self.action_failures = []
        started = time.time()
        try:
            prefix.server("-p")
            program = self.lay_out(prefix, case)
            self.set_state(prefix, case)
            for service in case.get("services_before", []):
                self.start_service(prefix, service)
            for name_ in case.get("processes", []):
                prefix.start(["C:\\Tools\\" + name_, "60"])
            for name_ in case.get("processes", []):
                code, seen = self.uidriver(prefix, "--timeout", 10000, "--wait-process", name_)
                if code != 0:
                    raise CaseFailure("%s did not start: %r" % (name_, seen))
            args = case.get("args", "")
            quoted = '"%s"' % program if " " in program and not case.get("unquoted") else program
            command_line = quoted + (" " + args if args else "")
            online = None
            if "cpus_online" in case:
                online = os.path.join(case_dir, "cpu-online")
                with open(online, "w") as f:
                    f.write(case["cpus_online"] + "\n")
            before = self.snapshot(prefix, case_dir, "before") if "unchanged" in case else None
            main = self.launch(prefix, command_line, os.path.join(case_dir, "launch-main.jsonl"), online,
                               watch="windows_seen" in case, restricted=case.get("not_administrator", False))
            main_pid = main[1]
            others = {"main": main}
            for index, step in enumerate(case.get("steps", []), 1):
                for action in step.get("before", []):
                    self.do_action(prefix, action, others, program)
                who = step.get("of", "main")
                pid = main_pid if who == "main" else others[who][1]
                label = "window %d (%s)" % (index, step.get("label", who))
                if step.get("no_window"):
                    # A quiet run's step: nothing to read or answer, only its actions.
                    for action in step.get("after", []):
                        self.do_action(prefix, action, others, program)
                    continue
                code, box = self.uidriver(prefix, "--pid", pid, "--timeout", WINDOW_TIMEOUT_MS, "--wait")
                if code != 0:
                    failures.append("%s: none appeared (%s)" % (label, "program ended" if box.get("ended") else
                                                                "timeout"))
                    break
                with open(os.path.join(case_dir, "windows.jsonl"), "a") as f:
                    f.write(json.dumps(box) + "\n")
                self.shoot(shots, index, step.get("label", "window"))
                self.check_window(box, step.get("expect", {}), failures, limitations, label)
                if step.get("animated"):
                    self.check_animated(box, failures, label)
                if step.get("listed"):
                    self.check_listed(prefix, pid, box, step["listed"], case_dir, failures, label)
                if step.get("hold"):
                    continue
                for action in step.get("before_press", []):
                    self.do_action(prefix, action, others, program)
                hwnd = box["hwnd"]
                if "press" in step:
                    code, answer = self.uidriver(prefix, "--hwnd", hwnd, "--press", step["press"])
                    if code != 0:
                        failures.append("%s: cannot press %s: %s" % (label, step["press"], answer))
                        break
                elif step.get("escape"):
                    self.uidriver(prefix, "--hwnd", hwnd, "--escape")
                if step.get("ends_session"):
                    # The answer ends the session: Wine ends every process of the prefix,
                    # this driver's too, so nothing is awaited but the end of the program.
                    if self.exit_of(main, EXIT_TIMEOUT_S) is None and main[0].poll() is None:
                        failures.append("%s: the session did not end" % label)
                    break
                code, gone = self.uidriver(prefix, "--hwnd", hwnd, "--timeout", WINDOW_TIMEOUT_MS, "--wait-gone")
                if not gone.get("gone"):
                    failures.append("%s: still shown" % label)
                    break
                for action in step.get("after", []):
                    self.do_action(prefix, action, others, program)
            exit_code = self.exit_of(main, case.get("exit_timeout", EXIT_TIMEOUT_S))
            if exit_code is None and "exit" in case and case["exit"] is not None:
                code, box = self.uidriver(prefix, "--pid", main_pid, "--timeout", 1000, "--wait")
                failures.append("did not end in time" + (", showing %r" % box.get("text") if code == 0 else ""))
            if "resume" in case:
                self.resume(prefix, case["resume"], case_dir, failures)
            if case.get("session_ends"):
                self.await_session_end(prefix)
            failures.extend(self.action_failures)
            if before is not None:
                self.compare_snapshots(before, self.snapshot(prefix, case_dir, "after"), case["unchanged"], failures)
            if "windows_seen" in case:
                self.check_windows_seen(main, case["windows_seen"], failures)
            self.check_outcome(prefix, case, exit_code, others, failures)
        except CaseFailure as error:
            failures.append(str(error))
        except subprocess.TimeoutExpired as error:
            failures.append("timed out: %s" % error)
        except Exception:  # a fault of the driver ends this case only
            failures.append("driver error:\n" + traceback.format_exc())
        finally:
            prefix.end()
        elapsed = time.time() - started
        if case.get("limitation"):
            limitations.add(case["limitation"])
        if "must_fail" in case:
            # A case that proves the checks themselves: it passes when exactly the
            # expected kinds of mismatch were reported.
            missed = [w for w in case["must_fail"] if not any(w in f for f in failures)]
            log("  (expected mismatches seen: %s)" % "; ".join(failures))
            failures = ["mismatch %r not reported" % w for w in missed] + \
                       ["unexpected: " + f for f in failures if not any(w in f for w in case["must_fail"])]
        for limitation in sorted(limitations):
            log("  LIMITATION %s: %s" % (limitation, LIMITATIONS[limitation]))
        if failures:
            log("FAIL %s (%.1f s)" % (name, elapsed))
            for failure in failures:
                log("  - " + failure)
        else:
            log("ok   %s (%.1f s)" % (name, elapsed))
        # A prefix is large; what a failure needs (windows read, launcher output,
        # screenshots, the logs that the stand-ins left in C:\) stays beside it.
        drive_c = os.path.join(prefix_path, "drive_c")
        for entry in os.listdir(drive_c) if os.path.isdir(drive_c) else []:
            if entry.endswith((".log", ".txt")) and os.path.isfile(os.path.join(drive_c, entry)):
                shutil.copy(os.path.join(drive_c, entry), os.path.join(case_dir, "drive_c-" + entry))
        if not self.keep:
            shutil.rmtree(prefix_path, ignore_errors=True)
        return not failures

    def await_session_end(self, prefix):
        """After a reboot request Wine ends the session, and programs started meanwhile end
        with it: the RunOnce value is read until two readings a second apart survive."""
        key = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
        survived = 0
        for _ in range(15):
            try:
                self.uidriver(prefix, "--reg-value", "HKCU", key, "OrvaleSetup")
                survived += 1
            except CaseFailure:
                survived = 0
            if survived == 2:
                return
            time.sleep(1)
        raise CaseFailure("the session's end did not finish")

    def resume(self, prefix, expected, case_dir, failures):
        """Stands in for the next logon: the RunOnce value is read, removed and run as
        Windows would run it, and the resumed program must end by itself (no window)."""
        key = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
        # The session's end goes on after the program has ended and takes the programs
        # started meanwhile with it: the value is read until two readings a second apart
        # survive, so that the session's end is over before anything else runs.
        value, survived = None, 0
        for _ in range(15):
            try:
                _, value = self.uidriver(prefix, "--reg-value", "HKCU", key, "OrvaleSetup")
                survived += 1
            except CaseFailure:
                survived = 0
            if survived == 2:
                break
            time.sleep(1)
        if survived < 2:
            raise CaseFailure("the session's end did not finish")
        if not value.get("found") or value.get("type") != 1 or not value.get("terminated") \
                or value.get("text") != expected["runonce"]:
            failures.append("RunOnce value %r, expected REG_SZ %r with a terminating null" % (value,
                                                                                            expected["runonce"]))
            return
        prefix.run(["reg", "delete", "HKCU\\" + key, "/v", "OrvaleSetup", "/f"])
        resumed = self.launch(prefix, value["text"], os.path.join(case_dir, "launch-resumed.jsonl"))
        code = self.exit_of(resumed, EXIT_TIMEOUT_S)
        if code is None:
            code, box = self.uidriver(prefix, "--pid", resumed[1], "--timeout", 1000, "--wait")
            failures.append("the resumed run did not end%s" % (": it shows %r" % box.get("text") if code == 0 else ""))
        elif (code - (1 << 32) if code >= 1 << 31 else code) != expected["exit"]:
            failures.append("the resumed run's exit code %r, expected %r" % (code, expected["exit"]))

    def start_service(self, prefix, name):
        _, state = self.uidriver(prefix, "--timeout", 20000, "--service-start", name)
        if state.get("state") != 4:
            raise CaseFailure("service %s could not be started first: %r" % (name, state))

    def service_state(self, prefix, name, expected):
        """Polls a service until it is in the expected state (20 s at most); the last state seen."""
        deadline = time.time() + 20
        while True:
            _, state = self.uidriver(prefix, "--service-state", name)
            if state.get("state") == expected or time.time() > deadline:
                return state.get("state")
            time.sleep(0.2)

    def do_action(self, prefix, action, others, program):
        kind = action[0]
        if kind == "kill":
            result = prefix.run(["taskkill", "/f", "/im", action[1]], check=False)
            if result.returncode != 0:
                raise CaseFailure("could not end %s: %s" % (action[1], result.stdout.decode(errors="replace").strip()))
            code, seen = self.uidriver(prefix, "--timeout", 10000, "--wait-process-gone", action[1])
            if code != 0:
                raise CaseFailure("%s still runs after taskkill: %r" % (action[1], seen))
        elif kind == "release":
            with open(win_to_unix(prefix.path, action[1]), "w") as f:
                f.write("go\n")
        elif kind == "await":
            # A launched program without windows (a quiet run) is awaited to its end.
            if self.exit_of(others[action[1]], EXIT_TIMEOUT_S) is None:
                raise CaseFailure("%s did not end in time" % action[1])
        elif kind == "await_line":
            # A quiet run is followed through its decision log: polled until the text is there.
            deadline = time.time() + EXIT_TIMEOUT_S
            while action[2] not in self.read_text(prefix, action[1]):
                if time.time() > deadline:
                    raise CaseFailure("%s never held %r" % (action[1], action[2]))
                time.sleep(0.1)
        elif kind == "no_windows":
            # The program's top-level windows, listed while it runs: none.
            _, listing = self.uidriver(prefix, "--pid", others["main"][1], "--list")
            # What a person at the screen would see meanwhile.
            self.shoot(os.path.join(self.work, "shots", os.path.basename(os.path.dirname(prefix.path))), 0,
                       "while_it_runs")
            with open(os.path.join(os.path.dirname(prefix.path), "list.jsonl"), "a") as f:
                f.write(json.dumps(listing) + "\n")
            if listing.get("windows"):
                self.action_failures.append("windows listed while it runs: %r" % [
                    (w["class"], w["caption"], w["visible"]) for w in listing["windows"]])
        elif kind == "launch":
            label, args = action[1], action[2]
            quoted = '"%s"' % program if " " in program else program
            output = os.path.join(os.path.dirname(prefix.path), "launch-%s.jsonl" % label)
            others[label] = self.launch(prefix, quoted + (" " + args if args else ""), output)
        else:
            raise CaseFailure("unknown action %r" % (action,))

    def check_outcome(self, prefix, case, exit_code, others, failures):
        def to_signed(code):
            return code - (1 << 32) if code is not None and code >= 1 << 31 else code

        if case.get("exit") is not None and to_signed(exit_code) != case["exit"]:
            failures.append("exit code %r, expected %r" % (to_signed(exit_code), case["exit"]))
        for label, expected in case.get("other_exits", {}).items():
            if label not in others:
                failures.append("%s was never started" % label)
                continue
            code = to_signed(self.exit_of(others[label], EXIT_TIMEOUT_S))
            if code != expected:
                failures.append("%s exit code %r, expected %r" % (label, code, expected))
        if "wizard_log" in case:
            lines = self.read_log_lines(prefix, "C:\\wizard.log") or []
            if lines != case["wizard_log"]:
                failures.append("wizard started as %r, expected %r" % (lines, case["wizard_log"]))
        if "installers_log" in case:
            lines = self.read_log_lines(prefix, "C:\\installers.log") or []
            if lines != case["installers_log"]:
                failures.append("installers started as %r, expected %r" % (lines, case["installers_log"]))
        for path, expected in case.get("file_lines", {}).items():
            lines = self.read_log_lines(prefix, path)
            if lines != expected:
                failures.append("%s holds %r, expected %r" % (path, lines, expected))
        for path in case.get("absent", []):
            if os.path.exists(win_to_unix(prefix.path, path)):
                failures.append("%s exists" % path)
        if "runonce" in case:
            _, value = self.uidriver(prefix, "--reg-value", "HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                                     "OrvaleSetup")
            expected = case["runonce"]
            if expected is None and value.get("found"):
                failures.append("RunOnce value present: %r" % value)
            elif expected is not None:
                if not value.get("found"):
                    failures.append("no RunOnce value")
                elif value.get("type") != 1 or value.get("text") != expected or not value.get("terminated"):
                    failures.append("RunOnce value %r, expected REG_SZ %r with a terminating null" % (value, expected))
        if "log" in case:
            self.check_log(prefix, case["log"], failures)
        for name, expected in case.get("services_after", {}).items():
            state = self.service_state(prefix, name, expected)
            if state != expected:
                failures.append("service %s in state %r, expected %r" % (name, state, expected))
        for root, path, name, view, expected in case.get("registry_after", []):
            _, value = self.uidriver(prefix, "--reg-value", root, path, name, "--view", view)
            got = value.get("dword") if value.get("found") else None
            if got != expected:
                failures.append("%s\\%s value %s in the %s-bit view: %r, expected %r" % (root, path, name, view, got,
                                                                                       expected))
        # What a version read of the program's bitness sees, redirection off as the program
        # has it: the evidence behind the program's detection.
        for path, redirection_off, expected in case.get("file_versions", []):
            args = ["--file-version", path] + (["--redirection-off"] if redirection_off else [])
            _, seen = self.uidriver(prefix, *args, bits=self.tools.product_bits)
            got = seen.get("version", "error %s" % seen.get("error"))
            with open(os.path.join(os.path.dirname(prefix.path), "file-versions.jsonl"), "a") as f:
                f.write(json.dumps(seen) + "\n")
            if got != expected:
                failures.append("version read of %s (redirection %s): %s, expected %s" %
                                (path, "off" if redirection_off else "on", got, expected))
        if "decision_log" in case:
            self.check_decision_log(prefix, case["decision_log"][0], case["decision_log"][1], failures)
        if "report" in case:
            self.check_report(prefix, case["report"][0], case["report"][1], failures)
        for code, versions in case.get("related", {}).items():
            _, found = self.uidriver(prefix, "--msi-related", code)
            got = sorted(p["version"] for p in found.get("products", []))
            if got != sorted(versions):
                failures.append("products related to %s: %r, expected %r" % (code, got, sorted(versions)))

    LOG_HEAD = re.compile(r"^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                          r"\d\d \d\d:\d\d:\d\d \d{4} \[STATUS \] (.*)$")

    def decision_log_bodies(self, prefix, path):
        """The lines of a decision log without their heads, and what is wrong with its form
        (UTF-16LE with one byte order mark, CR LF, each line with the error log's head)."""
        file = win_to_unix(prefix.path, path)
        if not os.path.exists(file):
            return [], ["no decision log %s" % path]
        with open(file, "rb") as f:
            data = f.read()
        problems = []
        if not data.startswith(b"\xff\xfe") or len(data) % 2:
            problems.append("%s is not UTF-16LE with a byte order mark" % path)
        text = data[2:].decode("utf-16-le", errors="replace")
        if text and not text.endswith("\r\n"):
            problems.append("%s does not end with CR LF" % path)
        bodies = []
        for line in text.split("\r\n")[:-1] if text.endswith("\r\n") else text.split("\r\n"):
            match = self.LOG_HEAD.match(line)
            if not match:
                problems.append("line without the log's head: %r" % line)
            bodies.append(match.group(3) if match else line)
        return bodies, problems

    def check_decision_log(self, prefix, path, patterns, failures):
        """Every line, in order, matches its pattern (a regular expression, whole line)."""
        bodies, problems = self.decision_log_bodies(prefix, path)
        failures.extend(problems)
        for index, (body, pattern) in enumerate(zip(bodies, patterns)):
            if not re.fullmatch(pattern, body):
                failures.append("decision log line %d %r does not match %r" % (index + 1, body, pattern))
                return
        if len(bodies) != len(patterns):
            failures.append("decision log has %d lines, expected %d; beyond: %r" % (
                len(bodies), len(patterns), bodies[len(patterns):] or patterns[len(bodies):]))

    def check_report(self, prefix, path, expected, failures):
        file = win_to_unix(prefix.path, path)
        if not os.path.exists(file):
            failures.append("no report %s" % path)
            return
        with open(file, "rb") as f:
            raw = f.read()
        try:
            report = json.loads(raw.decode("utf-8"))
        except ValueError as error:
            failures.append("report is not JSON (%s): %r" % (error, raw[:300]))
            return
        for field in ("product", "ready", "exitCode", "allConditionsMet", "rebootPending"):
            if report.get(field) != expected[field]:
                failures.append("report %s %r, expected %r" % (field, report.get(field), expected[field]))
        conditions = report.get("conditions", [])
        got = [(c.get("name"), c.get("met")) for c in conditions]
        if got != expected["conditions"]:
            failures.append("report conditions %r, expected %r" % (got, expected["conditions"]))
        by_name = {c.get("name"): c for c in conditions}
        for name, _ in expected["conditions"]:
            message = by_name.get(name, {}).get("message")
            if message != expected.get("messages", {}).get(name, ""):
                failures.append("report message of %s %r, expected %r" % (name, message,
                                                                         expected.get("messages", {}).get(name, "")))
        for name, values in expected.get("values", {}).items():
            seen = by_name.get(name, {}).get("values", {})
            if any(seen.get(k) != v for k, v in values.items()):
                failures.append("report values of %s %r, expected %r among them" % (name, seen, values))
        got = [(p.get("name"), p.get("present"), p.get("command")) for p in report.get("prerequisites", [])]
        if got != expected["prerequisites"]:
            failures.append("report prerequisites %r, expected %r" % (got, expected["prerequisites"]))

    def check_windows_seen(self, launched, expected, failures):
        """The top-level windows that the launcher's watch saw shown, as (class, caption), in
        order; none expected means no top-level window at all, not even a hidden one (Wine
        makes a hidden "Default IME" window beside a thread's first window)."""
        with open(launched[2], "rb") as f:
            lines = [json.loads(ln) for ln in f.read().decode("utf-8", errors="replace").splitlines() if ln.strip()]
        shown = [(w["shown"]["class"], w["shown"]["caption"]) for w in lines if "shown" in w]
        made = [(w["window"]["class"], w["window"]["caption"]) for w in lines if "window" in w]
        polls = [ln["polls"] for ln in lines if "polls" in ln]
        if not polls or polls[-1] < 10:
            failures.append("the window watch did not run through the program's life: %r" % lines[-1:])
        if shown != [tuple(w) for w in expected]:
            failures.append("top-level windows shown %r, expected %r" % (shown, [tuple(w) for w in expected]))
        if not expected and made:
            failures.append("top-level windows made %r, expected none" % made)

    # ----- what a check run must leave as it is ------------------------------------------

    def snapshot(self, prefix, case_dir, when):
        """The registry (HKLM and HKCU as reg.exe exports them, read through the running
        wineserver) and every path under drive_c with its size and time of change."""
        registry = {}
        for root in ("HKLM", "HKCU"):
            target = os.path.join(case_dir, "%s-%s.reg" % (when, root))
            prefix.run(["reg", "export", root, "Z:" + target.replace("/", "\\"), "/y"], timeout=120)
            with open(target, "rb") as f:
                registry[root] = registry_values(f.read())
        files = {}
        drive_c = os.path.join(prefix.path, "drive_c")
        for root, dirs, names in os.walk(drive_c):
            relative = os.path.relpath(root, drive_c)
            for name in names + [d for d in dirs if os.path.islink(os.path.join(root, d))]:
                path = os.path.join(root, name)
                info = os.lstat(path)
                files[os.path.normpath(os.path.join(relative, name)).lower()] = (info.st_size, info.st_mtime_ns)
            for name in dirs:
                files[os.path.normpath(os.path.join(relative, name)).lower() + "/"] = None
        with open(os.path.join(case_dir, "%s-files.json" % when), "w") as f:
            json.dump(files, f, indent=0, sort_keys=True)
        return registry, files

    def compare_snapshots(self, before, after, allowed, failures):
        """allowed: the drive_c paths (relative) that may appear or change. Nothing of Wine's
        own is left out: around a check run Wine 8 changed no value and no file here."""
        (registry_before, files_before), (registry_after, files_after) = before, after
        for root in registry_before:
            old, new = registry_before[root], registry_after[root]
            changed = sorted(k for k in set(old) | set(new) if (k in old, old.get(k)) != (k in new, new.get(k)))
            for key in changed[:10]:
                failures.append("registry %s %s: %s, then %s" % (root, key, old.get(key, "absent"),
                                                                new.get(key, "absent")))
        allowed = [a.lower() for a in allowed]
        for path in sorted(set(files_before) | set(files_after)):
            if path in allowed:
                continue
            if path not in files_before:
                failures.append("new in drive_c: %s" % path)
            elif path not in files_after:
                failures.append("gone from drive_c: %s" % path)
            elif files_before[path] != files_after[path]:
                failures.append("changed in drive_c: %s %r, then %r" % (path, files_before[path], files_after[path]))
        for path in allowed:
            if path not in files_after:
                failures.append("expected in drive_c: %s" % path)

    def check_log(self, prefix, expected, failures):
        file = win_to_unix(prefix.path, "C:\\ProgramData\\Orvale\\Setup\\Temp\\StowenBootstrap.log")
        if expected is None:
            if os.path.exists(file):
                failures.append("log file written")
            return
        if not os.path.exists(file):
            failures.append("no log file")
            return
        with open(file, "rb") as f:
            data = f.read()
        text = data.decode("utf-16-le", errors="replace")
        _, message = self.uidriver(prefix, "--format-message", expected)
        line = "[ERROR  ] Catch OvWinError. ErrorCode: %d Error: %s\r\n" % (expected, message["text"])
        if len(data) % 2 or line not in text:
            failures.append("log %r does not hold %r" % (text, line))

    # ----- the run ---------------------------------------------------------------------

    def run(self, selected):
        os.makedirs(self.work, exist_ok=True)
        if self.arch == "x86":
            log("testing the x86 build under WOW64: %s" % self.tools.product())
        else:
            log("testing the x64 build: %s (WOW64 is not exercised: no registry or file-system redirection)" %
                self.tools.product())
        self.display = Display()
        self.display.start()
        try:
            try:
                self.template = make_template(self.work, self.display.name, self.tools)
            except SetupFailure as error:
                log("FAIL no case was run: %s" % error)
                return 1
            results = [self.run_case(case) for case in selected]
        finally:
            self.display.stop()
        passed = sum(1 for r in results if r)
        failed = sum(1 for r in results if r is False)
        skipped = sum(1 for r in results if r is None)
        log("%d passed, %d failed, %d skipped (%s build)" % (passed, failed, skipped, self.arch))
        return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", choices=["x86", "x64"], default=os.environ.get("OV_WINE_ARCH") or "x86",
                        help="the Setup.exe under test: x86 under WOW64 (default; OV_WINE_ARCH overrides) or x64")
    parser.add_argument("--bin64", default=os.path.join(SOURCE_DIR, "build", "windows-x64", "bin"))
    parser.add_argument("--bin32", default=os.path.join(SOURCE_DIR, "build", "windows-x86", "bin"))
    parser.add_argument("--work", default=os.path.join(SOURCE_DIR, "build", "wine"))
    parser.add_argument("--case", action="append", help="run only this case (repeatable)")
    parser.add_argument("--only-smoke", action="store_true", help="run only the cases that prove the machinery")
    parser.add_argument("--list", action="store_true", help="list the cases and stop")
    parser.add_argument("--keep", action="store_true", help="keep the prefix of every case")
    parser.add_argument("--probe", action="store_true",
                        help="only tell whether 32-bit programs can run under Wine here (exit 0) or why not (exit 1)")
    args = parser.parse_args()
    if args.probe:
        reason = wow64_unavailable()
        print(reason or "32-bit programs run under Wine here (%s --version works)" % WINE32)
        return 1 if reason else 0
    if args.arch not in ("x86", "x64"):
        parser.error("OV_WINE_ARCH must be x86 or x64, not %r" % args.arch)
    args.work = os.path.abspath(args.work)  # Wine takes only an absolute prefix path
    all_cases = case_table.SMOKE + case_table.CASES
    if args.list:
        for case in all_cases:
            print(case["name"])
        return 0
    if args.case:
        known = {c["name"]: c for c in all_cases}
        unknown = [n for n in args.case if n not in known]
        if unknown:
            print("unknown case: " + ", ".join(unknown), file=sys.stderr)
            return 2
        selected = [known[n] for n in args.case]
    elif args.only_smoke:
        selected = case_table.SMOKE
    else:
        selected = case_table.CASES
    tools = Tools(args.bin64, args.bin32, args.arch)
    if not os.path.exists(tools.product()):
        print("SKIP: %s is not built" % tools.product())
        return SKIP_CODE
    needed = {(name, 64) for name in ("uidriver.exe", "wizardstub.exe", "installerstub.exe", "idle.exe")}
    if args.arch == "x86":
        needed.add(("uidriver.exe", 32))
    for case in selected:
        if case.get("needs_wow64") and args.arch != "x86":
            continue
        case = for_arch(case, args.arch)
        needed.add((case.get("program", "Setup.exe"), program_bits(case, tools)))
        needed |= {(p["from"], p.get("bits", 64)) for p in case.get("plant", {}).values() if "from" in p}
        needed |= {("decoy/" + dll, program_bits(case, tools)) for dll in case.get("decoys", [])}
    missing = [tools.path(n, b) for n, b in sorted(needed) if not os.path.exists(tools.path(n, b))]
    if missing:
        print("missing test programs: %s" % ", ".join(missing), file=sys.stderr)
        return 2
    if args.arch == "x86":
        reason = wow64_unavailable()
        if reason:
            # Not a skip: the shipped build cannot be tested here, and nothing may look passed.
            print("FAIL: the x86 Setup.exe cannot run under WOW64 here: %s. OV_WINE_ARCH=x64 (or --arch x64) "
                  "runs the cases on the x64 build instead." % reason)
            return 1
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    return Runner(args).run(selected)


if __name__ == "__main__":
    sys.exit(main())

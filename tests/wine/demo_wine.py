#!/usr/bin/env python3
"""Runs the shipped x86 Setup.exe under Wine's WOW64 on the demo media.

Where 32-bit programs cannot run under Wine (a kernel without IA-32 emulation, or no
32-bit Wine), the x64 build is shown instead, and the first line says so. The UI driver
and the stand-ins are the 64-bit builds.

The machine is the demo's: a single-processor Windows Server 2008 R2 with Keldora 6.5 and
Maritane 7.0 installed and no .NET Framework 4.0. The wizard and the .NET installer are the
end-to-end tests' stand-ins (the installer makes .NET present and asks for a reboot). The
windows appear on $DISPLAY when it is set, otherwise on a private Xvfb. With --answers the
windows are answered in order (yes, no, ok, cancel, retry, reboot, escape); without it they
are left to the person at the display. Each window is photographed and the path printed.
After an accepted reboot the registered RunOnce command line is run, as the next logon would.

    tools/demo --wine [--answers yes,ok,reboot,yes] [Setup.exe arguments...]
    OV_WINE_ARCH=x64 tools/demo --wine ...     the x64 build
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run_case  # noqa: E402

SOURCE_DIR = run_case.SOURCE_DIR
RUNONCE = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
ANSWERS = {"yes": 6, "no": 7, "ok": 1, "cancel": 2, "retry": 4, "reboot": 1}
# What demo/machine.json says is installed, as real packages.
INSTALLED = [
    {"file": "keldora-6.5.msi", "name": "Keldora Server", "version": "6.5.0.0",
     "upgrade_code": "{6F1D8A20-3B4C-4E5D-9A6B-7C8D9E0F1A2B}"},
    {"file": "maritane-7.0.msi", "name": "Maritane Console", "version": "7.0.0.690",
     "upgrade_code": "{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}"},
]
NET_INSTALLER = "Redistr/dotNetFx40_Full_x86_x64.exe"
WINDOW_WAIT_MS = 30000


def say(text):
    print(text, flush=True)


class Demo:
    def __init__(self, args):
        self.args = args
        self.answers = [a.strip().lower() for a in args.answers.split(",") if a.strip()] if args.answers else None
        self.shots = os.path.join(args.work, "shots")
        self.shot_count = 0
        self.display = None
        self.display_name = None
        self.prefix = None
        self.online = None
        self.tools = run_case.Tools(args.bin64, args.bin32, args.arch)

    def tool(self, name):
        return self.tools.product() if name == "Setup.exe" else self.tools.path(name)

    def uidriver(self, *args, timeout=120):
        result = self.prefix.run(["C:\\Tools\\uidriver.exe"] + [str(a) for a in args], timeout=timeout, check=False)
        lines = [ln for ln in result.stdout.decode("utf-8", errors="replace").splitlines() if ln.strip()]
        return result.returncode, (json.loads(lines[-1]) if lines else {})

    def set_up(self):
        needed = [self.tool(n) for n in ["Setup.exe", "uidriver.exe", "wizardstub.exe", "installerstub.exe"]]
        if self.args.arch == "x86":
            needed.append(self.tools.path("uidriver.exe", 32))  # the prefix's WOW64 check runs it
        for path in needed:
            if not os.path.exists(path):
                raise SystemExit("missing %s: build the windows-x86 and windows-x64 presets first" % path)
        if not os.path.exists(os.path.join(self.args.media, "KDRSettings.xml")):
            raise SystemExit("no demo media in %s: build the host target demo_media first" % self.args.media)
        os.makedirs(self.args.work, exist_ok=True)
        shutil.rmtree(self.shots, ignore_errors=True)
        if os.environ.get("DISPLAY") and not self.args.xvfb:
            self.display_name = os.environ["DISPLAY"]
        else:
            self.display = run_case.Display()
            self.display_name = self.display.start()
        say("display %s%s" % (self.display_name, " (private Xvfb)" if self.display else ""))
        say("Setup.exe: %s" % self.tools.product())
        try:
            prefix_path = run_case.make_template(self.args.work, self.display_name, self.tools)
        except run_case.SetupFailure as error:
            raise SystemExit("the Wine prefix is not usable: %s" % error)
        self.prefix = run_case.Prefix(prefix_path, self.display_name)
        self.prefix.server("-p")
        drive = os.path.join(prefix_path, "drive_c")
        media = os.path.join(drive, "Media")
        shutil.copytree(self.args.media, media)
        shutil.copy(self.tool("Setup.exe"), os.path.join(media, "Setup", "Setup.exe"))
        shutil.copy(self.tool("wizardstub.exe"), os.path.join(media, "Setup", "SetupWizard.dat"))
        shutil.copy(self.tool("installerstub.exe"), os.path.join(media, NET_INSTALLER))
        with open(os.path.join(media, NET_INSTALLER + ".ctl"), "w") as f:
            f.write("net=1\nexit=3010\nsleep=3000\n")
        tools = os.path.join(drive, "Tools")
        os.makedirs(tools)
        shutil.copy(self.tool("uidriver.exe"), tools)
        self.prefix.reg_add("HKCU\\Software\\Wine", "Version", "REG_SZ", "win2008r2")
        for package in INSTALLED:
            built = run_case.build_package(self.args.work, package)
            shutil.copy(built, os.path.join(tools, package["file"]))
            self.prefix.run(["msiexec", "/i", "C:\\Tools\\" + package["file"], "/qn"], timeout=120)
        # One processor, as on the demo machine: a private mount namespace (needs root).
        self.online = os.path.join(self.args.work, "cpu-online")
        with open(self.online, "w") as f:
            f.write("0\n")
        probe = subprocess.run(["unshare", "-m", "true"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if probe.returncode != 0:
            say("cannot make a private mount namespace: the program sees all processors of this machine")
            self.online = None

    def shoot(self, box):
        os.makedirs(self.shots, exist_ok=True)
        self.shot_count += 1
        left, top, right, bottom = box["rect"]
        label = (box.get("caption") or "progress").replace(" ", "_")
        path = os.path.join(self.shots, "%02d-%s.png" % (self.shot_count, label))
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage", path], env={"DISPLAY": self.display_name, "PATH": os.environ["PATH"]},
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
        return path

    def answer(self, box):
        """Answers one window; returns the answer given, or None when it was left open."""
        buttons = {b["id"] for b in box.get("buttons", [])}
        if not buttons:
            return None  # the progress window: it goes by itself
        if self.answers is None:
            say("    answer it on display %s" % self.display_name)
            return "person"
        if not self.answers:
            raise SystemExit("no answer left for this window; give more with --answers")
        given = self.answers.pop(0)
        if given == "escape":
            self.uidriver("--hwnd", box["hwnd"], "--escape")
        elif ANSWERS.get(given) in buttons:
            self.uidriver("--hwnd", box["hwnd"], "--press", ANSWERS[given])
        else:
            raise SystemExit("answer %r does not fit this window (buttons %s)" % (given, sorted(buttons)))
        say("    answered: %s" % given)
        return given

    def run_once(self, command_line, label):
        say("%s: %s" % (label, command_line))
        output = os.path.join(self.args.work, "launch-%s.jsonl" % label)
        proc = self.prefix.start(["C:\\Tools\\uidriver.exe", "--launch", command_line], output, self.online)
        pid = None
        deadline = time.time() + 30
        while pid is None and time.time() < deadline:
            with open(output, "rb") as f:
                first = f.readline().decode("utf-8", errors="replace")
            if first.endswith("\n"):
                pid = json.loads(first).get("pid")
                if pid is None:
                    raise SystemExit("could not start: " + first.strip())
            time.sleep(0.05)
        reboot_accepted = False
        while proc.poll() is None:
            code, box = self.uidriver("--pid", pid, "--timeout", WINDOW_WAIT_MS, "--wait")
            if code != 0:
                if box.get("ended") or not box:
                    break
                continue
            say("  window %r: %s" % (box.get("caption", ""), box.get("text", "").replace("\n", " / ")))
            say("    screenshot %s" % self.shoot(box))
            given = self.answer(box)
            if given == "reboot":
                reboot_accepted = True
                break  # Wine ends the session: no more windows to wait for
            timeout = 600000 if given == "person" else WINDOW_WAIT_MS
            self.uidriver("--hwnd", box["hwnd"], "--timeout", timeout, "--wait-gone", timeout=timeout / 1000 + 30)
        try:
            proc.wait(60)
        except subprocess.TimeoutExpired:
            raise SystemExit("the program did not end")
        with open(output, "rb") as f:
            lines = [json.loads(ln) for ln in f.read().decode("utf-8", errors="replace").splitlines() if ln.strip()]
        exits = [ln["exit"] for ln in lines if "exit" in ln]
        if exits:
            code = exits[-1] - (1 << 32) if exits[-1] >= 1 << 31 else exits[-1]
            say("  exit code %d" % code)
        else:
            say("  the session ended (reboot)")
        return reboot_accepted or not exits

    def registered_run_once(self):
        # The session's end goes on for a moment after the program ended, and takes what
        # runs meanwhile with it: two readings a second apart must survive.
        survived, value = 0, {}
        for _ in range(15):
            code, value = self.uidriver("--reg-value", "HKCU", RUNONCE, "OrvaleSetup")
            survived = survived + 1 if value else 0
            if survived == 2:
                return value.get("text") if value.get("found") else None
            time.sleep(1)
        return None

    def report_file(self, path, title):
        file = run_case.win_to_unix(self.prefix.path, path)
        if os.path.exists(file):
            with open(file, encoding="utf-8", errors="replace") as f:
                for line in f.read().splitlines():
                    say("%s: %s" % (title, line))

    def run(self):
        self.set_up()
        command = "C:\\Media\\Setup\\Setup.exe" + ("".join(" " + a for a in self.args.setup_args))
        session_ended = self.run_once(command, "run")
        if session_ended:
            registered = self.registered_run_once()
            if registered:
                say("RunOnce value: %s (run now, standing in for the next logon)" % registered)
                self.prefix.run(["reg", "delete", "HKCU\\" + RUNONCE, "/v", "OrvaleSetup", "/f"])
                self.run_once(registered, "resumed")
        self.report_file("C:\\installers.log", "installer started")
        self.report_file("C:\\wizard.log", "wizard started")
        log = run_case.win_to_unix(self.prefix.path, "C:\\ProgramData\\Orvale\\Setup\\Temp\\StowenBootstrap.log")
        if os.path.exists(log):
            with open(log, "rb") as f:
                say("log: " + f.read().decode("utf-16-le", errors="replace").strip())
        if self.shot_count:
            say("screenshots in %s" % self.shots)

    def close(self):
        if self.prefix:
            self.prefix.end()
        if self.display:
            self.display.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--answers", help="comma-separated answers: yes, no, ok, cancel, retry, reboot, escape")
    parser.add_argument("--xvfb", action="store_true", help="use a private Xvfb even when $DISPLAY is set")
    parser.add_argument("--arch", choices=["x86", "x64"], default=os.environ.get("OV_WINE_ARCH") or "x86",
                        help="the Setup.exe shown: x86 under WOW64 (default) or x64")
    parser.add_argument("--bin64", default=os.path.join(SOURCE_DIR, "build", "windows-x64", "bin"))
    parser.add_argument("--bin32", default=os.path.join(SOURCE_DIR, "build", "windows-x86", "bin"))
    parser.add_argument("--media", default=os.path.join(SOURCE_DIR, "build", "host", "demo", "media"))
    parser.add_argument("--work", default=os.path.join(SOURCE_DIR, "build", "wine", "demo"))
    parser.add_argument("setup_args", nargs="*", help="arguments for Setup.exe (for instance: maritane)")
    args = parser.parse_args()
    if args.arch == "x86":
        reason = run_case.wow64_unavailable()
        if reason:
            say("32-bit programs cannot run under Wine here (%s): showing the x64 Setup.exe instead" % reason)
            args.arch = "x64"
    demo = Demo(args)
    try:
        demo.run()
    finally:
        demo.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

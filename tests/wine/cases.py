"""The end-to-end cases: machine state, media, expected windows with their answers, outcome.

A case is a dict:
  name, args (text after the program path), program (default Setup.exe), media (folder
  holding Setup\\, default C:\\Media\\), version (Wine's Windows version name), dotnet
  (the .NET 4 state present, default True), wizard (SetupWizard.dat laid out, default
  True), wizard_exit, settings {file: text}, installers {path under Redistr\\: control
  file text}, plant {windows path: {from: program, ctl: control text}}, processes
  (image names started before the program), registry [(key, name, type, data[, view "32"
  or "64"])], services_before (services started before the program), steps (below), and
  the outcome: exit (None:
  not checked), other_exits {label: code}, wizard_log and installers_log (lines; [] also
  means no file), runonce (None: no value; text: REG_SZ with a terminating null), log
  (None: no file; a number: the error line for that code), absent (paths), related
  {upgrade code: [installed versions]}, resume {runonce: the value expected, exit: code of
  the run of that value, standing in for the next logon}, services_after {name: state},
  registry_after [(root, path, name, view, DWORD or None for no value)], file_versions
  [(path, redirection off, "a.b.c.d" or "error N")] (what a version read of the program's
  bitness sees).
A step: of (main or a label given to a launch), label, expect {caption, text, buttons
  [(id, text)], controls [(class, id)], topmost, topmost_limitation, centred}, animated (the
  animation control's picture changes), listed [(class, id)] (children in the --list output),
  then one of press ID, escape, hold (leave it open, answer it by a later step); ends_session
  (the answer ends the Wine session: the program's end is awaited, no later step); before
  (actions before the window is awaited), before_press, after: ("kill", image name) or
  ("launch", label, args) or ("release", path): lays down the file that an installer stand-in
  with wait= waits for.
decoys: DLL names (version.dll, msi.dll) whose decoys are laid beside the program; a decoy
  that is loaded writes C:\\decoy-loaded.txt. dll_overrides: WINEDLLOVERRIDES for the case.
local_folder: a "<program>.local" folder beside the program. file_lines {path: the UTF-8
  lines the file must hold}. limitation: the name of a Wine limitation the case shows.
unquoted (smoke only): the program path is not quoted even when it holds a blank.
program_bits: 32 runs the 32-bit build of a test program (Setup.exe is of the build under
  test); needs_wow64: the case is skipped, and reported so, when the x64 build is tested.
plant values: {from: program or DLL of the builds (bits 32 or 64, default 64), ctl} or
  {copy_of: a file of the prefix, copied before the other plants}.
Any value may be a ByArch(x86=..., x64=...) where the two builds must differ.
must_fail (smoke only): the kinds of mismatch that the case must make the checks report.
"""

import re


class ByArch:
    """A value that differs between the x86 build under WOW64 and the x64 build."""

    def __init__(self, x86, x64):
        self.values = {"x86": x86, "x64": x64}


KDR = "Keldora"
MT = "Maritane"
WIZARD = '"C:\\Media\\Setup\\SetupWizard.dat"'
NET_INSTALLER = "dotNetFx40_Full_x86_x64.exe"
NET_COMMAND = ('"C:\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe" /q /norestart /log '
               '"C:\\ProgramData\\Orvale\\Setup\\Temp\\NET40.htm"')

EMPTY_SETTINGS = '<?xml version="1.0" encoding="utf-8"?>\n<settings>\n</settings>\n'
DEFAULT_SETTINGS = {"KDRSettings.xml": EMPTY_SETTINGS, "MTSettings.xml": EMPTY_SETTINGS}
DEFAULT_INSTALLERS = {NET_INSTALLER: "", "x64\\wic_x64_enu.exe": ""}

REBOOT_TEXT = ("Computer reboot is required before installation can continue. "
               "Setup will restart automatically after reboot.")


def net_question(product=KDR):
    return {"caption": product, "buttons": [(1, "OK"), (2, "Cancel")],
            "text": "Please install .NET Framework 4.0 to proceed with %s installation.\n"
                    "Click OK to install this prerequisite." % product}


def stop_box(product, text):
    return {"caption": product, "text": text, "buttons": [(1, "OK")], "topmost": True,
            "topmost_limitation": "msgbox-topmost"}


def os_refused(product=KDR):
    return stop_box(product, "Your operating system is not supported by %s. See documentation for more details." % product)


NET_FAILED = stop_box(KDR, "Setup was unable to install Microsoft .NET Framework 4.0, which is a required prerequisite "
                           "for Keldora Setup. You need to manually install .NET Framework and re-run Keldora setup.")
ONE_INSTANCE = stop_box(KDR, "Only one instance of Keldora Setup is allowed.")
FILES_LOCKED = {"caption": KDR, "buttons": [(4, "Retry"), (2, "Cancel")],
                "text": "Keldora setup cannot proceed because some files are locked. Please close the user interface, "
                        "and try again. Click 'Retry' to retry or 'Cancel' to exit the setup."}
CORES = {"caption": KDR, "buttons": [(6, "Yes"), (7, "No")],
         "text": "CPU does not meet minimum system requirements. Less than 2 processor cores (or 2 vCPU) detected. "
                 "Data processing perfomance may be affected. Continue anyway?"}
NET_PROGRESS_LISTED = [("SysAnimate32", 602)]
NET_PROGRESS = {"caption": "", "buttons": [], "controls": [("SysAnimate32", 602)], "centred": True,
                "text": "Please wait while .NET Framework 4.0 is being installed.\nThis may take a few minutes."}
REBOOT = {"caption": "Orvale Suite setup", "text": REBOOT_TEXT, "buttons": [(1, "Reboot"), (2, "Cancel")],
          "topmost": True, "centred": True}


DECOYS = ["version.dll", "msi.dll"]
DECOY_OVERRIDES = "version,msi=n,b;mscoree,mshtml="
# Wine's own user32.dll imports version.dll, so a native version.dll is taken from the
# program's folder by the loader before the program's first instruction: only msi.dll's
# decoy can show what the program's own search does.
MSI_DECOY_OVERRIDES = "msi=n,b;mscoree,mshtml="
DECOY_MARK = "C:\\decoy-loaded.txt"


# An installer stand-in stays until the progress window has been read and checked: the
# case's progress step then lays down this file (the step's release action).
RELEASE = "C:\\release-installer"


def progress(expect, **checks):
    """The progress window, checked while the installer runs, then released to go."""
    step = {"label": "progress", "expect": expect, "before_press": [("release", RELEASE)]}
    step.update(checks)
    return step


def net_installer(exit_code=0, installs=True):
    return {NET_INSTALLER: "net=%d\nexit=%d\nwait=%s\nsleep=0\n" % (1 if installs else 0, exit_code, RELEASE),
            "x64\\wic_x64_enu.exe": ""}


def straight(name, args, argument, **extra):
    """Everything present: no window, the wizard gets the argument text, exit 0."""
    case = {"name": name, "args": args, "steps": [], "exit": 0, "wizard_log": [WIZARD + " " + argument],
            "installers_log": [], "runonce": None, "log": None}
    case.update(extra)
    return case


def net_missing(name, steps, **outcome):
    case = {"name": name, "args": "x", "dotnet": False, "steps": steps, "log": None}
    case.update(outcome)
    return case


def refused(name, steps, **extra):
    case = {"name": name, "steps": steps, "exit": -1, "wizard_log": [], "installers_log": [], "runonce": None,
            "log": None}
    case.update(extra)
    return case


SMOKE = [
    {"name": "smoke_message_box", "program": "boxtest.exe", "args": "", "exit": 2, "log": None,
     "steps": [{"label": "box", "press": 2,
                "expect": {"caption": "Box test", "text": "First line \u00e9\nSecond line",
                           "buttons": [(1, "OK"), (2, "Cancel")]}}]},
    {"name": "smoke_message_box_escape", "program": "boxtest.exe", "args": "", "exit": 2,
     "steps": [{"label": "box", "escape": True, "expect": {"caption": "Box test"}}]},
    {"name": "smoke_dialog_animation", "program": "boxtest.exe", "args": "dialog", "exit": 1,
     "steps": [{"label": "dialog", "press": 1, "animated": True, "listed": [("SysAnimate32", 602), ("Button", 1)],
                "expect": {"caption": "Box test dialog", "text": "Animation under test", "buttons": [(1, "Done")],
                           "controls": [("SysAnimate32", 602)]}}]},
    # Two programs at once: the first box stays open while the second is answered.
    {"name": "smoke_two_programs", "program": "boxtest.exe", "args": "", "exit": 2, "other_exits": {"second": 1},
     "steps": [{"label": "first_waits", "expect": {"caption": "Box test"}, "hold": True},
               {"label": "second", "of": "second", "before": [("launch", "second", "")], "press": 1,
                "expect": {"caption": "Box test"}},
               {"label": "first_answered", "press": 2, "expect": {"caption": "Box test"}}]},
    # The RunOnce reader sees a value as reg.exe stores it (REG_SZ with its terminating null).
    {"name": "smoke_runonce_reader", "program": "boxtest.exe", "args": "", "exit": 1,
     "registry": [("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "OrvaleSetup", "REG_SZ",
                   "C:\\Media\\Setup\\Setup.exe maritane /pass")],
     "runonce": "C:\\Media\\Setup\\Setup.exe maritane /pass",
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test"}}]},
    # The launcher passes a command line unchanged and reports a full 32-bit exit code.
    {"name": "smoke_exact_command_line", "program": "wizardstub.exe", "args": 'a  "b c"', "exit": -1,
     "plant": {"C:\\Media\\Setup\\wizardstub.exe": {"from": "wizardstub.exe", "ctl": "exit=4294967295\n"}},
     "wizard_log": ['C:\\Media\\Setup\\wizardstub.exe a  "b c"'], "steps": []},
    # Packages made by wixl and installed by msiexec are found by their upgrade code.
    {"name": "smoke_installed_products", "program": "boxtest.exe", "args": "", "exit": 1,
     "packages": [{"file": "keldora-old.msi", "name": "Keldora", "version": "6.5.0.100", "install": True,
                   "upgrade_code": "{5A1E6C3B-0D2F-4B7A-9C41-7E2D8F3A6B15}"},
                  {"file": "keldora.msi", "name": "Keldora", "version": "7.0.0.690", "media_path": "Keldora\\Keldora.msi",
                   "upgrade_code": "{5A1E6C3B-0D2F-4B7A-9C41-7E2D8F3A6B15}"}],
     "related": {"{5A1E6C3B-0D2F-4B7A-9C41-7E2D8F3A6B15}": ["6.5.0.100"], "{0B7D2E4F-1A3C-4E5B-8D6F-9A0B1C2D3E4F}": []},
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test"}}]},
    # A private mount namespace makes Wine see one processor.
    {"name": "smoke_one_processor", "program": "boxtest.exe", "args": "processors", "cpus_online": "0", "exit": 1,
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test", "text": "processors: 1"}}]},
    # A process started for the case can be ended by its image name, and only once.
    {"name": "smoke_process_ended", "program": "boxtest.exe", "args": "", "exit": 1, "processes": ["OrvaleAgent.exe"],
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test"},
                "before_press": [("kill", "OrvaleAgent.exe")]}]},
    {"name": "smoke_process_end_twice_reported", "program": "boxtest.exe", "args": "", "exit": 1,
     "processes": ["OrvaleAgent.exe"], "must_fail": ["could not end OrvaleAgent.exe"],
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test"},
                "before_press": [("kill", "OrvaleAgent.exe"), ("kill", "OrvaleAgent.exe")]}]},
    # The Windows version set for a case reaches the program (this one has no manifest).
] + [
    {"name": "smoke_version_" + version, "program": "boxtest.exe", "args": "version", "version": version, "exit": 1,
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test", "text": text}}]}
    for version, text in [("vista", "version 6.0 type 1"), ("win2008", "version 6.0 type 3"),
                          ("win2003", "version 5.2 type 3"), ("win10", "version 6.2 type 1")]
] + [
    # A planted C:\\My.exe is what an unquoted path under C:\\My Media\\ starts, and the check sees it.
    {"name": "smoke_planted_program_reported", "program": "boxtest.exe", "args": "", "media": "C:\\My Media\\",
     "unquoted": True, "exit": 0, "absent": ["C:\\planted.log"], "must_fail": ["C:\\planted.log exists"],
     "plant": {"C:\\My.exe": {"from": "installerstub.exe", "ctl": "log=C:\\planted.log\nsleep=0\n"}}, "steps": []},
    # Decoys beside a program that loads version.dll and msi.dll with the default search are
    # loaded (Wine takes a native DLL from the program's folder when told to), and the check
    # sees their mark.
    {"name": "smoke_decoy_loaded_reported", "program": "boxtest.exe", "args": "load", "exit": 1,
     "decoys": ["msi.dll"], "dll_overrides": MSI_DECOY_OVERRIDES, "absent": [DECOY_MARK],
     "must_fail": [DECOY_MARK + " exists"],
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test", "text": "loaded"}}]},
    # The same with a 32-bit program and 32-bit decoys, as the x86 Setup.exe would meet them.
    {"name": "smoke_decoy_loaded_reported_32bit", "program": "boxtest.exe", "program_bits": 32, "needs_wow64": True,
     "args": "load", "exit": 1, "decoys": ["msi.dll"], "dll_overrides": MSI_DECOY_OVERRIDES, "absent": [DECOY_MARK],
     "must_fail": [DECOY_MARK + " exists"],
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test", "text": "loaded"}}]},
    # The logical-processor records are 24 bytes long in a 32-bit process and 32 in a
    # 64-bit one; both list the one processor of the private mount namespace.
    {"name": "smoke_processor_records_32bit", "program": "boxtest.exe", "program_bits": 32, "needs_wow64": True,
     "args": "records", "cpus_online": "0", "exit": 1,
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test", "text": "records of 24 bytes, 1 cores"}}]},
    {"name": "smoke_processor_records_64bit", "program": "boxtest.exe", "args": "records", "cpus_online": "0", "exit": 1,
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test", "text": "records of 32 bytes, 1 cores"}}]},
    # The window watch sees a box that a program shows, and says so where none is expected.
    {"name": "smoke_window_watch_reported", "program": "boxtest.exe", "args": "", "exit": 1, "windows_seen": [],
     "must_fail": ["top-level windows shown", "top-level windows made"],
     "steps": [{"label": "box", "press": 1, "expect": {"caption": "Box test"}}]},
    # The comparison of registry and drive C before and after a run sees a value and a file
    # that a program adds.
    {"name": "smoke_changes_reported", "program": "installerstub.exe", "args": "", "exit": 0, "dotnet": False,
     "unchanged": [], "must_fail": ["registry HKLM", "new in drive_c: installers.log"],
     "plant": {"C:\\Media\\Setup\\installerstub.exe": {"from": "installerstub.exe", "ctl": "net=1\nsleep=0\n"}},
     "steps": []},
    # The checks must see a wrong caption, wrong buttons, a wrong exit code and a missing wizard.
    {"name": "smoke_mismatches_reported", "program": "boxtest.exe", "args": "", "exit": 1, "wizard_log": ["never"],
     "must_fail": ["caption", "buttons", "exit code", "wizard started"],
     "steps": [{"label": "box", "press": 2, "expect": {"caption": "Other", "buttons": [(1, "OK")]}}]},
]

CASES = [
    # Everything present: straight to the wizard with the argument text of the command line.
    straight("keldora_one_token", "x", "KDRSettings.xml", wizard_exit=7),
    straight("keldora_two_tokens", "keldora /pass", "KDRSettings.xml /pass"),
    straight("keldora_three_tokens", "a b c", "KDRSettings.xml"),
    straight("keldora_double_blank", "a  b", "KDRSettings.xml"),
    straight("keldora_selector_prefix", "maritanex", "KDRSettings.xml"),
    straight("maritane_one_token", "maritane", "MTSettings.xml"),
    straight("maritane_two_tokens_capitals", "MARITANE /pass", "MTSettings.xml /pass"),
    straight("maritane_three_tokens", "maritane a b", "MTSettings.xml"),
    # A missing wizard is a system failure: logged, -1.
    straight("wizard_missing", "x", "", wizard=False, exit=-1, wizard_log=[], log=2),
    # .NET Framework 4.0 missing.
    net_missing("net_missing_cancel", [{"label": "question", "expect": net_question(), "press": 2}],
                exit=-1, wizard_log=[], installers_log=[], runonce=None),
    net_missing("net_missing_escape", [{"label": "question", "expect": net_question(), "escape": True}],
                exit=-1, wizard_log=[], installers_log=[], runonce=None),
    net_missing("net_missing_installed",
                [{"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS, listed=NET_PROGRESS_LISTED)],
                installers=net_installer(), exit=0, wizard_log=[WIZARD + " KDRSettings.xml"],
                installers_log=[NET_COMMAND], runonce=None),
    net_missing("net_installs_nothing",
                [{"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS),
                 {"label": "failure", "expect": NET_FAILED, "press": 1}],
                installers=net_installer(installs=False), exit=-1, wizard_log=[], installers_log=[NET_COMMAND],
                runonce=None),
    net_missing("net_1641_no_reboot",
                [{"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS)],
                installers=net_installer(exit_code=1641), exit=0, wizard_log=[WIZARD + " KDRSettings.xml"],
                installers_log=[NET_COMMAND], runonce=None),
    net_missing("net_3010_reboot_cancel",
                [{"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS),
                 {"label": "reboot", "expect": REBOOT, "press": 2}],
                installers=net_installer(exit_code=3010), exit=0, wizard_log=[], installers_log=[NET_COMMAND],
                runonce=None),
    net_missing("net_3010_reboot_escape",
                [{"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS),
                 {"label": "reboot", "expect": REBOOT, "escape": True}],
                installers=net_installer(exit_code=3010), exit=0, wizard_log=[], runonce=None),
    # Reboot accepted: Wine ends every process of the prefix, so the exit code is not seen.
    # The next logon is stood in for by running the RunOnce value: .NET is then present and
    # the wizard starts with the pass-through token.
    net_missing("net_3010_reboot_accepted",
                [{"label": "question", "expect": net_question(MT), "press": 1},
                 progress(NET_PROGRESS),
                 {"label": "reboot", "expect": REBOOT, "press": 1, "ends_session": True}],
                args="maritane /pass", installers=net_installer(exit_code=3010), exit=None,
                resume={"runonce": "C:\\Media\\Setup\\Setup.exe maritane /pass", "exit": 0},
                wizard_log=[WIZARD + " MTSettings.xml /pass"], installers_log=[NET_COMMAND]),
    # A running product process: Retry while it runs asks again; after it ends Retry goes on.
    {"name": "agent_running_retry", "args": "x", "processes": ["OrvaleAgent.exe"],
     "steps": [{"label": "locked", "expect": FILES_LOCKED, "press": 4},
               {"label": "locked_again", "expect": FILES_LOCKED, "before_press": [("kill", "OrvaleAgent.exe")],
                "press": 4}],
     "exit": 0, "wizard_log": [WIZARD + " KDRSettings.xml"], "log": None},
    refused("agent_running_cancel", [{"label": "locked", "expect": FILES_LOCKED, "press": 2}], args="x",
            processes=["orvaleagent.exe"]),
    straight("agent_running_maritane_not_checked", "maritane", "MTSettings.xml", processes=["OrvaleAgent.exe"]),
    # Windows versions.
    refused("os_vista_refused", [{"label": "os", "expect": os_refused(), "press": 1}], args="x", version="vista"),
    refused("os_win2003_refused", [{"label": "os", "expect": os_refused(), "press": 1}], args="x", version="win2003"),
    refused("os_vista_refused_maritane", [{"label": "os", "expect": os_refused(MT), "press": 1}], args="maritane",
            version="vista"),
    straight("os_win2008_passes", "x", "KDRSettings.xml", version="win2008"),
    straight("os_win10_passes", "x", "KDRSettings.xml", version="win10"),
    # One processor: the main product asks whether to go on; the companion product does not ask.
    {"name": "one_processor_yes", "args": "x", "cpus_online": "0",
     "steps": [{"label": "cores", "expect": CORES, "press": 6}],
     "exit": 0, "wizard_log": [WIZARD + " KDRSettings.xml"], "log": None},
    refused("one_processor_no", [{"label": "cores", "expect": CORES, "press": 7}], args="x", cpus_online="0"),
    straight("one_processor_maritane_not_asked", "maritane", "MTSettings.xml", cpus_online="0"),
    # Media in a folder with a blank, and a program planted where an unquoted path would find it.
    straight("media_path_with_blank", "x", "KDRSettings.xml", media="C:\\My Media\\",
             plant={"C:\\My.exe": {"from": "installerstub.exe", "ctl": "log=C:\\planted.log\nsleep=0\n"}},
             wizard_log=['"C:\\My Media\\Setup\\SetupWizard.dat" KDRSettings.xml'], absent=["C:\\planted.log"]),
    net_missing("media_path_with_blank_installer",
                [{"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS)],
                media="C:\\My Media\\", installers=net_installer(),
                plant={"C:\\My.exe": {"from": "installerstub.exe", "ctl": "log=C:\\planted.log\nsleep=0\n"}},
                exit=0, wizard_log=['"C:\\My Media\\Setup\\SetupWizard.dat" KDRSettings.xml'],
                installers_log=[NET_COMMAND.replace("C:\\Media\\", "C:\\My Media\\")], absent=["C:\\planted.log"]),
    # A second setup while the first waits in a box.
    net_missing("second_instance_refused",
                [{"label": "first_waits", "expect": net_question(), "hold": True},
                 {"label": "second", "of": "second", "before": [("launch", "second", "x")], "expect": ONE_INSTANCE,
                  "press": 1},
                 {"label": "first_answered", "expect": net_question(), "press": 2}],
                exit=-1, other_exits={"second": -1}, wizard_log=[], installers_log=[]),
]

# ----- installed products: real packages on the media, real installed products -----

UC_KDR = "{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}"
UC_KDR_OLD = "{9E4C1B27-3F5A-4D68-8B0C-2A7D6E5F4C31}"
UC_MT_FIRST = "{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}"
UC_MT_SECOND = "{C3A9F051-2E7B-4D88-B146-6F02E8D5A7B9}"

NEWER_INSTALLED = stop_box(KDR, "Another version of this product is already installed. Installation of this version "
                                "cannot continue. To configure or remove the existing version of this product, use "
                                "Add/Remove Programs on the Control Panel.")
BELOW_MINIMUM = stop_box(KDR, "To upgrade, you must be running version 6.0 or later.")
COMPANION_FIRST = stop_box(KDR, "You cannot upgrade Keldora before upgrading Maritane. Please upgrade Maritane first.")


def settings_file(*products):
    """A settings file naming packages under Packages\\; every path element has two
    attributes, as the reader needs to see them."""
    lines = ['<?xml version="1.0" encoding="utf-8"?>', '<settings product="Keldora" version="7.0">']
    for product in products:
        attributes = ' '.join('%s="%s"' % (k, v) for k, v in product["attributes"])
        lines += ['  <product name="%s" %s>' % (product["name"], attributes),
                  '    <msi name="server" kind="x64">',
                  '      <path value="Packages\\%s" kind="package"/>' % product["file"],
                  '    </msi>', '  </product>']
    return "\n".join(lines + ["</settings>", ""])


def media_package(name, version, upgrade_code):
    return {"file": name + ".msi", "name": name, "version": version, "upgrade_code": upgrade_code,
            "media_path": "Packages\\" + name + ".msi"}


def installed_package(name, version, upgrade_code):
    return {"file": "%s-%s.msi" % (name.lower(), version), "name": name, "version": version,
            "upgrade_code": upgrade_code, "install": True}


def products_case(name, installed, attributes, box=None, companion=None):
    """Keldora 7.0.0.100 on the media (and Maritane 7.0.0.690 as the second entry when
    companion is given), the installed packages, and either the box that stops setup or
    a straight run to the wizard."""
    products = [{"name": KDR, "file": "Keldora.msi", "attributes": attributes}]
    packages = [media_package(KDR, "7.0.0.100", UC_KDR)]
    if companion:
        products.append({"name": MT, "file": "Maritane.msi",
                         "attributes": [("minver", "6.0"), ("AllowRevisionUpgrade", "true")]})
        packages.append(media_package(MT, "7.0.0.690", companion))
    case = {"name": name, "args": "x", "settings": {"KDRSettings.xml": settings_file(*products),
                                                   "MTSettings.xml": EMPTY_SETTINGS},
            "packages": packages + installed, "installers_log": [], "runonce": None, "log": None,
            "related": {p["upgrade_code"]: [p["version"]] for p in installed}}
    if box:
        case.update(steps=[{"label": "refused", "expect": box, "press": 1}], exit=-1, wizard_log=[])
    else:
        case.update(steps=[], exit=0, wizard_log=[WIZARD + " KDRSettings.xml"])
    return case


CASES += [
    products_case("installed_newer_refused", [installed_package(KDR, "7.1.0.0", UC_KDR)],
                  [("minver", "6.0")], NEWER_INSTALLED),
    products_case("installed_below_minimum_refused", [installed_package(KDR, "5.5.0.0", UC_KDR)],
                  [("minver", "6.0")], BELOW_MINIMUM),
    products_case("installed_older_upgraded", [installed_package(KDR, "6.5.0.0", UC_KDR)], [("minver", "6.0")]),
    products_case("installed_revision_upgrade_allowed", [installed_package(KDR, "7.0.0.50", UC_KDR)],
                  [("minver", "6.0"), ("AllowRevisionUpgrade", "TRUE")]),
    products_case("installed_revision_upgrade_not_allowed", [installed_package(KDR, "7.0.0.50", UC_KDR)],
                  [("minver", "6.0")], NEWER_INSTALLED),
    # A newer version under a further upgrade code of the entry.
    products_case("installed_newer_under_further_code", [installed_package("KeldoraClassic", "8.0.0.0", UC_KDR_OLD)],
                  [("minver", "6.0"), ("upgradecode", UC_KDR_OLD)], NEWER_INSTALLED),
] + [
    # The companion product older than the second entry's package, under either of its codes.
    products_case("companion_older_refused_" + which, [installed_package(MT, "6.5.0.0", code)],
                  [("minver", "6.0")], COMPANION_FIRST, companion=UC_MT_FIRST)
    for which, code in [("first_code", UC_MT_FIRST), ("second_code", UC_MT_SECOND)]
] + [
    # Only its revision older: the companion check passes.
    products_case("companion_revision_older_passes", [installed_package(MT, "7.0.0.50", UC_MT_FIRST)],
                  [("minver", "6.0")], companion=UC_MT_FIRST),
]

# ----- Maritane's own list: its installed-products check, without Keldora's conditions -----

MT_NEWER_INSTALLED = stop_box(MT, NEWER_INSTALLED["text"])
MT_BELOW_MINIMUM = stop_box(MT, BELOW_MINIMUM["text"])


def maritane_case(name, installed, box=None, companion_entry=False, **extra):
    """Maritane 7.0.0.690 on the media in MTSettings.xml (and again as the second entry,
    which Keldora's companion-first condition would compare, when companion_entry is set),
    the installed packages, and either the box that stops setup or a run to the wizard."""
    products = [{"name": MT, "file": "Maritane.msi", "attributes": [("minver", "6.0")]}]
    if companion_entry:
        products.append({"name": MT + "Again", "file": "Maritane.msi", "attributes": [("minver", "6.0")]})
    case = {"name": name, "args": "maritane", "settings": {"KDRSettings.xml": EMPTY_SETTINGS,
                                                          "MTSettings.xml": settings_file(*products)},
            "packages": [media_package(MT, "7.0.0.690", UC_MT_FIRST)] + installed, "installers_log": [],
            "runonce": None, "log": None, "related": {p["upgrade_code"]: [p["version"]] for p in installed}}
    if box:
        case.update(steps=[{"label": "refused", "expect": box, "press": 1}], exit=-1, wizard_log=[])
    else:
        case.update(steps=[], exit=0, wizard_log=[WIZARD + " MTSettings.xml"])
    case.update(extra)
    return case


CASES += [
    maritane_case("maritane_installed_newer_refused", [installed_package(MT, "7.2.0.0", UC_MT_FIRST)],
                  MT_NEWER_INSTALLED),
    maritane_case("maritane_installed_below_minimum_refused", [installed_package(MT, "5.5.0.0", UC_MT_FIRST)],
                  MT_BELOW_MINIMUM),
    # Faults that only Keldora's list looks at: a product process running, and an installed
    # Maritane older than the second entry's package. Maritane goes on to its wizard.
    maritane_case("maritane_leaves_out_keldoras_conditions", [installed_package(MT, "6.5.0.0", UC_MT_FIRST)],
                  companion_entry=True, processes=["OrvaleAgent.exe"]),
]

# ----- the program's own protection -----

_decoyed = products_case("decoys_beside_program_not_loaded", [installed_package(KDR, "6.5.0.0", UC_KDR)],
                         [("minver", "6.0")])
# The road reads msi.dll's version (the Windows Installer detection) and opens the package
# on the media, with decoys of both DLLs beside the program and Wine told to prefer them.
_decoyed.update(decoys=DECOYS, dll_overrides=MSI_DECOY_OVERRIDES, absent=[DECOY_MARK])
CASES += [
    _decoyed,
    # With version.dll preferred native too, Wine's loader takes its decoy for user32.dll
    # before the program starts (and the program cannot start without its exports); msi.dll's
    # decoy is still never loaded.
    {"name": "decoys_version_taken_by_wine_loader", "args": "x", "decoys": DECOYS, "dll_overrides": DECOY_OVERRIDES,
     "steps": [], "exit": None, "file_lines": {DECOY_MARK: ["C:\\Media\\Setup\\version.dll"]},
     "limitation": "user32-imports-version", "wizard_log": []},
    # A "<program>.local" folder would redirect the DLLs loaded later: refused, logged with 5.
    refused("local_folder_refused", [], args="x", local_folder=True, log=5),
]

# ----- what the 32-bit program meets on 64-bit Windows: registry views, system folders -----
# Every case runs on both builds; under WOW64 they show the program's own choices (the
# 64-bit registry view, redirection off around version reads, wusa.exe by the system
# folder's path). On the x64 build the same outcomes hold without any redirection.

SYSTEM32 = "C:\\windows\\system32\\"
SYSWOW64 = "C:\\windows\\syswow64\\"
NET_PATH = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full"


def prerequisite_question(prerequisite, product=KDR):
    return {"caption": product, "buttons": [(1, "OK"), (2, "Cancel")],
            "text": "Please install %s to proceed with %s installation.\n"
                    "Click OK to install this prerequisite." % (prerequisite, product)}


WIC = "Windows Imaging Component"
WI45 = "Windows Installer 4.5"
WI45_PROGRESS = {"caption": "", "buttons": [], "controls": [("SysAnimate32", 602)], "centred": True,
                 "text": "Please wait while Windows Installer 4.5 is being installed.\nThis may take a few minutes."}
WI45_FAILED = stop_box(KDR, "Setup was unable to install Microsoft Windows Installer 4.5, which is a required "
                            "prerequisite for Keldora Setup. You need to manually install Windows Installer 4.5 and "
                            "re-run Keldora setup.")
# The versions of Wine 8's own libraries, and of the older ones laid over them.
WINE_WIC_VERSION = "6.0.6001.39027"
OLD_WIC_VERSION = "6.0.5840.16387"
OLD_MSI_VERSION = "4.0.6000.16386"


def prefer_file_on_disk(dll, *programs):
    """Wine reads a library's version from its builtin copy, whatever file lies at the
    path, unless the reading program prefers the native file: the cases that lay older
    files down prefer it for the readers alone (other programs keep Wine's libraries)."""
    return [("HKCU\\Software\\Wine\\AppDefaults\\%s\\DllOverrides" % program, dll, "REG_SZ", "native,builtin")
            for program in programs]


READERS = ("Setup.exe", "uidriver.exe", "uidriver32.exe")


def older_library(name, folder):
    bits = 32 if folder == SYSWOW64 else 64
    return {folder + name: {"from": "oldversion/" + name, "bits": bits}}


CASES += [
    # .NET Framework 4's value only in the 64-bit view: found, no question, no installer.
    straight("net_in_64bit_view_found", "x", "KDRSettings.xml", dotnet=False,
             registry=[("HKLM\\" + NET_PATH, "Install", "REG_DWORD", 1, "64")],
             registry_after=[("HKLM", NET_PATH, "Install", "64", 1), ("HKLM", NET_PATH, "Install", "32", None)]),
    # Only in the 32-bit view (WOW6432Node), where a 32-bit program looks by default: not
    # found, the prerequisite is asked for.
    net_missing("net_in_32bit_view_not_found", [{"label": "question", "expect": net_question(), "press": 2}],
                registry=[("HKLM\\" + NET_PATH, "Install", "REG_DWORD", 1, "32")],
                registry_after=[("HKLM", NET_PATH, "Install", "32", 1), ("HKLM", NET_PATH, "Install", "64", None)],
                exit=-1, wizard_log=[], installers_log=[], runonce=None),
    # An older windowscodecs.dll in system32 is what the version read sees: the component is asked for.
    dict(refused("wic_older_in_system32_asked",
                 [{"label": "question", "expect": prerequisite_question(WIC), "press": 2}], args="x"),
         plant=older_library("windowscodecs.dll", SYSTEM32),
         registry=prefer_file_on_disk("windowscodecs", *READERS),
         file_versions=[(SYSTEM32 + "windowscodecs.dll", True, OLD_WIC_VERSION)], absent=[DECOY_MARK]),
    # An older one in syswow64 only is not read (a 32-bit program reads it with redirection
    # on, as the second version read shows): nothing is asked.
    straight("wic_older_in_syswow64_not_read", "x", "KDRSettings.xml", plant=older_library("windowscodecs.dll", SYSWOW64),
             registry=prefer_file_on_disk("windowscodecs", *READERS),
             file_versions=[(SYSTEM32 + "windowscodecs.dll", True, WINE_WIC_VERSION),
                            (SYSTEM32 + "windowscodecs.dll", False, ByArch(OLD_WIC_VERSION, WINE_WIC_VERSION))],
             absent=[DECOY_MARK]),
    # Without the preference Wine reads its builtin library's version, not the file's.
    straight("wic_older_file_builtin_read", "x", "KDRSettings.xml", plant=older_library("windowscodecs.dll", SYSTEM32),
             file_versions=[(SYSTEM32 + "windowscodecs.dll", True, WINE_WIC_VERSION)], absent=[DECOY_MARK],
             limitation="builtin-version-read"),
]

# The Windows Installer 4.5 road. An older msi.dll in system32 makes 4.5 missing; Wine's
# installer library stays its own (msi forced builtin for every program). Windows 6.0
# server takes the .msu through wusa.exe, started from the system folder by its full path:
# a 32-bit program reaches syswow64 through redirection, so a stand-in lies in both
# folders (the 32-bit build in syswow64) and writes which build ran and the state of the
# installer service, stopped by setup before it. The stand-in that copies Wine's own
# msi.dll back makes the second detection pass; setup then starts the service again and
# goes on to the wizard. The settings name no product, so nothing loads msi.dll before the
# detections.
WUSA_COMMAND = ('"C:\\windows\\system32\\wusa.exe" "C:\\Media\\Redistr\\x64\\Windows6.0-KB942288-v2-x64.msu" '
                '/quiet /norestart')
WINE_MSI_COPY = "C:\\Tools\\msi-wine.dll"


def wi45_road(name, copies_back, steps, **outcome):
    control = "bits=1\nservice=msiserver\nwait=%s\nsleep=0\nexit=0\n" % RELEASE
    if copies_back:
        control += "copy=%s|%smsi.dll\n" % (WINE_MSI_COPY, SYSTEM32)
    plant = {WINE_MSI_COPY: {"copy_of": SYSTEM32 + "msi.dll"}}
    plant.update(older_library("msi.dll", SYSTEM32))
    plant.update({SYSTEM32 + "wusa.exe": {"from": "installerstub.exe", "bits": 64, "ctl": control},
                  SYSWOW64 + "wusa.exe": {"from": "installerstub.exe", "bits": 32, "ctl": control}})
    case = {"name": name, "args": "x", "steps": steps, "plant": plant, "services_before": ["msiserver"],
            # Wine runs its own builtin wusa.exe in place of a file of that name unless told
            # to prefer the file.
            "registry": [("HKCU\\Software\\Wine\\DllOverrides", "msi", "REG_SZ", "builtin"),
                         ("HKCU\\Software\\Wine\\DllOverrides", "wusa.exe", "REG_SZ", "native")] +
                        prefer_file_on_disk("msi", "Setup.exe"),
            "installers_log": [WUSA_COMMAND, ByArch("bits=32", "bits=64"), "msiserver=1"],
            "runonce": None, "log": None, "absent": [DECOY_MARK]}
    case.update(outcome)
    return case


CASES += [
    wi45_road("wi45_older_msu_installed", True,
              [{"label": "question", "expect": prerequisite_question(WI45), "press": 1},
               progress(WI45_PROGRESS, listed=NET_PROGRESS_LISTED, animated=True)],
              exit=0, wizard_log=[WIZARD + " KDRSettings.xml"], services_after={"msiserver": 4}),
    # The stand-in installs nothing: the second detection fails, the service stays stopped.
    wi45_road("wi45_older_msu_installs_nothing", False,
              [{"label": "question", "expect": prerequisite_question(WI45), "press": 1},
               progress(WI45_PROGRESS),
               {"label": "failure", "expect": WI45_FAILED, "press": 1}],
              exit=-1, wizard_log=[], services_after={"msiserver": 1}),
    wi45_road("wi45_older_cancel", True,
              [{"label": "question", "expect": prerequisite_question(WI45), "press": 2}],
              exit=-1, wizard_log=[], installers_log=[], services_after={"msiserver": 4}),
]

# ----- unattended runs: /bootstrap: options, the exit codes of quiet and check runs -----

QUIET = "/bootstrap:quiet"
DECISIONS = "C:\\decisions.log"
REPORT = "C:\\report.json"
DOTNET = ".NET Framework 4.0"
NO_WINDOW_STEP = {"label": "quiet", "no_window": True}


def quiet_net_installer(exit_code, installs=True, wait=False, sleep=0):
    control = "net=%d\nexit=%d\nsleep=%d\n" % (1 if installs else 0, exit_code, sleep)
    if wait:
        control += "wait=%s\n" % RELEASE
    return {NET_INSTALLER: control, "x64\\wic_x64_enu.exe": ""}


def bad_option(option, product=KDR):
    return stop_box(product, "The command line option %s is unknown, repeated or has a value that is not valid." % option)


def row(name, args, code, **extra):
    """One row of the exit-code table: a run without windows to answer, the code it ends with."""
    case = {"name": name, "args": args, "steps": [], "exit": code, "wizard_log": [], "installers_log": [],
            "runonce": None, "log": None}
    case.update(extra)
    return case


# Each row of the table of codes, reached on the machine that it needs.
CASES += [
    row("exit_0_wizard_done", QUIET + " x", 0, wizard_log=[WIZARD + " KDRSettings.xml"]),
    row("exit_wizard_code_passed_on", QUIET + " x", 42, wizard_exit=42, wizard_log=[WIZARD + " KDRSettings.xml"]),
    row("exit_0_check_ready", "/bootstrap:check x", 0),
    row("exit_0_wait_longest", QUIET + " /bootstrap:wait=86400 x", 0, wizard_log=[WIZARD + " KDRSettings.xml"]),
    row("exit_3010_reboot_needed", QUIET + " x", 3010, dotnet=False, installers=quiet_net_installer(3010),
        installers_log=[NET_COMMAND]),
    row("exit_1602_strict_processors", QUIET + " /bootstrap:strict x", 1602, cpus_online="0"),
    row("exit_1603_wizard_missing", QUIET + " x", 1603, wizard=False, log=2),
    row("exit_1639_unknown_option", QUIET + " /bootstrap:silent x", 1639),
    row("exit_1633_windows_version", QUIET + " x", 1633, version="vista"),
    row("exit_17002_product_running", QUIET + " x", 17002, processes=["OrvaleAgent.exe"]),
    row("exit_17003_prerequisite_failed", QUIET + " x", 17003, dotnet=False,
        installers=quiet_net_installer(0, installs=False), installers_log=[NET_COMMAND]),
    # The product process ends while the quiet run waits for it: the run goes on.
    row("exit_0_product_ended_in_wait", QUIET + " /bootstrap:wait=60 /bootstrap:log=" + DECISIONS + " x", 0,
        processes=["OrvaleAgent.exe"], wizard_log=[WIZARD + " KDRSettings.xml"],
        steps=[dict(NO_WINDOW_STEP, after=[("await_line", DECISIONS, "Answer: Retry in "),
                                            ("kill", "OrvaleAgent.exe")])]),
    # Another setup holds the named objects (an interactive one waits in its question).
    net_missing("exit_1618_other_setup_running",
                [{"label": "first_waits", "expect": net_question(), "hold": True},
                 dict(NO_WINDOW_STEP, after=[("launch", "second", QUIET + " x"), ("await", "second")]),
                 {"label": "first_answered", "expect": net_question(), "press": 2}],
                exit=-1, other_exits={"second": 1618}, wizard_log=[], installers_log=[]),
]
for _name, _installed, _attributes, _companion, _code in [
        ("exit_1638_newer_installed", [installed_package(KDR, "7.1.0.0", UC_KDR)], [("minver", "6.0")], None, 1638),
        ("exit_17001_companion_first", [installed_package(MT, "6.5.0.0", UC_MT_FIRST)], [("minver", "6.0")],
         UC_MT_FIRST, 17001)]:
    _case = products_case(_name, _installed, _attributes, companion=_companion)
    _case.update(args=QUIET + " x", steps=[], exit=_code, wizard_log=[])
    CASES.append(_case)

# A quiet run with a reboot: RunOnce holds the command line with its options, and the
# reboot is requested (Wine then ends the session).
CASES += [
    row("exit_1641_reboot_started", QUIET + " /bootstrap:restart /bootstrap:log=" + DECISIONS + " x", 1641,
        dotnet=False, installers=quiet_net_installer(3010), installers_log=[NET_COMMAND],
        runonce="C:\\Media\\Setup\\Setup.exe " + QUIET + " /bootstrap:restart /bootstrap:log=" + DECISIONS + " x",
        session_ends=True),
    row("exit_740_not_administrator", QUIET + " x", 740, not_administrator=True),
]

# A quiet run creates no top-level window, with a processor warning and a missing
# prerequisite on its road: the launcher watches the window list from the program's first
# instruction to its end, and the driver lists its windows while the installer runs.
CASES += [
    row("quiet_no_window", QUIET + " x", 0, cpus_online="0", dotnet=False,
        installers=quiet_net_installer(0, wait=True), installers_log=[NET_COMMAND],
        wizard_log=[WIZARD + " KDRSettings.xml"], windows_seen=[],
        steps=[dict(NO_WINDOW_STEP, after=[("await_line", "C:\\installers.log", "dotNetFx40"), ("no_windows",),
                                            ("release", RELEASE)])]),
    # The same road answered by hand: the watch sees every window that the run shows.
    net_missing("quiet_watch_sees_interactive_windows",
                [{"label": "cores", "expect": CORES, "press": 6},
                 {"label": "question", "expect": net_question(), "press": 1},
                 progress(NET_PROGRESS)],
                cpus_online="0", installers=net_installer(), exit=0, wizard_log=[WIZARD + " KDRSettings.xml"],
                installers_log=[NET_COMMAND], runonce=None,
                windows_seen=[("#32770", KDR), ("#32770", KDR), ("#32770", "")]),
]

# ----- the decision log of a quiet run: what was read and decided, in order -----

def line(text):
    """A decision log line that must read exactly so."""
    return re.escape(text)


def conditions_met(version="6\\.0\\.\\d+", processors=None):
    """The lines of Keldora's conditions on a machine of the cases (media settings that
    name no product); processors: the warning's lines when there is one processor."""
    lines = [line("Condition single-setup: met (another-setup=not running)"),
             line("Condition administrator: met (administrators-member=yes)"),
             line("Condition 64-bit-windows: met (64-bit=yes)"),
             "Condition windows-version: met \\(version=%s, product-type=server, minimum=6\\.0\\)" % version]
    if processors:
        lines += [line("Condition processor-cores: not met (processors=1, minimum=2)"),
                  line("Message: " + CORES["text"]), line("Answer: Yes (unattended)")]
    else:
        lines += ["Condition processor-cores: met \\(processors=\\d+, minimum=2\\)"]
    return lines + [line("Condition installed-products: met"), line("Condition companion-first: met"),
                    line("Condition product-processes: met")]


def detections(dotnet_present):
    return [line("Prerequisite Windows Installer 4.5 detected: present (version 4.5.6001.22308)"),
            line("Prerequisite Windows Imaging Component detected: present (version %s)" % WINE_WIC_VERSION),
            line("Prerequisite .NET Framework 4.0 detected: " + ("present" if dotnet_present else "missing"))]


def straight_log(command_line, argument="KDRSettings.xml"):
    """The decision log of a run on a machine where everything is present."""
    return ([line("Command line: " + command_line)] + conditions_met() + detections(True) +
            [line("Wizard: " + WIZARD + " " + argument), line("Wizard ended: exit code 0"), line("Exit code: 0")])


CASES += [
    # One processor, .NET missing, its installer asks for a reboot (3010) after a second.
    row("quiet_decision_log_3010", QUIET + " /bootstrap:log=" + DECISIONS + " x", 3010, cpus_online="0",
        dotnet=False, installers=quiet_net_installer(3010, sleep=1000), installers_log=[NET_COMMAND],
        decision_log=(DECISIONS, [line("Command line: " + QUIET + " /bootstrap:log=" + DECISIONS + " x")] +
                      conditions_met(processors=1) + detections(False) +
                      [line("Answer to the prerequisite question: OK (unattended)"),
                       line("Installer of .NET Framework 4.0: " + NET_COMMAND),
                       # The installer stand-in sleeps a second: the duration is measured.
                       "Installer of \\.NET Framework 4\\.0 ended: exit code 3010 after [1-9]\\d{3,} ms",
                       line("Prerequisite .NET Framework 4.0 after installation: present"),
                       line("Reboot: needed; not started without /bootstrap:restart"),
                       line("Exit code: 3010")])),
]

# ----- the readiness report: every condition evaluated, nothing changed -----

SESSION_MANAGER = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"
CHECK_ARGS = "/bootstrap:check /bootstrap:report=" + REPORT + " x"
CASES += [
    # Windows Vista (not a server), one processor, a product process running, .NET missing
    # and a file rename waiting for the reboot: three conditions fail, and the report says
    # so without stopping at the first; registry and drive C stay as they were but for the
    # report, nothing is started, no window is made.
    row("check_three_failing_changes_nothing", CHECK_ARGS, 1633, version="vista", cpus_online="0", dotnet=False,
        processes=["OrvaleAgent.exe"], windows_seen=[], unchanged=["report.json"],
        registry=[(SESSION_MANAGER, "PendingFileRenameOperations", "REG_MULTI_SZ", "\\??\\C:\\pending.tmp")],
        report=(REPORT, {
            "product": KDR, "ready": False, "exitCode": 1633, "allConditionsMet": False, "rebootPending": True,
            "conditions": [("single-setup", True), ("administrator", True), ("64-bit-windows", True),
                           ("windows-version", False), ("processor-cores", False), ("installed-products", True),
                           ("companion-first", True), ("product-processes", False)],
            "messages": {"windows-version": os_refused()["text"], "processor-cores": CORES["text"],
                         "product-processes": FILES_LOCKED["text"]},
            "values": {"processor-cores": {"processors": "1", "minimum": "2"},
                       "windows-version": {"version": "6.0.6002", "product-type": "workstation", "minimum": "6.0"},
                       "product-processes": {"running": "OrvaleAgent.exe"}},
            "prerequisites": [(WI45, True, ""), (WIC, True, ""), (DOTNET, False, NET_COMMAND)]})),
    # Everything present: ready, and no reboot pending.
    row("check_ready_report", CHECK_ARGS, 0, windows_seen=[], unchanged=["report.json"],
        report=(REPORT, {
            "product": KDR, "ready": True, "exitCode": 0, "allConditionsMet": True, "rebootPending": False,
            "conditions": [(name, True) for name in ("single-setup", "administrator", "64-bit-windows",
                                                     "windows-version", "processor-cores", "installed-products",
                                                     "companion-first", "product-processes")],
            "prerequisites": [(WI45, True, ""), (WIC, True, ""), (DOTNET, True, "")]})),
]

# ----- options among the wizard's token: taken out wherever they stand -----

LOG_IN_BLANK_FOLDER = '/BOOTSTRAP:LOG="C:\\Media\\my decisions.log"'
CASES += [
    straight("options_%s" % name, args, "KDRSettings.xml /pass", **extra)
    for name, args, extra in [
        ("quiet_first", QUIET + " keldora /pass", {}),
        ("quiet_between", "keldora " + QUIET + " /pass", {}),
        ("quiet_last", "keldora /pass " + QUIET, {}),
        ("two_first", "/Bootstrap:Quiet " + LOG_IN_BLANK_FOLDER + " keldora /pass", {}),
        ("two_around", LOG_IN_BLANK_FOLDER + " keldora /pass /bootstrap:QUIET", {}),
        ("two_between", "keldora " + QUIET + " " + LOG_IN_BLANK_FOLDER + " /pass", {}),
        ("two_spread", "keldora " + LOG_IN_BLANK_FOLDER + " /pass " + QUIET, {}),
        # Interactive, with only the log asked for: the wizard's token still passes.
        ("log_interactive", "keldora /bootstrap:log=" + DECISIONS + " /pass",
         {"decision_log": (DECISIONS, straight_log("keldora /bootstrap:log=" + DECISIONS + " /pass",
                                                   "KDRSettings.xml /pass"))}),
    ]
] + [
    # A quoted value holding blanks names one file.
    straight("options_quoted_log_written", "keldora " + LOG_IN_BLANK_FOLDER + " /pass " + QUIET, "KDRSettings.xml /pass",
             decision_log=("C:\\Media\\my decisions.log",
                           straight_log("keldora " + LOG_IN_BLANK_FOLDER + " /pass " + QUIET, "KDRSettings.xml /pass"))),
    # The selector is found once the options are out.
    straight("options_before_selector", QUIET + " MARITANE /pass", "MTSettings.xml /pass"),
    # A token for the wizard that only looks like an option is the wizard's.
    straight("options_lookalike_passed", QUIET + " keldora /bootstrapx:quiet", "KDRSettings.xml /bootstrapx:quiet"),
]

# ----- bad input: a clear outcome, nothing started -----

LONG_PATH = "C:\\" + "a" * 300 + ".log"
CASES += [
    row("bad_overlong_log_quiet", QUIET + " /bootstrap:log=" + LONG_PATH + " x", 1639, windows_seen=[]),
    refused("bad_overlong_log_interactive",
            [{"label": "bad", "expect": bad_option(("/bootstrap:log=" + LONG_PATH)[:75]), "press": 1}],
            args="/bootstrap:log=" + LONG_PATH + " x"),
    row("bad_overlong_wait_quiet", QUIET + " /bootstrap:wait=86401 x", 1639),
    row("bad_long_number_wait_quiet", QUIET + " /bootstrap:wait=0000000000000000000001 x", 1639),
    row("bad_repeated_quiet", QUIET + " x /bootstrap:QUIET", 1639, windows_seen=[]),
    refused("bad_repeated_log_interactive",
            [{"label": "bad", "expect": bad_option("/bootstrap:log=C:\\second.log"), "press": 1}],
            args="/bootstrap:log=C:\\first.log x /bootstrap:log=C:\\second.log",
            absent=["C:\\first.log", "C:\\second.log"]),
    # A report in a folder that does not exist: a system error, in the error log.
    row("bad_report_folder_missing", "/bootstrap:check /bootstrap:report=C:\\missing\\report.json x", 1603, log=3,
        absent=["C:\\missing"]),
    # The decision log's path is a second name of another file: that name is taken away and
    # a new log begins; the other file keeps its text.
    row("bad_log_is_link", QUIET + " /bootstrap:log=" + DECISIONS + " x", 0, wizard_log=[WIZARD + " KDRSettings.xml"],
        links={DECISIONS: ("C:\\kept.txt", "kept as it was\n")}, file_lines={"C:\\kept.txt": ["kept as it was"]},
        decision_log=(DECISIONS, straight_log(QUIET + " /bootstrap:log=" + DECISIONS + " x"))),
]

#!/usr/bin/python3
"""Demo host for the spelling and grammar add-on.

A main window stands in for the host application: a document field and
buttons that use the engine (suggestions, quick correction, the language
rotation) and open the correction dialog over it.  The back-ends are real:
hunspell dictionaries and a small rule-based grammar checker (demo/addon).

    /usr/bin/python3 demo/host.py           # a window to use
    /usr/bin/python3 demo/host.py --play    # play one correction with key presses

Without a display the host re-runs itself under Xvfb and plays; that run
prints what the user is told and what reaches the clipboard and the
corrector, saves build/demo-dialog.png and exits non-zero when a step did
not happen as expected.
"""
import argparse
import os
import shutil
import subprocess
import sys
import traceback

NO_DISPLAY = 75     # exit code: the display could not be opened
SAMPLE = "this is a example  of the the text wich we recieve."
HINT = ("Open the dialog and press Ctrl+Enter to check the document, Enter on an error to fix it.\n"
        "Select a word for its suggestions; Quick correction works on the selection or the whole text.\n")


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--play", action="store_true",
                        help="play one correction with key presses, then exit")
    parser.add_argument("--xvfb", action="store_true",
                        help="run under Xvfb even when there is a display (implies --play)")
    return parser.parse_args()


def run_under_xvfb():
    """Run this script again inside a private virtual X server (the
    project's scripts/with-xvfb, on a display of its own) and
    return its exit code.  A display that could not be opened is tried
    again."""
    with_xvfb = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "scripts", "with-xvfb")
    if shutil.which("Xvfb") is None:
        raise SystemExit("no display and no Xvfb: install the Debian package xvfb")
    env = dict(os.environ, FETTLE_DEMO_UNDER_XVFB="1", NO_AT_BRIDGE="1")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    argv = [with_xvfb, sys.executable, os.path.abspath(__file__), "--play"]
    sys.stdout.flush()
    for attempt in range(3):
        code = subprocess.call(argv, env=env)
        if code != NO_DISPLAY:
            return code
        print("the virtual display could not be opened; trying again", flush=True)
    return code


def main():
    args = parse_args()
    under_xvfb = os.environ.get("FETTLE_DEMO_UNDER_XVFB") == "1"
    if not under_xvfb and (args.xvfb or not os.environ.get("DISPLAY")):
        return run_under_xvfb()

    import wx
    import package

    addon = package.assemble()
    try:
        app = wx.App(False)
    except SystemError as error:
        print(error, file=sys.stderr, flush=True)
        os._exit(NO_DISPLAY)
    import window   # needs the host's modules, which assemble() made importable
    playing = args.play or under_xvfb
    frame = window.HostWindow(addon, document="" if playing else SAMPLE)
    frame.Show()
    if playing:
        import play
        wx.CallLater(300, play.Scenario(frame, addon).start)
    else:
        frame.log.AppendText(HINT)
    app.MainLoop()
    return frame.exit_code


if __name__ == "__main__":
    try:
        sys.exit(main())
    except SystemExit:
        raise
    except BaseException:
        traceback.print_exc()
        sys.exit(1)

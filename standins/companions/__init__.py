"""Stand-in for the add-on package that holds the correction modules.

Only the companion modules the correction modules import live here, as
small fakes that tests program and inspect through `_recorder.recorder`
(the benchmark uses them in their instant mode, see _recorder).
tools/addon_package.py copies this folder into a temporary package and
puts the modules under test beside these files.
"""

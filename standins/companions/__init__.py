"""Stand-in for the add-on package that holds the correction modules.

Only the companion modules the correction modules import live here, as
small fakes that tests program and inspect through `_recorder.recorder`.
The test fixtures copy this folder into a temporary package and put the
built modules beside these files.
"""

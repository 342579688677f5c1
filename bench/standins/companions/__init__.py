"""Instant companion back-ends for the benchmark.

They answer at once with data the benchmark prepared (module attributes
set before a case runs), so that timing the correction modules measures
their own cost and not a back-end's.  The benchmark copies this folder
into a temporary package and puts the modules it times beside it.
"""

"""Debian's Orca started as /usr/bin/orca starts it, less its one-per-user
check (an Orca of another run on this machine, found by name, would stop
this one) and with its debug log written line by line, so that what it
speaks can be read while it runs.
  orca_run.py DEBUG_LOG PREFS_DIR"""
import sys

from orca import debug

debug.debugLevel = debug.LEVEL_ALL
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(sys.argv[1], "w", buffering=1)

from orca import orca  # noqa: E402

manager = orca.getSettingsManager()
manager.activate(sys.argv[2], {})
sys.path.insert(0, manager.getPrefsDir())
sys.exit(orca.main())

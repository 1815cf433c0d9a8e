#!/usr/bin/env python3
# The page (./web --build) in headless Chromium: the scenario "page" of e2e/run.py, then online play from the page
# with the desktop game through a meeting point on loopback: page_test.py PAGE E2E_CHECK SOURCE DESKTOP_GAME
import os, subprocess, sys

run = f"{os.path.dirname(os.path.abspath(__file__))}/../e2e/run.py"
page, check, source, desktop = sys.argv[1:5]
for scenario in ("page", "page_hosts", "page_joins", "page_link"):
    print(f"== {scenario}", flush=True)
    status = subprocess.call([sys.executable, run, scenario, page, check, source, os.path.abspath(desktop)])
    if status == 77:
        print(f"== {scenario} skipped")
    elif status != 0:
        sys.exit(status)

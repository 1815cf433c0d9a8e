#!/usr/bin/env python3
# The page (./web --build) in headless Chromium, the scenario "page" of e2e/run.py: page_test.py PAGE E2E_CHECK SOURCE
import os, sys

run = f"{os.path.dirname(os.path.abspath(__file__))}/../e2e/run.py"
os.execv(sys.executable, [sys.executable, run, "page", *sys.argv[1:]])

#!/usr/bin/env python3
# The page (./web --build) in headless Chromium: the scenario "page" of tests/e2e/run.py.
#     page_test.py <page folder> <e2e_check> <source folder>
import os, sys

run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e", "run.py")
os.execv(sys.executable, [sys.executable, run, "page", *sys.argv[1:]])

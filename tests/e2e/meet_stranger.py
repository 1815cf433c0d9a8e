#!/usr/bin/env python3
"""A stranger on a meeting point during a game: listens to everything a game may listen to, then plays
back every message it heard and sends garbage of many lengths to every subject it saw, for the given
seconds. Fails (status 1) if the join code ever travels in a subject or a message.

    meet_stranger.py ADDRESS SECONDS CODE"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "meet"))
import nats_wire  # noqa: E402

address, seconds, code = sys.argv[1], float(sys.argv[2]), sys.argv[3].encode()
client = nats_wire.Client(4222, host=address)
client.subscribe("tq.>", 1)
client.ping()
heard = client.messages(2)
if not heard:
    sys.exit("the stranger heard nothing of the game")
subjects = sorted({subject for subject, _ in heard})
sent, end = 0, time.monotonic() + seconds
while time.monotonic() < end:
    for subject, payload in heard[:64]:
        client.publish(subject, payload)
        sent += 1
    for subject in subjects:
        for size in (0, 1, 9, 30, 61, 200, 1500):
            client.publish(subject, os.urandom(size))
            sent += 1
    client.publish(subjects[0], b"D" + os.urandom(120))
    heard += client.messages(0.1)
client.close()
for subject, payload in heard:
    if code in subject.encode() or code in payload or code.upper() in payload:
        sys.exit(f"the code travelled: {subject}")
print(f"heard {len(heard)} on {len(subjects)} subjects, sent {sent}")

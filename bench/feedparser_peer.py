#!/usr/bin/env python3
"""Times Debian's feedparser on a document: prints bytes per second."""
import sys
import time

import feedparser

data = open(sys.argv[1], "rb").read()
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
best = None
for _ in range(rounds):
    start = time.process_time()
    result = feedparser.parse(data)
    elapsed = time.process_time() - start
    best = elapsed if best is None else min(best, elapsed)
assert len(result.entries) > 0, "feedparser found no entries"
print(f"{len(data) / best:.0f}")

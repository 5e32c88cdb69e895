#!/usr/bin/env python3
"""compare.py CONSOLE_LOG HOST_DIR: the guest printed each command's JSON between '@@@BEGIN NAME RC' and
'@@@END', its standard error as NAME.err; HOST_DIR holds NAME, NAME.err and NAME.rc of the host's run.
Both must succeed with the same error lines and JSON, reading times and the SEL clock aside."""

import json
import os
import re
import sys



def normalize(value):
    """Drops what differs by nature between two runs: reading times and the SEL clock."""
    if isinstance(value, list):
        return [normalize(v) for v in value]
    if isinstance(value, dict):
        return {k: "<time>" if k == "Sel-Clock" or k == "Timestamp/Comment" and not str(v).startswith("Error")
                else normalize(v) for k, v in value.items()}
    return value


def main():
    with open(sys.argv[1], "rb") as f:
        console = f.read().decode("utf-8", "replace").replace("\r", "")
    guest = {m.group(1): (m.group(2), m.group(3))
             for m in re.finditer(r"^@@@BEGIN (\S+) ?(\d*)\n(.*?)^@@@END$", console, re.M | re.S)}
    failures = []
    for name in sorted(n[:-3] for n in os.listdir(sys.argv[2]) if n.endswith(".rc")):
        if name not in guest:
            failures.append("%s: did not run in the guest" % name)
            continue
        rc, out = int(guest[name][0]), guest[name][1]
        err = guest.get(name + ".err", ("", ""))[1]
        host = os.path.join(sys.argv[2], name)
        with open(host) as f, open(host + ".err") as e, open(host + ".rc") as r:
            hout, herr, hrc = f.read(), e.read(), int(r.read())
        if (rc, err.strip(), hrc) != (0, herr.strip(), 0):
            failures.append("%s: guest rc %d %r, host rc %d %r" % (name, rc, err.strip(), hrc, herr.strip()))
            continue
        try:
            g, h = normalize(json.loads(out)), normalize(json.loads(hout))
        except ValueError as e:
            failures.append("%s: not JSON (%s): %r" % (name, e, out[:100]))
            continue
        if g != h and isinstance(g, list) and isinstance(h, list) and len(g) == len(h):
            g, h = next((x, y) for x, y in zip(g, h) if x != y)  # the first entry that differs
        if g != h:
            failures.append("%s: guest and host differ:\n  guest %s\n  host  %s"
                            % (name, json.dumps(g)[:300], json.dumps(h)[:300]))
        else:
            print("%-9s agrees" % name)
    # So that two equally empty answers cannot agree: what the simulated server holds.
    counts = [json.loads(guest[n][1])[k] if n in guest and guest[n][0] == "0" else None
              for n, k in (("sdr-get", "Total Records"), ("sel-get", "Total Records"))]
    if counts != [[53], [54]]:
        failures.append("SDR and SEL record counts in the guest: %s, expected [53] and [54]" % counts)
    for f in failures:
        print("FAIL " + f)
    print("in-band: %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

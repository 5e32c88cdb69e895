#!/usr/bin/env python3
"""Reads the in-band guest's console and judges it against the host's runs.

  compare.py conf-subset CONF NODE...   print CONF with only the given [node N]
  compare.py check --console LOG --host DIR --payload 0|1 --ready all|none|NAME,...

The guest prints each command between '@@@BEGIN NAME' and '@@@END NAME RC'
(standard error as NAME.err).  The chain checks (kernel driver, /dev/ipmiN,
ipmitool through the device) always count.  For ostrelcli, each command
group (sdr-list, sel-clear, ...) agrees with the host, or is reported NOT
READY with the first reason; groups named in --ready must agree.
"""

import argparse
import json
import os
import re
import sys

GROUPS = ["sdr-list", "sdr-get", "sel-list", "sel-get", "fru-list", "fru-get",
          "bmc-get", "bmc-set", "sel-clear"]
MISSING = "Access device /dev/ipmi1 failed"
SEL_ENTRIES = 54          # tests/sim/README.md


def conf_subset(path, nodes):
    keep = True
    out = []
    with open(path) as f:
        for line in f:
            m = re.match(r"\s*\[node\s+(\d+)\]", line)
            if m:
                keep = m.group(1) in nodes
            if keep:
                out.append(line)
    sys.stdout.write("".join(out))


def parse_console(path):
    """{name: (rc, text)} from a console log."""
    sections = {}
    try:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", "replace").replace("\r", "")
    except FileNotFoundError:
        return sections
    name = None
    lines = []
    for line in text.split("\n"):
        if line.startswith("@@@BEGIN "):
            name, lines = line[len("@@@BEGIN "):].strip(), []
        elif line.startswith("@@@END ") and name is not None:
            parts = line.split()
            rc = int(parts[2]) if len(parts) > 2 and parts[2].lstrip("-").isdigit() else -1
            sections[name] = (rc, "\n".join(lines) + ("\n" if lines else ""))
            name = None
        elif name is not None:
            lines.append(line)
    m = re.findall(r"@@@UPTIME (\w+) ([\d.]+)", text)
    sections["@uptime"] = (0, " ".join("%s=%ss" % kv for kv in m))
    return sections


def host_result(directory, name):
    """(rc, stdout, stderr) of the host's runs for NAME, its parts joined: the
    lists of list results and the per-node lists of structure results."""
    parts = []
    for i in range(4):
        try:
            with open(os.path.join(directory, "%s.%d.rc" % (name, i))) as f:
                rc = int(f.read())
            with open(os.path.join(directory, "%s.%d.out" % (name, i)), errors="replace") as f:
                out = f.read()
            with open(os.path.join(directory, "%s.%d.err" % (name, i)), errors="replace") as f:
                err = f.read()
        except FileNotFoundError:
            break
        parts.append((rc, out, err))
    if not parts:
        return None
    if len(parts) == 1:
        return parts[0]
    rc = next((p[0] for p in parts if p[0] != 0), 0)
    err = "".join(p[2] for p in parts)
    try:
        values = [json.loads(p[1]) for p in parts if p[1].strip()]
    except ValueError:
        return rc, "".join(p[1] for p in parts), err
    if values and all(isinstance(v, list) for v in values):
        joined = sum(values, [])
    elif values and all(isinstance(v, dict) for v in values):
        joined = {}
        for v in values:
            for k, x in v.items():
                if isinstance(x, list):
                    joined.setdefault(k, []).extend(x)
                else:
                    joined.setdefault(k, x)
    else:
        return rc, "".join(p[1] for p in parts), err
    return rc, json.dumps(joined), err


def _rows(v, desc):
    return [r for r in v if isinstance(r, dict) and r.get("Description") == desc]


def _reading(v, desc, want):
    rows = _rows(v, desc)
    got = rows[0].get("Computed Reading") if rows else None
    return None if got == want else "%s reads %r, expected %r" % (desc, got, want)


# What the guest must show of the simulated server (tests/sim/README.md),
# so that guest and host cannot agree on an empty or failed result.
EXPECT = {
    "sdr-get.two.json": lambda v: None if v.get("Total Records") == [53, 0] else
    "Total Records %r, expected [53, 0] for nodes 0 and 1" % v.get("Total Records"),
    "sdr-list.two.json": lambda v: None if v and all(
        r.get("Node-Sensor", "").startswith("0.") for r in v) else
    "expected rows of node 0 only (node 1 has no sensors)",
    "sdr-list.json": lambda v: _reading(v, "CPU1 Margin", "-38") or
    _reading(v, "P3V3", "3.297") or _reading(v, "HSBP Temp", "31") or
    _reading(v, "PCH Temp", "55"),
    "sel-list.json": lambda v: None if len(v) == SEL_ENTRIES else
    "%d entries, expected %d" % (len(v), SEL_ENTRIES),
    "fru-list.json": lambda v: None if len(v) == 3 and
    v[0].get("Serial Number") == "NV22A9K31007" else
    "expected 3 FRU records, the first with serial NV22A9K31007",
    "bmc-get.json": lambda v: None if v.get("MAC Address") == "02:1b:7c:5e:21:9d" and
    v.get("IPv4 Address") == "192.0.2.41" else "MAC or IPv4 address differ from the server's",
    "sel-clear.json": lambda v: None if v is True else "result %r, expected true" % v,
}


def normalize(value):
    """Drops what differs by nature between two runs: reading and clock times."""
    if isinstance(value, list):
        return [normalize(v) for v in value]
    if isinstance(value, dict):
        out = {}
        for k, v in value.items():
            if k == "Timestamp/Comment" and isinstance(v, str) and not v.startswith("Error"):
                v = "<reading time>"
            elif k == "Sel-Clock":
                v = "<clock>"
            out[k] = normalize(v)
        return out
    return value


def first_diff(a, b, path="$"):
    if type(a) is not type(b):
        return "%s: %r vs %r" % (path, a, b)
    if isinstance(a, dict):
        if list(a) != list(b):
            return "%s: fields %s vs %s" % (path, list(a), list(b))
        for k in a:
            d = first_diff(a[k], b[k], "%s.%s" % (path, k))
            if d:
                return d
        return None
    if isinstance(a, list):
        if len(a) != len(b):
            return "%s: %d vs %d entries" % (path, len(a), len(b))
        for i, (x, y) in enumerate(zip(a, b)):
            d = first_diff(x, y, "%s[%d]" % (path, i))
            if d:
                return d
        return None
    return None if a == b else "%s: %r vs %r" % (path, a, b)


class Judge:
    def __init__(self):
        self.chain_failures = []
        self.group_problems = {g: [] for g in GROUPS}
        self.group_checked = {g: 0 for g in GROUPS}

    def chain(self, cond, what):
        if not cond:
            self.chain_failures.append(what)

    def problem(self, name, what):
        group = name.split(".")[0]
        self.group_problems.setdefault(group, []).append("%s: %s" % (name, what))

    def checked(self, name):
        group = name.split(".")[0]
        self.group_checked[group] = self.group_checked.get(group, 0) + 1


def check_chain(j, a):
    devices = a.get("devices", (1, ""))[1].split()
    j.chain(devices == ["ipmi0", "ipmi1"],
            "guest: device files %s, expected ipmi0 ipmi1" % devices)
    j.chain("Found new BMC" in a.get("dmesg", (1, ""))[1],
            "guest: the kernel did not report 'Found new BMC'")
    rc, out = a.get("ipmitool-sdr-info.dev1.two", (-1, ""))
    j.chain(rc == 0 and re.search(r"Record Count\s*:\s*0$", out, re.M) is not None,
            "guest: /dev/ipmi1 is not the BMC with the empty repository (rc %d)" % rc)
    rc, out = a.get("remove-ipmi1", (-1, ""))
    j.chain(rc == 0 and out.split() == ["ipmi0"],
            "guest: removing the second interface left %r (rc %d)" % (out.split(), rc))
    rc, out = a.get("ipmitool-mc-info", (-1, ""))
    j.chain(rc == 0 and re.search(r"Manufacturer ID\s*:\s*20974", out) is not None,
            "guest: ipmitool -I open mc info failed (rc %d)" % rc)
    rc, out = a.get("ipmitool-sdr-elist", (-1, ""))
    for sensor in ("CPU1 Margin", "HSBP Temp", "PCH Temp", "P12V"):
        j.chain(rc == 0 and re.search(r"^%s\s*\|.*\|\s*ok\s*\|" % re.escape(sensor), out,
                                      re.M) is not None,
                "guest: ipmitool sdr elist through /dev/ipmi0 lacks %s" % sensor)
    rc, out = a.get("ipmitool-sel-elist", (-1, ""))
    n = len([l for l in out.splitlines() if "|" in l])
    j.chain(rc == 0 and n == SEL_ENTRIES,
            "guest: ipmitool sel elist shows %d entries, expected %d" % (n, SEL_ENTRIES))


def compare_commands(j, guest, host_dir):
    for name in guest:
        if name.startswith("@") or name.startswith("ipmitool") or name.endswith(".err") \
                or name in ("devices", "dmesg", "remove-ipmi1", "syslog"):
            continue
        j.checked(name)
        rc, out = guest[name]
        err = guest.get(name + ".err", (rc, ""))[1]
        label = "guest"
        if "cannot be loaded" in err or "is not a namespace or command" in err:
            j.problem(name, "%s: %s" % (label, err.strip().splitlines()[0]))
            continue
        # sel get selects no node: -n is accepted and ignored.
        if ".n1" in name and ".two" not in name and not name.endswith("i.json") \
                and not name.startswith("sel-get"):
            if not any(l.endswith(MISSING) for l in err.splitlines()) or rc == 0:
                j.problem(name, "%s: expected an error ending in %r, got rc %d %r"
                          % (label, MISSING, rc, err.strip()))
        if name.endswith("i.json") and (err.strip() or rc != 0):
            j.problem(name, "%s: --ignore-missing still failed: rc %d %r"
                      % (label, rc, err.strip()))
        if name == "sel-clear.json" and rc == 0 and \
                "IPMI SEL Cleared by CLI command" not in guest.get("syslog", (0, ""))[1]:
            j.problem(name, "%s: the clear was not logged to syslog" % label)
        if name in EXPECT:
            try:
                why = EXPECT[name](json.loads(out))
            except (ValueError, AttributeError, TypeError) as e:
                why = "unexpected output (%s): %r" % (e, out[:80])
            if why:
                j.problem(name, "%s: %s" % (label, why))
        if not name.endswith(".json") or name.startswith("sel-list.after-clear"):
            if name.startswith("sel-list.after-clear"):
                try:
                    entries = json.loads(out)
                    if len(entries) > 1:
                        j.problem("sel-clear", "%s: %d entries left after the clear"
                                  % (label, len(entries)))
                except ValueError:
                    j.problem("sel-clear", "%s: not JSON: %r" % (label, out[:80]))
            continue
        host = host_result(host_dir, name)
        if host is None:
            j.problem(name, "%s: no host-side result" % label)
            continue
        hrc, hout, herr = host
        if (rc, err.strip()) != (hrc, herr.strip()):
            j.problem(name, "%s: guest rc %d %r, host rc %d %r"
                      % (label, rc, err.strip()[:120], hrc, herr.strip()[:120]))
            continue
        if not out.strip() and not hout.strip():
            continue
        try:
            g, h = normalize(json.loads(out)), normalize(json.loads(hout))
        except ValueError as e:
            j.problem(name, "%s: output is not JSON (%s)" % (label, e))
            continue
        d = first_diff(g, h)
        if d:
            j.problem(name, "%s: guest and host differ at %s" % (label, d))


def transcript(a, cmds_path):
    """What a person would have seen in the guest: the commands run with
    their default formatters, and the kernel's IPMI lines."""
    print("--- guest transcript (JSON runs left out; all in the console log)")
    for line in a.get("dmesg", (0, ""))[1].splitlines():
        print("kernel: " + line.strip())
    try:
        with open(cmds_path) as f:
            cmds = [l.rstrip("\n").split("\t", 1) for l in f if "\t" in l]
    except OSError:
        cmds = []
    for name, cmd in cmds:
        if name.endswith(".json") or name not in a:
            continue
        rc, out = a[name]
        print("$ %s" % cmd.replace("/opt/ostrel/bin/", ""))
        sys.stdout.write(out)
        err = a.get(name + ".err", (0, ""))[1]
        if err.strip():
            sys.stdout.write("".join("stderr: %s\n" % l for l in err.splitlines()))
        if rc:
            print("(exit %d)" % rc)
    print("--- end of transcript")


def check(args):
    a = parse_console(args.console)
    if args.cmds:
        transcript(a, args.cmds)
    j = Judge()
    check_chain(j, a)
    print("guest uptime at: %s" % a.get("@uptime", (0, "?"))[1])
    for line in a.get("dmesg", (0, ""))[1].splitlines():
        if "Found new BMC" in line:
            print("kernel: " + line.strip())
    ready = set(GROUPS) if args.ready == "all" else \
        set() if args.ready == "none" else set(args.ready.split(","))
    failed = bool(j.chain_failures)
    for f in j.chain_failures:
        print("FAIL chain: " + f)
    if args.payload != "1":
        print("ostrelcli: not in the build tree, its commands were not run")
        if ready:
            print("FAIL: commands expected ready (%s) but ostrelcli is not built"
                  % ",".join(sorted(ready)))
            failed = True
    else:
        compare_commands(j, a, args.host)
        for g in GROUPS:
            problems = j.group_problems.get(g, [])
            if not j.group_checked.get(g):
                status = "not run"
            elif not problems:
                status = "agrees (%d runs)" % j.group_checked[g]
            elif g in ready:
                status = "FAIL: " + problems[0]
                failed = True
            else:
                status = "NOT READY: " + problems[0]
            print("%-10s %s" % (g, status))
            if problems and g in ready:
                for p in problems[1:5]:
                    print("           also " + p)
    print("in-band: %s" % ("FAILED" if failed else "passed"))
    return 1 if failed else 0


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="cmd", required=True)
    s = sub.add_parser("conf-subset")
    s.add_argument("conf")
    s.add_argument("nodes", nargs="+")
    c = sub.add_parser("check")
    c.add_argument("--console", required=True)
    c.add_argument("--host", required=True)
    c.add_argument("--payload", required=True)
    c.add_argument("--ready", default="all")
    c.add_argument("--cmds", help="the guest's command list, to print a transcript")
    args = ap.parse_args()
    if args.cmd == "conf-subset":
        conf_subset(args.conf, args.nodes)
        return 0
    return check(args)


if __name__ == "__main__":
    sys.exit(main())

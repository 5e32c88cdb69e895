#!/usr/bin/env python3
"""gen_server.py OUTDIR: lays out server.json for ipmi_sim as OUTDIR/server.emu, empty.emu, server.sel,
server.lanparm and sensors.md, and satellites.json as OUTDIR/satellites.emu (see README.md), in the IPMI
v2.0 SDR, SEL and FRU storage layouts."""

import datetime
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
THRESHOLDS = ["lnc", "lc", "lnr", "unc", "uc", "unr"]  # bit order of threshold masks
UNITS = {1: "degrees C", 4: "Volts", 5: "Amps", 6: "Watts", 17: "CFM", 18: "RPM"}
DEFAULTS = {"lun": 0, "m": 1, "b": 0, "bexp": 0, "rexp": 0, "format": "unsigned", "hyst": 0, "tolerance": 0,
            "accuracy": 0, "acc_exp": 0, "scanning": True, "simulated": True, "id": "ascii",
            "record": "compact", "modifier": "numeric", "mod_offset": 0}


def load(path):
    def num(v):  # "0x.." strings are hexadecimal numbers
        if isinstance(v, list):
            return [num(x) for x in v]
        return int(v, 16) if isinstance(v, str) and v.startswith("0x") else v

    with open(path, encoding="utf-8") as f:
        return json.load(f, object_hook=lambda d: {k: num(v) for k, v in d.items()})


def le(v, n):
    return list((v & ((1 << 8 * n) - 1)).to_bytes(n, "little"))


def seconds(text, since="1970-01-01 00:00:00"):
    t = [datetime.datetime.strptime(x, "%Y-%m-%d %H:%M:%S") for x in (text, since)]
    return int((t[0] - t[1]).total_seconds())


def checksum(data):
    return -sum(data) & 0xFF


def typed(enc, text):
    """A type/length byte and the field's bytes."""
    if enc == "ascii":
        code, data = 0xC0, list(text.encode("latin-1"))
    elif enc == "binary":
        code, data = 0x00, list(bytes.fromhex(text))
    elif enc == "bcd+":  # two characters a byte, the first in the high nibble
        d = ["0123456789 -.".index(c) for c in text]
        code, data = 0x40, [d[i] << 4 | d[i + 1] for i in range(0, len(d), 2)]
    else:  # packed6: four characters in three bytes, least significant bits first
        assert enc == "packed6" and len(text) % 4 == 0, (enc, text)
        code, data = 0x80, le(sum((ord(c) - 0x20) << 6 * i for i, c in enumerate(text)), len(text) * 3 // 4)
    return [code | len(data)] + data


# Threshold sensors: value = (M * raw + B * 10^Bexp) * 10^Rexp, raw signed with format "2c".
def signed(s, raw):
    return raw - 256 if s["format"] == "2c" and raw >= 128 else raw


def value(s, raw):
    return (s["m"] * signed(s, raw) + s["b"] * 10 ** s["bexp"]) * 10 ** s["rexp"]


def to_raw(s, v):
    lo = -128 if s["format"] == "2c" else 0
    return min(range(lo, lo + 256), key=lambda x: abs(value(s, x & 0xFF) - v)) & 0xFF


def prepare(server):
    for s in server["sensors"]:
        s.update({**DEFAULTS, "owner": server["bmc"], **s})
        if "unit" in s:
            s["raw"] = to_raw(s, s["reading"])
            s["thr"] = {k: to_raw(s, v) for k, v in s.get("thresholds", {}).items()}


def status_bits(s):
    x = signed(s, s["raw"])
    return sum(1 << i for i, k in enumerate(THRESHOLDS)
               if k in s["thr"] and (x <= signed(s, s["thr"][k]) if i < 3 else x >= signed(s, s["thr"][k])))


def masks(s):
    """Threshold event bits (going low for lower, going high for upper ones) and readable mask."""
    have = [i for i, k in enumerate(THRESHOLDS) if k in s["thr"]]
    return sum(1 << (2 * i if i < 3 else 2 * i + 1) for i in have), sum(1 << i for i in have)


def per_state(mask):
    """The assertion and deassertion, enable and support masks of sensor_set_event_support."""
    return " ".join([format(mask, "015b")] * 4)


def threshold_sdr(s):
    events, readable = masks(s)
    fmt = {"unsigned": 0, "1c": 1, "2c": 2}[s["format"]]
    m, b, acc = le(s["m"], 2), le(s["b"], 2), s["accuracy"]
    top, bottom = (0x7F, 0x80) if fmt else (0xFF, 0x00)
    body = [s["owner"], s["lun"], s["num"], s["entity"], s["inst"], 0x7F if s["scanning"] else 0x7E,
            0x44 | (0x10 if s["hyst"] else 0), s["type"], 0x01,
            *le(events | (readable & 7) << 12, 2), *le(events | (readable >> 3) << 12, 2), readable, 0x00,
            fmt << 6, s["unit"], 0x00, 0x00, m[0], (m[1] & 3) << 6 | s["tolerance"], b[0],
            (b[1] & 3) << 6 | (acc & 0x3F), (acc >> 6) << 4 | s["acc_exp"] << 2 | 0x01,
            (s["rexp"] & 15) << 4 | (s["bexp"] & 15), 0x01 if "nominal" in s else 0x00,
            to_raw(s, s["nominal"]) if "nominal" in s else 0x00, top, bottom, top, bottom]
    body += [s["thr"].get(k, 0) for k in reversed(THRESHOLDS)] + [s["hyst"]] * 2 + [0] * 3
    return 0x01, body + typed(s["id"], s["name"])


def discrete_sdr(s):
    share = (0x10 if s["modifier"] == "alpha" else 0) | len(s["states"])
    inst_share = 0x80 | s["mod_offset"]  # instance increments with the modifier
    head = [s["owner"], s["lun"], s["num"], s["entity"], s["inst"]]
    if s["record"] == "event-only":
        return 0x03, head + [s["type"], s["rtype"], share, inst_share, 0, 0] + typed("ascii", s["name"])
    sup = le(sum(1 << o for o in s["offsets"]), 2)
    body = head + [0x63, 0x40, s["type"], s["rtype"], *sup * 3, 0xC0, 0x00, 0x00]
    if s["record"] == "full":
        return 0x01, body + [0] * 24 + typed("ascii", s["name"])
    return 0x02, body + [share, inst_share] + [0] * 6 + typed("ascii", s["name"])


def sensor_commands(s):
    o = "0x%02x %d" % (s["owner"], s["lun"])
    if "unit" not in s:
        sup = per_state(sum(1 << o for o in s["offsets"]))
        out = []
        for i, states in enumerate([] if s["record"] == "event-only" else s["states"]):
            n = "%s 0x%02x" % (o, s["num"] + i)
            out += ["sensor_add %s 0x%02x 0x%02x" % (n, s["type"], s["rtype"]),
                    "sensor_set_event_support %s enable scanning per-state %s" % (n, sup)]
            out += ["sensor_set_bit %s %d 1 0" % (n, off) for off in states]
        return out
    if not s["simulated"]:
        return []
    n, order = "%s 0x%02x" % (o, s["num"]), list(reversed(THRESHOLDS))
    thresholds = "".join("01"[k in s["thr"]] for k in order) + "".join(" 0x%02x" % s["thr"].get(k, 0) for k in order)
    scanning = "scanning" if s["scanning"] else "no-scanning"
    bits = status_bits(s)  # stated, as ipmi_sim would compare raw values unsigned
    return ["sensor_add %s 0x%02x 0x01" % (n, s["type"]), "sensor_set_threshold %s readable %s" % (n, thresholds),
            "sensor_set_hysteresis %s %s %d %d" % (n, "readable" if s["hyst"] else "none", s["hyst"], s["hyst"]),
            "sensor_set_event_support %s enable %s per-state %s" % (n, scanning, per_state(masks(s)[0])),
            "sensor_set_value %s 0x%02x 0" % (n, s["raw"])] + \
        ["sensor_set_bit %s %d %d 0" % (n, i, bits >> i & 1) for i in range(6)]


def sdr_records(server):
    recs = [(0x12, [m["addr"], 0, 0, m["caps"], 0, 0, 0, m["entity"], m["inst"], 0]
             + typed("ascii", m["name"]), "MC locator " + m["name"]) for m in server["mc_locators"]]
    recs += [(*(threshold_sdr(s) if "unit" in s else discrete_sdr(s)),
              "%s (sensor %02xh)" % (s["name"], s["num"])) for s in server["sensors"]]
    recs += [(0x11, [f.get("addr", server["bmc"]), f["id"], 0x80, 0, 0, 0x10, 0, f["entity"], f["inst"], 0]
              + typed("ascii", f["name"]), "FRU locator") for f in server["fru_locators"]]
    recs += [(0xC0, le(server["manufacturer"], 3) + list(bytes.fromhex(o["data"])), "OEM record")
             for o in server["oem_records"]]
    return [(le(i, 2) + [0x51, t, len(body)] + body, t, label) for i, (t, body, label) in enumerate(recs, 1)]


def fru_image(dev):
    def area(fields, head):  # head, fields, end marker C1h, padding to 8 bytes, checksum
        data = head + sum((typed(enc, text) for _, enc, text in fields), []) + [0xC1]
        data += [0] * (-(len(data) + 1) % 8)
        data[1] = (len(data) + 1) // 8
        return data + [checksum(data)]

    areas = [None] * 5
    if "internal" in dev:
        areas[0] = [0x01] + list(bytes.fromhex(dev["internal"]))
    if "chassis" in dev:
        areas[1] = area(dev["chassis"]["fields"], [0x01, 0, dev["chassis"]["type"]])
    if "board" in dev:
        made = seconds(dev["board"]["made"], "1996-01-01 00:00:00") // 60
        areas[2] = area(dev["board"]["fields"], [0x01, 0, 0x00] + le(made, 3))
    if "product" in dev:
        areas[3] = area(dev["product"]["fields"], [0x01, 0, 0x00])
    if "multirecords" in dev:
        areas[4] = []
        for i, r in enumerate(dev["multirecords"], 1):
            data = sum((le(v, n) for n, v in r["le"]), [])
            last = 0x80 if i == len(dev["multirecords"]) else 0
            head = [r["type"], 0x02 | last, len(data), checksum(data)]
            areas[4] += head + [checksum(head)] + data
    offsets, body = [], []
    for a in areas:
        offsets.append((8 + len(body)) // 8 if a is not None else 0)
        body += (a or []) + [0] * (-len(a or []) % 8)
    head = [0x01] + offsets + [0x00]
    return head + [checksum(head)] + body


def sel_entry(e, server, by_num):
    rtype, ts = e.get("type", 0x02), e.get("t", 0)
    ts = seconds(ts) if isinstance(ts, str) else ts
    if rtype >= 0xE0:
        body = list(bytes.fromhex(e["oem"]))
    elif rtype >= 0xC0:
        body = le(ts, 4) + le(server["manufacturer"], 3) + list(bytes.fromhex(e["oem"]))
    else:
        ed = [e.get("ed1", 0) | e["offset"], e.get("ed2", 0xFF), e.get("ed3", 0xFF)]
        if "trigger" in e:  # trigger reading in event data 2, threshold in 3
            s = by_num[e["sensor"]]
            ed = [0x50 | e["offset"], to_raw(s, e["trigger"][0]), s["thr"][e["trigger"][1]]]
        body = le(ts, 4) + [e.get("gen", server["bmc"]), 0x00, 0x04, e["stype"], e["sensor"],
                            (0x80 if e.get("deassert") else 0) | e["rtype"]] + ed
    assert len(body) == 13, e
    return e["id"], le(e["id"], 2) + [rtype] + body, (ts if rtype < 0xE0 else 0)


def hex_lines(data):
    parts = ["0x%02x" % b for b in data]
    return " \\\n    ".join(" ".join(parts[i:i + 16]) for i in range(0, len(parts), 16))


def emu_file(server, source, title, full):
    bmc, seeded = server["bmc"], full and "entries" in server["sel"]
    out = ["# " + title, "# Emitted by gen_server.py from %s; edit that, not this file." % source,
           "# simctl: lan-params server.lanparm"] + (["# simctl: sel-seed server.sel"] if seeded else [])
    out += ["", "# Controllers on IPMB.", "mc_setbmc 0x%02x" % bmc]
    for c in server["controllers"]:
        major, minor = c["firmware"].split(".")
        out += ["# %02xh: %s" % (c["addr"], c["what"]),
                "mc_add 0x%02x 0x%02x no-device-sdrs 0x%02x %s 0x%s 0x%02x 0x%x 0x%04x dynsens"
                % (c["addr"], c["device_id"], c["revision"], major, minor, c["support"],
                   server["manufacturer"], c["product"]), "mc_enable 0x%02x" % c["addr"]]
    sel = server["sel"]
    out += ["sel_enable 0x%02x %d 0x%02x" % (bmc, sel["max_entries"], sel["flags"]), "", "# FRU devices."]
    for dev in server["fru"]:
        image = fru_image(dev)
        out += ["# %s (controller %02xh, device %d): %d bytes"
                % (dev["name"], dev["mc"], dev["dev"], len(image)),
                "mc_add_fru_data 0x%02x %d %d data \\\n    %s"
                % (dev["mc"], dev["dev"], -(-len(image) // 64) * 64, hex_lines(image))]
    if full:
        out += ["", "# Sensors (state first, so that the SDRs below do not re-initialise them)."]
        for s in server["sensors"]:
            lines = sensor_commands(s)
            if lines:
                out += ["# %02xh/%d %02xh %s" % (s["owner"], s["lun"], s["num"], s["name"])] + lines
        out += ["", "# SDR repository."]
        for i, (rec, rtype, label) in enumerate(sdr_records(server), 1):
            out += ["# record %d: type %02xh, %s" % (i, rtype, label),
                    "main_sdr_add 0x%02x \\\n    %s" % (bmc, hex_lines(rec))]
    return "\n".join(out) + "\n"


def sel_seed(server):
    by_num = {s["num"]: s for s in server["sensors"] if "unit" in s}
    entries = [sel_entry(e, server, by_num) for e in server["sel"]["entries"]]
    lines = ["%d:d:%s" % (rid, "".join("\\%02x" % b for b in data)) for rid, data, _ in reversed(entries)]
    return "\n".join(lines + ["last_erase_time:i:%d" % seconds(server["sel"]["erased"]),
                              "last_add_time:i:%d" % max(ts for _, _, ts in entries)]) + "\n"


def sensors_md(server):
    rows = ["| owner/LUN | number | name | reading | state |", "|---|---|---|---|---|"]
    for s in server["sensors"]:
        if "unit" in s:
            reading = "%.*f %s" % (max(0, -s["rexp"]), value(s, s["raw"]), UNITS[s["unit"]])
            state = ",".join(k for i, k in enumerate(THRESHOLDS) if status_bits(s) >> i & 1) or "ok"
            if not s["simulated"] or not s["scanning"]:
                reading, state = "unavailable" if s["scanning"] else "scanning disabled", "-"
            rows.append("| %02Xh/%d | %02Xh | %s | %s | %s |"
                        % (s["owner"], s["lun"], s["num"], s["name"], reading, state))
            continue
        for i, states in enumerate(s["states"]):
            modifier = chr(65 + s["mod_offset"] + i) if s["modifier"] == "alpha" else str(s["mod_offset"] + i)
            name = s["name"] if len(s["states"]) == 1 else s["name"] + " " + modifier
            rows.append("| %02Xh/%d | %02Xh | %s | %s | offsets %s |" % (
                s["owner"], s["lun"], s["num"] + i, name, s["record"], ",".join(map(str, states)) or "none"))
    return "\n".join(rows) + "\n"


def main():
    outdir = sys.argv[1]
    server, satellites = load(os.path.join(HERE, "server.json")), load(os.path.join(HERE, "satellites.json"))
    prepare(server)
    prepare(satellites)
    files = {"server.emu": emu_file(server, "server.json", "Simulated two-socket server: BMC 20h and hot-swap "
                                    "backplane controller C0h.", True),
             "empty.emu": emu_file(server, "server.json", "The simulated server with an empty SDR repository "
                                   "and an empty SEL.", False),
             "satellites.emu": emu_file(satellites, "satellites.json", "Simulated modular server: BMC 20h and "
                                        "satellite controllers 01h to 06h.", True),
             "server.sel": sel_seed(server),
             "server.lanparm": "# LAN parameters of channel 1, served through lan_config_program.\n"
             + "".join("%s:%s\n" % kv for kv in server["lan"].items()),
             "sensors.md": sensors_md(server)}
    os.makedirs(outdir, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(outdir, name), "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()

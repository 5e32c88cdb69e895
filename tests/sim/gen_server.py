#!/usr/bin/env python3
"""Generates the simulated two-socket server for ipmi_sim.

Every SDR record, FRU image and SEL entry is laid out here byte by byte in
the order the IPMI v2.0 specification (SDR and SEL chapters) and the
Platform Management FRU Information Storage Definition v1.0 define, with
lengths and checksums computed rather than typed.

Outputs (next to this script):
  server.emu       ipmi_sim command file: controllers, sensors, SDRs, FRUs
  server.sel       SEL seed in ipmi_sim's persistence format (simctl copies it)
  server.lanparm   LAN parameters served through lan_config_program
  empty.emu        the same controllers and FRUs with an empty SDR repository
  sensors.md       every sensor: owner, number, record, reading, state
  sel.md           every SEL entry, field by field

  gen_server.py           write the files
  gen_server.py --check   exit 1 if any committed file differs from the output
"""

import datetime
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

BMC = 0x20          # IPMB slave address of the BMC
BIOS_SWID = 0x01    # owner/generator byte of system software ID 01h (BIOS)
HSBP = 0xC0         # hot-swap backplane controller, a satellite on IPMB channel 0
MFG_ID = 20974      # IANA enterprise number reported by Get Device ID (AMI)
PRODUCT_ID = 0x0B2D

# ---------------------------------------------------------------- bytes and encodings


def le16(v):
    return [v & 0xFF, (v >> 8) & 0xFF]


def le24(v):
    return [v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF]


def le32(v):
    return [v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF]


def zero_checksum(data):
    return (-sum(data)) & 0xFF


def utc(text):
    """Seconds since 1970 for 'YYYY-MM-DD HH:MM:SS' in UTC."""
    t = datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
    return int(t.replace(tzinfo=datetime.timezone.utc).timestamp())


def tc(v, bits):
    """v as a bits-wide two's complement field."""
    assert -(1 << (bits - 1)) <= v < (1 << (bits - 1)), (v, bits)
    return v & ((1 << bits) - 1)


# Type/length encodings shared by SDR ID strings and FRU fields.
def enc_ascii8(text):
    """8-bit ASCII + Latin-1 (type 11b)."""
    data = list(text.encode("latin-1"))
    assert len(data) <= 63
    return [0xC0 | len(data)] + data


def enc_packed6(text):
    """6-bit packed ASCII (type 10b): 4 characters in 3 bytes, LS bits first."""
    assert len(text) % 4 == 0, "pad 6-bit text to a multiple of 4 characters"
    bits = 0
    nbits = 0
    out = []
    for ch in text:
        c = ord(ch)
        assert 0x20 <= c <= 0x5F, ch
        bits |= (c - 0x20) << nbits
        nbits += 6
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    assert nbits == 0
    return [0x80 | len(out)] + out


BCD_PLUS = "0123456789 -."


def enc_bcdplus(text):
    """BCD plus (type 01b): two characters per byte, the first in the high nibble."""
    assert len(text) % 2 == 0
    out = []
    for i in range(0, len(text), 2):
        out.append((BCD_PLUS.index(text[i]) << 4) | BCD_PLUS.index(text[i + 1]))
    return [0x40 | len(out)] + out


def enc_binary(data):
    """Binary or unspecified (type 00b)."""
    return [0x00 | len(data)] + list(data)


# ---------------------------------------------------------------- sensors

# Entity IDs (IPMI v2.0 table 43-13) used below.
ENT_PROCESSOR = 0x03
ENT_POWER_SUPPLY = 0x0A
ENT_SYSTEM_BOARD = 0x07
ENT_DRIVE_BACKPLANE = 0x0F
ENT_SYSTEM_CHASSIS = 0x17
ENT_FAN = 0x1D
ENT_MEMORY_DEVICE = 0x20
ENT_AIR_INLET = 0x37
ENT_POWER_MODULE = 0x14
ENT_BMC = 0x2E
ENT_ADDIN_CARD = 0x0B
ENT_POWER_MGMT = 0x15
ENT_DRIVE_BAY = 0x1A

THRESHOLD_NAMES = ["lnc", "lc", "lnr", "unc", "uc", "unr"]


class Threshold:
    """A full (type 01h) threshold sensor.

    value = (M * raw + B * 10^Bexp) * 10^Rexp, raw signed when fmt is '2c'.
    Thresholds are given in engineering units and stored as the nearest raw.
    """

    def __init__(self, num, name, stype, unit, entity, inst, m, b, bexp, rexp,
                 reading, owner=BMC, lun=0, fmt="unsigned", thresholds=None,
                 hyst=0, scanning=True, simulated=True, nominal=None,
                 note="", tolerance=0, accuracy=0, acc_exp=0, linearization=0):
        self.num, self.name, self.stype, self.unit = num, name, stype, unit
        self.entity, self.inst = entity, inst
        self.m, self.b, self.bexp, self.rexp = m, b, bexp, rexp
        self.owner, self.lun, self.fmt = owner, lun, fmt
        self.thresholds = {k: self.raw(v) for k, v in (thresholds or {}).items()}
        self.hyst, self.scanning, self.simulated = hyst, scanning, simulated
        self.reading_raw = self.raw(reading)
        self.nominal = self.raw(nominal) if nominal is not None else None
        self.note = note
        self.tolerance, self.accuracy, self.acc_exp = tolerance, accuracy, acc_exp
        self.linearization = linearization

    # Conversion ---------------------------------------------------------
    def signed(self, raw):
        if self.fmt == "2c" and raw >= 0x80:
            return raw - 0x100
        return raw

    def value(self, raw):
        x = self.signed(raw)
        return (self.m * x + self.b * 10 ** self.bexp) * 10 ** self.rexp

    def raw(self, v):
        lo, hi = (-128, 127) if self.fmt == "2c" else (0, 255)
        best = min(range(lo, hi + 1),
                   key=lambda x: abs((self.m * x + self.b * 10 ** self.bexp)
                                     * 10 ** self.rexp - v))
        return best & 0xFF

    def decimals(self):
        return max(0, -self.rexp)

    # Threshold comparison status (what a BMC reports in the reading) ----
    def status_bits(self):
        x = self.signed(self.reading_raw)
        bits = 0
        for i, k in enumerate(THRESHOLD_NAMES):
            if k not in self.thresholds:
                continue
            t = self.signed(self.thresholds[k])
            if (i < 3 and x <= t) or (i >= 3 and x >= t):
                bits |= 1 << i
        return bits

    # SDR ----------------------------------------------------------------
    def event_masks(self):
        """Assertion/deassertion event bits and the readable-threshold mask."""
        events = 0
        readable = 0
        for i, k in enumerate(THRESHOLD_NAMES):
            if k in self.thresholds:
                readable |= 1 << i
                events |= 1 << (i * 2 if i < 3 else i * 2 + 1)
        return events, readable

    def sdr(self):
        events, readable = self.event_masks()
        lower_ret = readable & 0x07
        upper_ret = (readable >> 3) & 0x07
        assert_mask = events | (lower_ret << 12)
        deassert_mask = events | (upper_ret << 12)
        init = 0x7F if self.scanning else 0x7E
        hyst_support = 0x01 if self.hyst else 0x00
        caps = 0x40 | (hyst_support << 4) | (0x01 << 2) | 0x00
        fmt = {"unsigned": 0, "1c": 1, "2c": 2}[self.fmt]
        m = tc(self.m, 10)
        b = tc(self.b, 10)
        acc = self.accuracy
        body = [
            self.owner, (0 << 4) | self.lun, self.num,
            self.entity, self.inst,
            init, caps, self.stype, 0x01,
            *le16(assert_mask), *le16(deassert_mask),
            readable, 0x00,                       # readable / settable thresholds
            fmt << 6, self.unit, 0x00,
            self.linearization,
            m & 0xFF, ((m >> 2) & 0xC0) | (self.tolerance & 0x3F),
            b & 0xFF, ((b >> 2) & 0xC0) | (acc & 0x3F),
            ((acc >> 6) & 0x0F) << 4 | (self.acc_exp & 0x03) << 2 | 0x01,  # input
            (tc(self.rexp, 4) << 4) | tc(self.bexp, 4),
            0x01 if self.nominal is not None else 0x00,
            self.nominal if self.nominal is not None else 0x00,
            0xFF if self.fmt == "unsigned" else 0x7F,   # normal maximum (unused)
            0x00 if self.fmt == "unsigned" else 0x80,   # normal minimum (unused)
            0xFF if self.fmt == "unsigned" else 0x7F,   # sensor maximum reading
            0x00 if self.fmt == "unsigned" else 0x80,   # sensor minimum reading
        ]
        for k in ("unr", "uc", "unc", "lnr", "lc", "lnc"):
            body.append(self.thresholds.get(k, 0x00))
        body += [self.hyst, self.hyst, 0x00, 0x00, 0x00]
        body += self.id_bytes()
        return 0x01, body

    def id_bytes(self):
        return enc_ascii8(self.name)

    # ipmi_sim -------------------------------------------------------------
    def emu(self):
        if not self.simulated:
            return []
        o, l, n = "0x%02x" % self.owner, self.lun, "0x%02x" % self.num
        events, readable = self.event_masks()
        ev15 = format(events, "015b")
        sup = "".join("1" if k in self.thresholds else "0"
                      for k in reversed(THRESHOLD_NAMES))
        vals = " ".join("0x%02x" % self.thresholds.get(k, 0)
                        for k in reversed(THRESHOLD_NAMES))
        lines = [
            "sensor_add %s %d %s 0x%02x 0x01" % (o, l, n, self.stype),
            "sensor_set_threshold %s %d %s readable %s %s" % (o, l, n, sup, vals),
            "sensor_set_hysteresis %s %d %s %s %d %d"
            % (o, l, n, "readable" if self.hyst else "none", self.hyst, self.hyst),
            "sensor_set_event_support %s %d %s enable %s per-state %s %s %s %s"
            % (o, l, n, "scanning" if self.scanning else "no-scanning",
               ev15, ev15, ev15, ev15),
            "sensor_set_value %s %d %s 0x%02x 0" % (o, l, n, self.reading_raw),
        ]
        # The simulator compares raw bytes as unsigned numbers; state the
        # comparison bits explicitly so signed sensors report them right.
        bits = self.status_bits()
        for i in range(6):
            lines.append("sensor_set_bit %s %d %s %d %d 0" % (o, l, n, i, (bits >> i) & 1))
        return lines

    def reading_text(self):
        if not self.simulated:
            return "unavailable"
        if not self.scanning:
            return "scanning disabled"
        return "%.*f" % (self.decimals(), self.value(self.reading_raw))

    def status_text(self):
        bits = self.status_bits()
        names = [n for i, n in enumerate(["lnc", "lc", "lnr", "unc", "uc", "unr"])
                 if bits >> i & 1]
        return ",".join(names) if names else "ok"


class Packed6Threshold(Threshold):
    """A threshold sensor whose ID string is 6-bit packed ASCII."""

    def id_bytes(self):
        return enc_packed6(self.name)


class Discrete:
    """A discrete sensor: full (01h), compact (02h) or event-only (03h) record.

    share > 1 makes a compact or event-only record stand for share sensors
    numbered num, num+1, ...; states[i] are the asserted offsets of sensor i.
    """

    def __init__(self, num, name, stype, rtype, entity, inst, supported,
                 states, kind="compact", share=1, modifier="numeric",
                 mod_offset=0, inst_increments=True, owner=BMC, lun=0, note="",
                 names=None):
        self.num, self.name, self.stype, self.rtype = num, name, stype, rtype
        self.entity, self.inst = entity, inst
        self.supported = supported            # bit mask of offsets the sensor has
        self.states = states                  # list (per shared sensor) of offsets
        self.kind, self.share = kind, share
        self.modifier, self.mod_offset = modifier, mod_offset
        self.inst_increments = inst_increments
        self.owner, self.lun, self.note = owner, lun, note
        self.names = names
        assert len(states) == share

    def sdr(self):
        sup = self.supported & 0x7FFF
        # Sensor direction unspecified; ID string instance modifier; share count.
        share_byte = ((1 if self.modifier == "alpha" else 0) << 4) | (self.share & 0x0F)
        inst_share = (0x80 if self.inst_increments else 0) | (self.mod_offset & 0x7F)
        if self.kind == "event-only":
            body = [self.owner, self.lun, self.num, self.entity, self.inst,
                    self.stype, self.rtype, share_byte, inst_share, 0x00, 0x00]
            return 0x03, body + enc_ascii8(self.name)
        init = 0x63          # init scanning + events, events and scanning on
        caps = 0x40          # auto re-arm, no hysteresis/thresholds, per-state
        common = [self.owner, self.lun, self.num, self.entity, self.inst,
                  init, caps, self.stype, self.rtype,
                  *le16(sup), *le16(sup), *le16(sup),
                  0xC0, 0x00, 0x00]            # no analog reading, no units
        if self.kind == "compact":
            body = common + [share_byte, inst_share, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x00]
            return 0x02, body + enc_ascii8(self.name)
        assert self.kind == "full" and self.share == 1
        body = common + [0x00]                 # linearization
        body += [0x00] * 6                     # M, tolerance, B, accuracy, exponents
        body += [0x00] * 6                     # analog flags, nominal .. sensor minimum
        body += [0x00] * 6                     # thresholds
        body += [0x00] * 5                     # hysteresis, reserved, OEM
        return 0x01, body + enc_ascii8(self.name)

    def sensor_names(self):
        if self.names:
            return self.names
        if self.share == 1:
            return [self.name]
        out = []
        for i in range(self.share):
            if self.modifier == "alpha":
                out.append(self.name + " " + chr(ord("A") + self.mod_offset + i))
            else:
                out.append(self.name + " " + str(self.mod_offset + i))
        return out

    def emu(self):
        if self.kind == "event-only":
            return []
        lines = []
        o = "0x%02x" % self.owner
        sup15 = format(self.supported & 0x7FFF, "015b")
        for i in range(self.share):
            n = "0x%02x" % (self.num + i)
            lines.append("sensor_add %s %d %s 0x%02x 0x%02x"
                         % (o, self.lun, n, self.stype, self.rtype))
            lines.append("sensor_set_event_support %s %d %s enable scanning per-state "
                         "%s %s %s %s" % (o, self.lun, n, sup15, sup15, sup15, sup15))
            for off in self.states[i]:
                lines.append("sensor_set_bit %s %d %s %d 1 0" % (o, self.lun, n, off))
        return lines


# Masks of discrete state offsets.
def bits(*offsets):
    v = 0
    for o in offsets:
        v |= 1 << o
    return v


def server_sensors():
    C, V, A, W, RPM, CFM = 1, 4, 5, 6, 18, 17
    T, VOLT, CURR, FAN, OTHER = 0x01, 0x02, 0x03, 0x04, 0x0B
    temp_hi = lambda unc, uc, unr: {"unc": unc, "uc": uc, "unr": unr}
    s = []
    # --- temperatures: M=1, B=0, no exponents ---------------------------
    s += [
        Threshold(0x01, "Inlet Temp", T, C, ENT_AIR_INLET, 1, 1, 0, 0, 0, 24,
                  thresholds={"lc": 5, "lnc": 8, "unc": 42, "uc": 47, "unr": 50}, hyst=2),
        Threshold(0x02, "Exhaust Temp", T, C, ENT_SYSTEM_BOARD, 1, 1, 0, 0, 0, 38,
                  thresholds=temp_hi(70, 75, 80), hyst=2),
        Threshold(0x03, "CPU1 Temp", T, C, ENT_PROCESSOR, 1, 1, 0, 0, 0, 52,
                  thresholds=temp_hi(85, 90, 95), hyst=2),
        Threshold(0x04, "CPU2 Temp", T, C, ENT_PROCESSOR, 2, 1, 0, 0, 0, 49,
                  thresholds=temp_hi(85, 90, 95), hyst=2),
        Threshold(0x05, "CPU1 Margin", T, C, ENT_PROCESSOR, 1, 1, 0, 0, 0, -38,
                  fmt="2c", thresholds={"unc": -10, "uc": -5, "unr": 0}, hyst=1,
                  note="2's complement: negative reading, thresholds below zero"),
        Threshold(0x06, "PCH Temp", T, C, ENT_SYSTEM_BOARD, 1, 1, 0, 0, 0, 55, lun=1,
                  thresholds=temp_hi(90, 95, 100), hyst=2,
                  note="owned by the BMC's LUN 1"),
        Threshold(0x07, "DIMM ZN1 Temp", T, C, ENT_MEMORY_DEVICE, 1, 1, 0, 0, 0, 41,
                  thresholds=temp_hi(80, 85, 90), hyst=2),
        Threshold(0x08, "DIMM ZN2 Temp", T, C, ENT_MEMORY_DEVICE, 2, 1, 0, 0, 0, 43,
                  thresholds=temp_hi(80, 85, 90), hyst=2),
        Threshold(0x09, "VR CPU1 Temp", T, C, ENT_POWER_MODULE, 1, 1, 0, 0, 0, 47,
                  thresholds=temp_hi(100, 110, 115), hyst=2),
        Threshold(0x0A, "VR CPU2 Temp", T, C, ENT_POWER_MODULE, 2, 1, 0, 0, 0, 45,
                  thresholds=temp_hi(100, 110, 115), hyst=2),
        Threshold(0x0B, "PSU1 Temp", T, C, ENT_POWER_SUPPLY, 1, 1, 0, 0, 0, 36,
                  thresholds=temp_hi(60, 65, 70), hyst=2),
        Threshold(0x0C, "PSU2 Temp", T, C, ENT_POWER_SUPPLY, 2, 1, 0, 0, 0, 0,
                  thresholds=temp_hi(60, 65, 70), hyst=2, simulated=False,
                  note="reading unavailable: the SDR exists but the controller "
                       "has no such sensor (Get Sensor Reading: CC CCh)"),
        Threshold(0x0D, "Riser2 Temp", T, C, ENT_ADDIN_CARD, 2, 1, 0, 0, 0, 0,
                  thresholds=temp_hi(80, 85, 90), hyst=2, scanning=False,
                  note="scanning disabled (reading byte 2 bit 6 clear)"),
    ]
    # --- voltages: non-unity M and B, non-zero exponents ----------------
    s += [
        Threshold(0x10, "P12V", VOLT, V, ENT_SYSTEM_BOARD, 1, 63, 0, 0, -3, 11.97,
                  thresholds={"lc": 10.71, "lnc": 11.40, "unc": 12.60, "uc": 13.23},
                  nominal=12.0, tolerance=2, accuracy=150, acc_exp=0),
        Threshold(0x11, "P5V", VOLT, V, ENT_SYSTEM_BOARD, 1, 26, 0, 0, -3, 4.99,
                  thresholds={"lc": 4.50, "uc": 5.50}, nominal=5.0),
        Threshold(0x12, "P3V3", VOLT, V, ENT_SYSTEM_BOARD, 1, 17, 50, 0, -3, 3.30,
                  thresholds={"lc": 2.97, "uc": 3.63}, nominal=3.3),
        Threshold(0x13, "P1V05 PCH", VOLT, V, ENT_SYSTEM_BOARD, 1, 5, 2, 2, -3, 1.05,
                  thresholds={"lc": 0.95, "uc": 1.15}),
        Threshold(0x14, "PVCCIN CPU1", VOLT, V, ENT_PROCESSOR, 1, 10, -5, 1, -3, 1.80,
                  thresholds={"lc": 1.60, "uc": 2.00}, note="negative B"),
        Threshold(0x15, "PVCCIN CPU2", VOLT, V, ENT_PROCESSOR, 2, 10, -5, 1, -3, 1.79,
                  thresholds={"lc": 1.60, "uc": 2.00}, note="negative B"),
        Threshold(0x16, "PVDDQ ABCD", VOLT, V, ENT_MEMORY_DEVICE, 1, 8, 0, 0, -3, 1.20,
                  thresholds={"lc": 1.08, "uc": 1.32}),
        Threshold(0x17, "PVDDQ EFGH", VOLT, V, ENT_MEMORY_DEVICE, 2, 8, 0, 0, -3, 1.208,
                  thresholds={"lc": 1.08, "uc": 1.32}),
        Threshold(0x18, "VBAT", VOLT, V, ENT_SYSTEM_BOARD, 1, 157, 0, 0, -4, 3.05,
                  thresholds={"lc": 2.50, "lnc": 2.70}),
        Packed6Threshold(0x19, "P1V8 AUX", VOLT, V, ENT_SYSTEM_BOARD, 1, 9, 0, 0, -3,
                         1.80, thresholds={"lc": 1.62, "uc": 1.98},
                         note="ID string in 6-bit packed ASCII"),
    ]
    # --- fans -----------------------------------------------------------
    fan_raw = [8400, 8520, 8280, 8640, 8400, 1680]
    for i, rpm in enumerate(fan_raw):
        s.append(Threshold(0x20 + i, "Fan%d" % (i + 1), FAN, RPM, ENT_FAN, i + 1,
                           120, 0, 0, 0, rpm, thresholds={"lc": 1200, "lnc": 1800},
                           note="below its lower non-critical threshold"
                           if i == 5 else ""))
    # --- current, power, airflow ---------------------------------------
    s += [
        Threshold(0x30, "PSU1 Current", CURR, A, ENT_POWER_SUPPLY, 1, 5, 0, 0, -1, 25.0,
                  thresholds={"unc": 70.0, "uc": 80.0}),
        Threshold(0x31, "PSU1 Input Pwr", OTHER, W, ENT_POWER_SUPPLY, 1, 4, 0, 0, 0, 320,
                  thresholds={"uc": 1000}),
        Threshold(0x32, "Pwr Consumption", CURR, W, ENT_POWER_MGMT, 1, 14, 0, 0, 0, 308,
                  thresholds={"unc": 840, "uc": 980},
                  note="Current sensor type with a Watts unit"),
        Threshold(0x33, "PSU1 Input Volt", VOLT, V, ENT_POWER_SUPPLY, 1, 2, 0, 0, 0, 230,
                  thresholds={"lc": 180, "uc": 264}),
        Threshold(0x34, "Sys Airflow", OTHER, CFM, ENT_SYSTEM_CHASSIS, 1, 1, 0, 0, 0, 62),
    ]
    # --- discrete sensors on the BMC ------------------------------------
    s += [
        Discrete(0x40, "CPU", 0x07, 0x6F, ENT_PROCESSOR, 1,
                 bits(0, 1, 2, 3, 4, 5, 7, 8, 9), [[7], [7]], share=2, mod_offset=1,
                 note="compact, share count 2: presence detected on both"),
        Discrete(0x48, "DIMM", 0x0C, 0x6F, ENT_MEMORY_DEVICE, 1,
                 bits(0, 1, 4, 5, 6), [[6], [6], [0, 6], [1, 6]], share=4,
                 modifier="alpha", mod_offset=0,
                 note="compact, share count 4, alphabetic modifier; C correctable "
                      "ECC, D uncorrectable ECC"),
        Discrete(0x50, "PSU", 0x08, 0x6F, ENT_POWER_SUPPLY, 1,
                 bits(0, 1, 2, 3), [[0], [0, 1, 3]], share=2, mod_offset=1,
                 note="compact, share count 2: PSU2 failed, input lost"),
        Discrete(0x52, "PS Redundancy", 0x08, 0x0B, ENT_POWER_SUPPLY, 1,
                 bits(0, 1, 2), [[1]], note="generic redundancy: redundancy lost"),
        Discrete(0x53, "Watchdog", 0x23, 0x6F, ENT_BMC, 1,
                 bits(0, 1, 2, 3, 8), [[]], note="watchdog 2, no state asserted"),
        Discrete(0x54, "Sys Health", 0x28, 0x07, ENT_SYSTEM_BOARD, 1,
                 bits(0, 1, 2, 3), [[1]], kind="full",
                 note="full record, generic severity: non-critical from OK"),
        Discrete(0x55, "Intrusion", 0x05, 0x6F, ENT_SYSTEM_CHASSIS, 1,
                 bits(0), [[]], note="physical security, no state asserted"),
        Discrete(0x56, "Drive", 0x0D, 0x6F, ENT_DRIVE_BAY, 1,
                 bits(0, 1, 2), [[0], [0], [0], []], share=4, mod_offset=0,
                 note="compact, share count 4; slot 3 empty"),
        Discrete(0x5B, "ACPI State", 0x22, 0x6F, ENT_SYSTEM_CHASSIS, 1,
                 bits(0, 5, 6), [[0]]),
        Discrete(0x5C, "Riser1 Card", 0x15, 0x08, ENT_ADDIN_CARD, 1,
                 bits(0, 1), [[1]], note="generic device present/absent"),
        Discrete(0x70, "SEL Status", 0x10, 0x6F, ENT_BMC, 1,
                 bits(1, 2, 4, 5), [[]], kind="event-only"),
        Discrete(0x71, "System Event", 0x12, 0x6F, ENT_SYSTEM_BOARD, 1,
                 bits(1, 5), [[]], kind="event-only", owner=BIOS_SWID,
                 note="owned by system software ID 01h (BIOS)"),
        Discrete(0x72, "Critical IRQ", 0x13, 0x6F, ENT_SYSTEM_BOARD, 1,
                 bits(0, 4, 5, 8), [[]], kind="event-only", owner=BIOS_SWID,
                 note="owned by system software ID 01h (BIOS)"),
    ]
    # --- the satellite controller: bridged over IPMB -------------------
    s += [
        Threshold(0xE0, "HSBP Temp", T, C, ENT_DRIVE_BACKPLANE, 1, 1, 0, 0, 0, 31,
                  owner=HSBP, thresholds=temp_hi(55, 60, 65), hyst=2,
                  note="on the satellite controller 20h->C0h (bridged)"),
        Discrete(0xE1, "HSBP Cable", 0x1B, 0x6F, ENT_DRIVE_BACKPLANE, 1,
                 bits(0, 1), [[0]], owner=HSBP,
                 note="on the satellite controller (bridged)"),
    ]
    return s


# ---------------------------------------------------------------- SDR records

def sdr_record(rid, rtype, body):
    assert len(body) <= 255 - 5
    return le16(rid) + [0x51, rtype, len(body)] + body


def fru_locator(fru_id, name, entity, inst):
    """FRU Device Locator (11h): a logical FRU device behind the BMC."""
    body = [BMC, fru_id, 0x80 | (0 << 3) | 0, 0x00, 0x00,
            0x10, 0x00, entity, inst, 0x00] + enc_ascii8(name)
    return 0x11, body


def mc_locator(addr, name, caps, entity, inst):
    """Management Controller Device Locator (12h)."""
    body = [addr, 0x00, 0x00, caps, 0x00, 0x00, 0x00, entity, inst, 0x00] \
        + enc_ascii8(name)
    return 0x12, body


def oem_record():
    """OEM record (C0h): manufacturer ID then data readers must skip."""
    return 0xC0, le24(MFG_ID) + [0x01, 0x10, 0x20, 0x30, 0x40]


# ---------------------------------------------------------------- FRU


def fru_area(fields_bytes, header):
    """An information area: header bytes, fields, C1h, pad to 8, checksum."""
    data = header + fields_bytes + [0xC1]
    while (len(data) + 1) % 8:
        data.append(0x00)
    data.append(0)
    data[1] = len(data) // 8
    data[-1] = zero_checksum(data[:-1])
    return data


def chassis_area(ctype, part, serial, custom):
    return fru_area(part + serial + sum(custom, []), [0x01, 0, ctype])


def board_area(mfg_minutes, fields, custom):
    return fru_area(sum(fields, []) + sum(custom, []), [0x01, 0, 0x00] + le24(mfg_minutes))


def product_area(fields, custom):
    return fru_area(sum(fields, []) + sum(custom, []), [0x01, 0, 0x00])


def multirecord(records):
    out = []
    for i, (rtype, data) in enumerate(records):
        last = 0x80 if i == len(records) - 1 else 0x00
        hdr = [rtype, last | 0x02, len(data), zero_checksum(data)]
        out += hdr + [zero_checksum(hdr)] + data
    return out


def internal_use_area(data):
    area = [0x01] + data
    while len(area) % 8:
        area.append(0x00)
    return area


def fru_image(internal=None, chassis=None, board=None, product=None, multi=None):
    offs = []
    body = []
    pos = 8
    for area in (internal, chassis, board, product, multi):
        if area is None:
            offs.append(0)
            continue
        offs.append(pos // 8)
        body += area
        pos += len(area)
        while pos % 8:
            body.append(0)
            pos += 1
    hdr = [0x01] + offs + [0x00]
    hdr.append(zero_checksum(hdr))
    return hdr + body


def minutes_since_1996(text):
    t = datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
    return int((t - datetime.datetime(1996, 1, 1)).total_seconds() // 60)


def dc_output(number, mv, neg, pos, ripple, imin, imax):
    return 0x01, [number & 0x0F] + le16(tc(mv // 10, 16)) + le16(neg // 10) \
        + le16(pos // 10) + le16(ripple) + le16(imin) + le16(imax)


def psu_info(capacity, peak_va, in_lo, in_hi, peak_w, holdup):
    return 0x00, le16(capacity) + le16(peak_va) + [40, 5] + le16(in_lo // 10) \
        + le16(in_hi // 10) + [0, 0, 0, 0] + [47, 63, 20, 0x1E] \
        + le16((holdup << 12) | peak_w) + [0x00, 0x00, 0x00, 0x00]


MAKER = "Norvale Systems"
BOARD_MFG_TIME = "2014-03-05 17:02:00"


def fru_devices():
    """(controller, device ID, description, image bytes)."""
    dev0 = fru_image(
        internal=internal_use_area([0x4E, 0x56, 0x00, 0x01, 0x02, 0x03]),
        chassis=chassis_area(
            0x17,                                   # rack mount chassis
            enc_ascii8("CH-2U-R24"),               # part number: 8-bit ASCII
            enc_packed6("C829UAH42A01"),           # serial: 6-bit packed
            [enc_bcdplus("2024-03-05"),            # custom: BCD plus
             enc_binary([0x01, 0x02, 0xAB, 0xCD])]),   # custom: binary
        board=board_area(
            minutes_since_1996(BOARD_MFG_TIME),
            [enc_ascii8(MAKER),                    # manufacturer
             enc_ascii8("NV-2S Mainboard"),        # product name
             enc_packed6("NM23A0041700"),          # serial: 6-bit packed
             enc_bcdplus("0905-2341-01"),          # part number: BCD plus
             enc_ascii8("FRU v1.2")],              # FRU file ID
            [enc_ascii8("Temp 10-35\u00b0C"),      # custom: Latin-1 degree sign
             enc_binary([0xDE, 0xAD, 0xBE, 0xEF])]),
        product=product_area(
            [enc_ascii8(MAKER),                    # manufacturer
             enc_ascii8("NV2200 Server"),          # product name
             enc_bcdplus("22000001"),              # part/model number: BCD plus
             enc_packed6("REV A2.1"),              # version: 6-bit packed
             enc_ascii8("NV22A9K31007"),           # serial number
             enc_ascii8(""),                       # asset tag: empty
             enc_binary([0x22, 0x01])],            # FRU file ID: binary
            [enc_ascii8("Config 7")]),
        multi=multirecord([dc_output(1, 12000, 600, 600, 120, 500, 62500)]),
    )
    psu1 = fru_image(
        product=product_area(
            [enc_ascii8(MAKER), enc_ascii8("NV-PS1100"), enc_ascii8("PS-1100-AC"),
             enc_ascii8("A01"), enc_ascii8("PS1K1A0042"), enc_ascii8(""),
             enc_ascii8("")], []),
        multi=multirecord([psu_info(1100, 1300, 90000, 264000, 1200, 2)]),
    )
    hsbp = fru_image(
        board=board_area(
            minutes_since_1996("2019-11-20 09:30:00"),
            [enc_ascii8(MAKER), enc_ascii8("NV 8x2.5 HSBP"), enc_ascii8("BP19K0077"),
             enc_ascii8("905-3310-02"), enc_ascii8("")], []),
    )
    return [(BMC, 0, "Builtin FRU Device", dev0),
            (BMC, 1, "PSU1 FRU", psu1),
            (HSBP, 0, "HSBP", hsbp)]


# ---------------------------------------------------------------- SEL

def sel_entries():
    """(record ID, 16 bytes) in log order."""
    E = []
    rid = [0]

    def add(rtype, payload):
        rid[0] += 1
        if rid[0] == 23:          # a gap: entry 23 was deleted
            rid[0] += 1
        assert len(payload) == 13
        E.append((rid[0], le16(rid[0]) + [rtype] + payload))

    def system(ts, sensor_type, sensor, rtype, offset, assertion=True, ed1_hi=0x00,
               ed2=0xFF, ed3=0xFF, gen=(BMC, 0x00)):
        dir_type = (0x00 if assertion else 0x80) | rtype
        add(0x02, le32(ts) + [gen[0], gen[1], 0x04, sensor_type, sensor, dir_type,
                              ed1_hi | offset, ed2, ed3])

    def threshold(ts, sensor, stype, offset, reading, thr, assertion=True, gen=(BMC, 0)):
        # ED1: trigger reading in ED2, trigger threshold in ED3.
        system(ts, stype, sensor, 0x01, offset, assertion, 0x50, reading, thr, gen)

    def oem_ts(ts, rtype, data6):
        add(rtype, le32(ts) + le24(MFG_ID) + data6)

    def oem(rtype, data13):
        add(rtype, data13)

    BIOS = (BIOS_SWID, 0x00)
    by_num = {s.num: s for s in server_sensors() if isinstance(s, Threshold)}
    raw = lambda num, v: by_num[num].raw(v)
    thr = lambda num, k: by_num[num].thresholds[k]

    t0 = utc("2024-03-01 08:00:00")
    system(t0, 0x10, 0x70, 0x6F, 2)                                   # log cleared
    # First boot: the BMC clock is not set yet (pre-init time stamps).
    system(0x00000008, 0x22, 0x5B, 0x6F, 0)                           # S0/G0 working
    system(0x00000009, 0x08, 0x50, 0x6F, 0)                           # PSU1 presence
    system(0x0000000A, 0x08, 0x51, 0x6F, 0)                           # PSU2 presence
    system(0x0000000B, 0x08, 0x52, 0x0B, 0)                           # fully redundant
    system(0x0000000C, 0x07, 0x40, 0x6F, 7)                           # CPU1 presence
    system(0x0000000C, 0x07, 0x41, 0x6F, 7)                           # CPU2 presence
    system(0x00000014, 0x12, 0x71, 0x6F, 5, ed1_hi=0xC0, ed2=0x00, gen=BIOS)  # clock sync 1st
    system(t0 + 312, 0x12, 0x71, 0x6F, 5, ed1_hi=0xC0, ed2=0x80, gen=BIOS)    # clock sync 2nd
    system(t0 + 340, 0x12, 0x71, 0x6F, 1, gen=BIOS)                   # OEM system boot
    oem_ts(0x00000016, 0xC0, [0x01, 0x00, 0x5A, 0x00, 0x00, 0x00])    # OEM, pre-init
    # Running.
    t1 = utc("2024-04-17 14:21:09")
    threshold(t1, 0x22, FAN_T, 0, raw(0x22, 1680), thr(0x22, "lnc"))         # Fan3 low
    threshold(t1 + 95, 0x22, FAN_T, 0, raw(0x22, 4200), thr(0x22, "lnc"), False)
    threshold(t1 + 3600, 0x03, TEMP_T, 7, raw(0x03, 86), thr(0x03, "unc"))  # CPU1 hot
    threshold(t1 + 3650, 0x05, TEMP_T, 7, raw(0x05, -9), thr(0x05, "unc"))  # margin
    threshold(t1 + 3700, 0x05, TEMP_T, 7, raw(0x05, -20), thr(0x05, "unc"), False)
    threshold(t1 + 3720, 0x03, TEMP_T, 7, raw(0x03, 80), thr(0x03, "unc"), False)
    threshold(t1 + 7200, 0x10, VOLT_T, 2, raw(0x10, 10.65), thr(0x10, "lc"))  # P12V sag
    threshold(t1 + 7201, 0x10, VOLT_T, 2, raw(0x10, 11.97), thr(0x10, "lc"), False)
    threshold(t1 + 9000, 0x32, CURR_T, 7, raw(0x32, 854), thr(0x32, "unc"))  # power
    threshold(t1 + 9060, 0x32, CURR_T, 7, raw(0x32, 600), thr(0x32, "unc"), False)
    system(t1 + 9100, 0x01, 0x01, 0x01, 9)      # Inlet UC going high, no trigger data
    threshold(t1 + 9200, 0xE0, TEMP_T, 7, raw(0xE0, 56), thr(0xE0, "unc"), gen=(HSBP, 0))
    system(t1 + 10000, 0x0C, 0x4A, 0x6F, 0)                           # DIMM C correctable
    system(t1 + 10001, 0x0C, 0x4A, 0x6F, 5)                           # logging limit
    system(t1 + 10002, 0x0C, 0x4B, 0x6F, 1)                           # DIMM D uncorrectable
    system(t1 + 10003, 0x13, 0x72, 0x6F, 5, gen=BIOS)                 # PCI SERR
    system(t1 + 10004, 0x13, 0x72, 0x6F, 4, gen=BIOS)                 # PCI PERR
    system(t1 + 10005, 0x07, 0x41, 0x6F, 0)                           # CPU2 IERR
    system(t1 + 10006, 0x23, 0x53, 0x6F, 1, ed1_hi=0xC0, ed2=0x04)                 # watchdog reset
    oem_ts(t1 + 10007, 0xD5, [0x10, 0x20, 0x30, 0x40, 0x50, 0x60])    # OEM time-stamped
    oem(0xE0, list(range(0x01, 0x0E)))                                # OEM, no time
    # Second boot.
    system(0x00000007, 0x22, 0x5B, 0x6F, 0)
    system(0x0000000D, 0x07, 0x41, 0x6F, 0, assertion=False)          # IERR cleared
    system(0x00000013, 0x12, 0x71, 0x6F, 5, ed1_hi=0xC0, ed2=0x00, gen=BIOS)
    t2 = utc("2024-04-17 17:40:33")
    system(t2, 0x12, 0x71, 0x6F, 5, ed1_hi=0xC0, ed2=0x80, gen=BIOS)
    system(t2 + 30, 0x12, 0x71, 0x6F, 1, gen=BIOS)
    t3 = utc("2025-01-09 03:12:44")
    system(t3, 0x05, 0x55, 0x6F, 0)                                   # intrusion
    system(t3 + 600, 0x05, 0x55, 0x6F, 0, assertion=False)
    system(t3 + 700, 0x0D, 0x57, 0x6F, 1)                             # drive 1 fault
    system(t3 + 4300, 0x0D, 0x57, 0x6F, 1, assertion=False)
    system(t3 + 4400, 0x0D, 0x59, 0x6F, 0, assertion=False)           # drive 3 removed
    system(t3 + 5000, 0x15, 0x5C, 0x08, 1)                            # riser present
    system(t3 + 5001, 0x28, 0x54, 0x07, 1)                            # severity
    oem_ts(t3 + 5002, 0xDF, [0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00])
    oem(0xF1, [0x7C, 0x2A, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55])
    t4 = utc("2025-06-30 22:05:10")
    system(t4, 0x08, 0x51, 0x6F, 1)                                   # PSU2 failure
    system(t4 + 1, 0x08, 0x51, 0x6F, 3)                               # PSU2 input lost
    system(t4 + 2, 0x08, 0x52, 0x0B, 1)                               # redundancy lost
    threshold(t4 + 40, 0x25, FAN_T, 0, raw(0x25, 1680), thr(0x25, "lnc"))    # Fan6 low
    system(t4 + 50, 0x02, 0x99, 0x01, 2, ed1_hi=0x00)                 # no SDR for 0x99
    system(t4 + 60, 0xD0, 0x9A, 0x70, 3, ed1_hi=0xA0, ed2=0x12, ed3=0x34)   # OEM type
    system(t4 + 70, 0x10, 0x70, 0x6F, 5)                              # SEL almost full
    oem(0xFF, [0xFF] * 13)
    return E


TEMP_T, VOLT_T, CURR_T, FAN_T = 0x01, 0x02, 0x03, 0x04


def persist_escape(data):
    return "".join("\\%02x" % b for b in data)


def sel_seed(entries):
    """ipmi_sim keeps its SEL in this form; it reverses the line order on load."""
    lines = []
    for rid, data in reversed(entries):
        lines.append("%d:d:%s" % (rid, persist_escape(data)))
    last_add = max(int.from_bytes(bytes(d[3:7]), "little")
                   for _, d in entries if d[2] < 0xE0)
    lines.append("last_erase_time:i:%d" % utc("2024-03-01 08:00:00"))
    lines.append("last_add_time:i:%d" % last_add)
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------- LAN

LAN_PARAMS = [
    ("ip_addr_src", "static"),
    ("ip_addr", "192.0.2.41"),
    ("subnet_mask", "255.255.255.0"),
    ("mac_addr", "02:1b:7c:5e:21:9d"),
    ("default_gw_ip_addr", "192.0.2.1"),
    ("default_gw_mac_addr", "00:00:5e:00:53:01"),
    ("backup_gw_ip_addr", "0.0.0.0"),
    ("backup_gw_mac_addr", "00:00:00:00:00:00"),
]


# ---------------------------------------------------------------- output

def fmt_bytes(data, per_line=16):
    parts = ["0x%02x" % b for b in data]
    lines = [" ".join(parts[i:i + per_line]) for i in range(0, len(parts), per_line)]
    return " \\\n    ".join(lines)


def controllers():
    return [
        "mc_setbmc 0x%02x" % BMC,
        "mc_add 0x%02x 0x20 no-device-sdrs 0x01 1 0x73 0xbf 0x%x 0x%04x dynsens"
        % (BMC, MFG_ID, PRODUCT_ID),
        "mc_enable 0x%02x" % BMC,
        "mc_add 0x%02x 0x41 no-device-sdrs 0x02 2 0x10 0x09 0x%x 0x0c01 dynsens"
        % (HSBP, MFG_ID),
        "mc_enable 0x%02x" % HSBP,
        "sel_enable 0x%02x 1000 0x0a" % BMC,
    ]


def emu_file(title, with_sdrs, sel_name, lan_name):
    out = [
        "# %s" % title,
        "# Generated by gen_server.py; edit that script, not this file.",
        "# simctl: lan-params %s" % lan_name,
    ]
    if sel_name:
        out.append("# simctl: sel-seed %s" % sel_name)
    out += ["", "# Controllers: the BMC and a hot-swap backplane controller on IPMB."]
    out += controllers()
    out += ["", "# FRU devices."]
    for mc, dev, desc, image in fru_devices():
        size = (len(image) + 63) // 64 * 64
        out.append("# %s (controller %02xh, device %d): %d bytes" % (desc, mc, dev, len(image)))
        out.append("mc_add_fru_data 0x%02x %d %d data \\\n    %s"
                   % (mc, dev, size, fmt_bytes(image)))
    if with_sdrs:
        sensors = server_sensors()
        out += ["", "# Sensors (state first, so that the SDRs below do not re-initialise them)."]
        for s in sensors:
            lines = s.emu()
            if lines:
                out.append("# %02xh/%d %02xh %s" % (s.owner, s.lun, s.num, s.name))
                out += lines
        out += ["", "# SDR repository."]
        for rid, (rtype, body, label) in enumerate(sdr_list(sensors), start=1):
            rec = sdr_record(rid, rtype, body)
            out.append("# record %d: type %02xh, %s" % (rid, rtype, label))
            out.append("main_sdr_add 0x%02x \\\n    %s" % (BMC, fmt_bytes(rec)))
    return "\n".join(out) + "\n"


def sdr_list(sensors):
    recs = [mc_locator(BMC, "BMC", 0xBF, ENT_BMC, 1) + ("MC locator BMC",),
            mc_locator(HSBP, "HSBP", 0x09, ENT_DRIVE_BACKPLANE, 1)
            + ("MC locator HSBP",)]
    for s in sensors:
        rtype, body = s.sdr()
        recs.append((rtype, body, "%s (sensor %02xh)" % (s.name, s.num)))
    recs.append(fru_locator(1, "PSU1 FRU", ENT_POWER_SUPPLY, 1) + ("FRU locator",))
    recs.append(oem_record() + ("OEM record",))
    return recs


def sensors_md():
    rows = ["| owner/LUN | number | record | name | type | reading | status | note |",
            "|---|---|---|---|---|---|---|---|"]
    units = {1: "degrees C", 4: "Volts", 5: "Amps", 6: "Watts", 17: "CFM", 18: "RPM"}
    for s in server_sensors():
        if isinstance(s, Threshold):
            name = s.name
            rec = "full"
            reading = s.reading_text()
            if reading[0].isdigit() or reading[0] == "-":
                reading += " " + units[s.unit]
            m = "M=%d B=%d Bexp=%d Rexp=%d" % (s.m, s.b, s.bexp, s.rexp)
            note = "; ".join(x for x in (m if (s.m, s.b, s.rexp) != (1, 0, 0) else "",
                                          s.note) if x)
            rows.append("| %02Xh/%d | %02Xh | %s | %s | %02Xh threshold | %s | %s | %s |"
                        % (s.owner, s.lun, s.num, rec, name, s.stype, reading,
                           s.status_text() if s.simulated and s.scanning else "-",
                           note))
        else:
            for i, name in enumerate(s.sensor_names()):
                states = s.states[i]
                st = ",".join("%d" % o for o in states) if states else "none"
                rec = {"compact": "compact", "full": "full",
                       "event-only": "event-only"}[s.kind]
                if s.share > 1:
                    rec += " (%d/%d)" % (i + 1, s.share)
                rows.append("| %02Xh/%d | %02Xh | %s | %s | %02Xh, reading type %02Xh | "
                            "%s | offsets %s | %s |"
                            % (s.owner, s.lun, s.num + i, rec, name, s.stype, s.rtype,
                               "-" if s.kind == "event-only" else "discrete",
                               st, s.note if i == 0 else ""))
    return "\n".join(rows) + "\n"


def sel_md():
    rows = ["| ID | record type | time stamp | generator | sensor type | sensor | "
            "direction | reading type | event data |",
            "|---|---|---|---|---|---|---|---|---|"]
    for rid, d in sel_entries():
        rtype = d[2]
        if rtype >= 0xE0:
            rows.append("| %d | %02Xh OEM, no time stamp | - | - | - | - | - | - | %s |"
                        % (rid, rtype, " ".join("%02X" % b for b in d[3:])))
            continue
        ts = int.from_bytes(bytes(d[3:7]), "little")
        when = ("%08Xh (pre-init)" % ts if ts < 0x20000000 else
                datetime.datetime.fromtimestamp(ts, datetime.timezone.utc)
                .strftime("%Y-%m-%dT%H:%M:%S"))
        if rtype >= 0xC0:
            rows.append("| %d | %02Xh OEM | %s | - | - | - | - | - | manufacturer %d, %s |"
                        % (rid, rtype, when, int.from_bytes(bytes(d[7:10]), "little"),
                           " ".join("%02X" % b for b in d[10:])))
            continue
        gen = "%02Xh%s" % (d[7], " (software ID)" if d[7] & 1 else "")
        rows.append("| %d | 02h system event | %s | %s | %02Xh | %02Xh | %s | %02Xh | "
                    "%02X %02X %02X |"
                    % (rid, when, gen, d[10], d[11],
                       "deassertion" if d[12] & 0x80 else "assertion", d[12] & 0x7F,
                       d[13], d[14], d[15]))
    return "\n".join(rows) + "\n"


def outputs():
    return {
        "server.emu": emu_file(
            "Simulated two-socket server: BMC 20h and hot-swap backplane controller C0h.",
            True, "server.sel", "server.lanparm"),
        "empty.emu": emu_file(
            "The simulated server with an empty SDR repository and an empty SEL.",
            False, None, "server.lanparm"),
        "server.sel": sel_seed(sel_entries()),
        "server.lanparm": "# LAN parameters of channel 1, served through lan_config_program.\n"
        + "".join("%s:%s\n" % kv for kv in LAN_PARAMS),
        "sensors.md": sensors_md(),
        "sel.md": sel_md(),
    }


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for name, text in outputs().items():
        path = os.path.join(HERE, name)
        if check:
            try:
                with open(path) as f:
                    if f.read() != text:
                        stale.append(name)
            except FileNotFoundError:
                stale.append(name)
        else:
            with open(path, "w") as f:
                f.write(text)
    if stale:
        print("out of date (run gen_server.py): %s" % " ".join(stale), file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()

"""The built ostrelcli's hardware ipmi commands, checked against ipmitool on simulated BMCs."""

import os
import re
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

from harness import BUILD_DIR, CLI, SimTestCase, run_cli

NODE_ERRORS = {"2": "Access device /dev/ipmi2 failed", "-1": "Access device /dev/ipmi-1 failed",
               "x1": "Expected an ordinal number in the range of 0 - 3, argument: 'x1'"}
EMPTY = "every field an empty list"
# Each command's error prefix, and its JSON result with --ignore-missing.
FAILURES = {"sdr list": ("Unable to get IPMI Sensor data : ", []),
            "sdr get": ("Retrieve IPMI Sensor Data Respository Configuration failed : ", EMPTY),
            "fru list": ("Unable to get IPMI Field Replaceable Unit (FRU) : ", []),
            "fru get": ("Unable to get IPMI Field Replaceable Unit (FRU) device : ", EMPTY),
            "sel list": ("Unable to get IPMI System Event Log data : ", []),
            "sel clear": ("Unable to clear IPMI System Event Log : ", True)}


def spaced(raw):
    """The Formatted-Raw form of a Raw text."""
    return "".join(raw[i:i + 2] + " " for i in range(0, len(raw), 2))


def xml_shape(text):
    """The fields and value types of an XML result, without the values."""
    return [(e.tag, e.get("name"), e.get("type")) for e in ET.fromstring(text).iter() if e.tag in ("field", "list")
            or e.tag == "struct" and e.get("type")]


def sel_ids(listing):
    """Record IDs of `ipmitool sel elist` lines ('   1a | ...', hexadecimal)."""
    return [int(line.split("|")[0], 16) for line in listing.splitlines() if "|" in line]


class WithoutSimulatorsTest(unittest.TestCase):
    def test_namespaces_and_commands_in_order(self):
        tree = {"": [("sel", "Information from IPMI System Event Log (SEL)."),
                     ("sdr", "Information from IPMI Sensor Data Respository (SDR)."),
                     ("fru", "Information from IPMI Field Replaceable Unit inventory (FRU)."),
                     ("bmc", "Manage information from IPMI for Baseboard Management Controller (BMC).")],
                "sel": [("list", "List IPMI System Event Log."), ("get", "Get IPMI System Event Log (SEL) properties."),
                        ("clear", "Clear IPMI System Event Log.")],
                "sdr": [("list", "List IPMI Sensor Data Repository."),
                        ("get", "Get IPMI Sensor Data Repository (SDR) properties.")],
                "fru": [("list", "List IPMI Field Replaceable Unit (FRU) inventory."),
                        ("get", "Get IPMI Field Replaceable Unit (FRU) device details.")],
                "bmc": [("get", "Get IPMI Baseboard Management Controller (BMC) properties."),
                        ("set", "Set IPMI Baseboard Management Controller (BMC) properties. Changes take effect "
                                "immediately.")]}
        for area, entries in tree.items():
            result = run_cli(os.devnull, "hardware", "ipmi", *area.split(), "--help")
            self.assertEqual(result.rc, 0, result)
            self.assertEqual(re.findall(r"^  (\S+)  +(.+)$", result.out.split("\n\n")[2], re.M), entries)

    def test_module_exports_only_c_functions_and_the_entry_point(self):
        module = os.path.join(BUILD_DIR, "lib", "ostrelcli", "plugins", "hardware-ipmi.so")
        symbols = [line.split()[-2:] for line in subprocess.run(
            ["nm", "-D", "--defined-only", module], capture_output=True, text=True, check=True).stdout.splitlines()]
        self.assertIn(["T", "AutoCli_RegisterNamespaces"], symbols)
        self.assertEqual([s for s in symbols if s[0] != "T" or s[1].startswith("_Z")], [])

    def test_without_a_bmc(self):
        with tempfile.NamedTemporaryFile() as empty:  # an IPMI configuration without nodes
            result = run_cli(empty.name, "hardware", "ipmi", "bmc", "get")
            self.assertEqual((result.rc, result.err), (1, "Retrieve IPMI Baseboard Management Configuration failed : "
                                                           "No BMC Device found\n"), result)
            result = run_cli(empty.name, "--formatter", "json", "hardware", "ipmi", "bmc", "set", "-n", "x")
            self.assertEqual((result.rc, result.err, result.json()), (1, "No BMC device found\n", False), result)


class SimulatorTest(SimTestCase):
    def test_failures(self):
        for command, (prefix, ignored) in FAILURES.items():
            for node in NODE_ERRORS if command == "sdr list" else ["2"]:
                result = self.cli("hardware", "ipmi", *command.split(), "-n", node)
                self.assertEqual((result.rc, result.out, result.err), (1, "", f"{prefix}{NODE_ERRORS[node]}\n"), result)
                partial = self.json(*command.split(), "-n", node, "-i")
                self.assertTrue({len(v) for v in partial.values()} == {0} if ignored == EMPTY else partial == ignored,
                                (command, node, partial))
        result = self.cli("hardware", "ipmi", "sdr", "list", "-n", "0", "-f", "Table")
        self.assertEqual((result.rc, result.err), (1, "Invalid formatter: Table, please set formatter to "
                                                      "simple|table\n"), result)
        self.assertIn("Node-Sensor", result.out)

    def test_all_nodes_are_the_device_files(self):
        for args in ((), ("-n", "aLl")):
            self.assertEqual(self.json("sdr", "list", *args), [])

    def test_sdr_list_agrees_with_ipmitool(self):
        # Threshold readings of ipmitool, three decimals, by names that occur once.
        theirs = {}
        for line in self.ipmitool(1, "sensor", "list").splitlines():
            cols = [c.strip() for c in line.split("|")]
            if len(cols) > 2 and re.fullmatch(r"-?\d+\.\d+", cols[1]):
                theirs.setdefault(cols[0], []).append(float(cols[1]))
        rows = self.json("sdr", "list", "-n", "1", "-a", "-r", "-p")
        compared = 0
        for row in rows:
            self.assertTrue(row["Node-Sensor"].startswith("1."), row)
            self.assertRegex(row["Raw"], r"^([0-9a-f]{2})+$", row)
            self.assertEqual(row["Formatted-Raw"], spaced(row["Raw"]))
            if len(theirs.get(row["Description"], [])) == 1 and re.fullmatch(r"-?[\d.e+]+", row["Computed Reading"]):
                value = theirs[row["Description"]][0]
                self.assertAlmostEqual(float(row["Computed Reading"]), value, delta=0.0006 + 1e-5 * abs(value))
                compared += 1
        self.assertGreaterEqual(compared, 10)
        shown = self.json("sdr", "list", "-n", "1")
        self.assertLess(len(shown), len(rows))
        self.assertEqual({(r["Raw"], r["Formatted-Raw"]) for r in shown}, {("", "")})

    def test_the_formatter_option_of_sdr_list(self):
        times = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d")
        ours = self.cli("hardware", "ipmi", "sdr", "list", "-n", "0", "-f", "simple")
        framework = self.cli("--formatter", "simple", "hardware", "ipmi", "sdr", "list", "-n", "0")
        self.assertEqual(times.sub("T", ours.out), times.sub("T", framework.out))
        self.assertNotEqual(ours.out, self.cli("hardware", "ipmi", "sdr", "list", "-n", "0").out)

    def test_sdr_get_agrees_with_ipmitool(self):
        config = self.json("sdr", "get", "-n", "0", "-r", "-p")
        peer = self.ipmitool_fields(0, "sdr", "info")
        self.assertEqual(config["Total Records"], [int(peer["Record Count"])])
        free = peer["Free Space"]  # "> 64Kb - 2 bytes" from 0xFFFE on
        self.assertTrue(config["Free Space"][0] >= 0xFFFE if free.startswith(">")
                        else config["Free Space"] == [int(free.split()[0])], config)
        self.assertTrue(config["Version"][0].startswith(peer["SDR Version"] + " ("), config)
        raw = config["Raw"][0]
        self.assertEqual((len(raw), raw[:2], int(raw[6:8] + raw[4:6], 16)), (30, "00", config["Total Records"][0]))
        self.assertEqual(config["Formatted-Raw"], [spaced(raw)])

    def test_the_protocol_trace_names_every_exchange_and_hides_secrets(self):
        os.environ["MARLEK_IPMI_DEBUG"] = "1"
        try:
            result = self.cli("hardware", "ipmi", "sdr", "get", "-n", "0")
        finally:
            del os.environ["MARLEK_IPMI_DEBUG"]
        self.assertEqual(result.rc, 0, result)
        for step in ("-> RAKP message 1", "<- answer to RAKP message 3", "-> Get SDR Repository Info #",
                     "<- Get SDR Repository Info #2: 0x00 (Command Completed Normally) 51", "-> Close Session"):
            self.assertIn(step, result.err)
        with open(os.path.join(self.dir, "password")) as f:
            secret = f.read().strip()
        self.assertNotIn(secret, result.err)
        self.assertNotIn(secret.encode().hex(" "), result.err)

    def test_fru_list_agrees_with_ipmitool(self):
        records = self.json("fru", "list", "-n", "0", "-r", "-p")
        builtin = [r for r in records if r["Type"] == "Builtin FRU Device"]
        self.assertEqual(len(builtin), 1, records)
        peer = self.ipmitool_fields(0, "fru", "print", "0")
        pairs = {"Board Serial Number": "Board Serial", "Manufacturer Name": "Board Mfg", "Part Name": "Board Product",
                 "Part Number": "Board Part Number", "Version": "Product Version", "Serial Number": "Product Serial",
                 "Asset Tag": "Product Asset Tag"}
        self.assertEqual({f: builtin[0][f] for f, k in pairs.items() if k in peer},
                         {f: peer[k] for f, k in pairs.items() if k in peer})
        for record in records:
            self.assertEqual(record["Formatted-Raw"], spaced(record["Raw"]))

    def test_fru_get_agrees_with_get_fru_inventory_area_info(self):
        info = [int(b, 16) for b in self.ipmitool(0, "raw", "0x0a", "0x10", "0x00").split()]
        self.assertEqual(self.json("fru", "get", "-n", "0", "-r"), {
            "Device IDs": ["0"], "Size-bytes": [info[0] | info[1] << 8], "Features": ["0x%x" % info[2]],
            "Raw": ["00%02x%02x%02x00" % tuple(info[:3])], "Formatted-Raw": []})

    def test_sel_clear_empties_the_log_of_the_chosen_node_only(self):
        before = sel_ids(self.ipmitool(0, "sel", "elist"))
        self.assertIs(self.json("sel", "clear", "-n", "1"), True)
        self.assertLessEqual(len(self.json("sel", "list", "-n", "1")), 1)  # a BMC may log the clearing
        self.assertEqual(sel_ids(self.ipmitool(0, "sel", "elist")), before)

    def test_sel_agrees_with_ipmitool(self):
        entries = self.json("sel", "list", "-n", "0", "-r", "-p")
        self.assertEqual([e["Record Id"] for e in entries], sel_ids(self.ipmitool(0, "sel", "elist")))
        for e in entries:
            raw = e["Raw"]
            self.assertEqual((e["Formatted-Raw"], int(raw[2:4] + raw[0:2], 16)), (spaced(raw), e["Record Id"]))
            kind, sensor = int(raw[4:6], 16), int(raw[22:24], 16)  # an OEM record names no sensor
            self.assertEqual((e["SEL Type"], e["Sensor Number"]),
                             ("%d (%s)" % (kind, "System Event" if kind == 2 else "OEM Timestamped"),
                              str(sensor) if kind == 2 else "-1"))
        config = self.json("sel", "get", "-r", "-p", "-n", "x1")  # sel get takes no node
        peer = self.ipmitool_fields(0, "sel", "info")
        self.assertEqual((config["Total Records"], config["Enabled"], config["Overflow"]),
                         ([int(peer["Entries"])], [True], [peer["Overflow"] == "true"]))
        self.assertTrue(config["Version"][0].endswith(" (%s)" % peer["Version"].split()[0]), config)
        raw = config["Raw"][0]
        self.assertEqual((len(raw), int(raw[6:8] + raw[4:6], 16)), (30, len(entries)))
        self.assertEqual(config["Formatted-Raw"], [spaced(raw)])

    def test_a_node_that_failed_leaves_the_same_fields_and_types(self):
        """Scripts read one shape whether the BMC answered, or failed and -i or the command went on."""
        xml = ("--formatter", "xml", "hardware", "ipmi")
        with tempfile.NamedTemporaryFile() as empty:  # no BMC
            for answered, failed in (("sdr get -n 0 -r -p", "sdr get -n 0 -i"), ("sel get -r -p", "sel get -i"),
                                     ("fru get -n 0 -r -p", "fru get -n 0 -i"), ("bmc get", "bmc get")):
                answered, failed = self.cli(*xml, *answered.split()), run_cli(empty.name, *xml, *failed.split())
                self.assertEqual(xml_shape(answered.out), xml_shape(failed.out), (answered, failed))

    def test_bmc_get_agrees_with_ipmitool(self):
        bmc = self.json("bmc", "get")
        mc = self.ipmitool_fields(0, "mc", "info")
        lan = self.ipmitool_fields(0, "lan", "print")
        self.assertEqual((bmc["BMC Firmware Version"], bmc["IPMI Version"], bmc["MAC Address"], bmc["IPv4 Address"]),
                         (mc["Firmware Revision"], mc["IPMI Version"], lan["MAC Address"], lan["IP Address"]))


if __name__ == "__main__":
    unittest.main()

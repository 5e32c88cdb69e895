"""ostrelcli hardware ipmi sdr and fru commands against simulated BMCs."""

import csv
import io
import re
import unittest
import xml.etree.ElementTree as ElementTree

from harness import SimTestCase

SDR_FIELDS = ["Node-Sensor", "Description", "Entity-Instance", "Computed Reading", "Base Unit",
              "Raw Reading", "Sensor Type", "Timestamp/Comment", "Raw", "Formatted-Raw"]
SDR_CONFIG_FIELDS = ["Version", "Total Records", "Free Space", "Last Cleared", "Last Added", "Feature",
                     "Raw", "Formatted-Raw"]
FRU_FIELDS = ["Entity-Instance", "Type", "Part Name", "Part Number", "Version", "Manufacturer Name",
              "Serial Number", "Asset Tag", "Manufacturer TimeStamp", "Raw", "Formatted-Raw",
              "Chassis Name", "Board Serial Number"]
FRU_CONFIG_FIELDS = ["Device IDs", "Size-bytes", "Features", "Raw", "Formatted-Raw"]

PARSE_ERROR = "Expected an ordinal number in the range of 0 - 3, argument: '%s'"


def spaced(raw):
    """The Formatted-Raw form of a Raw text."""
    return "".join(raw[i:i + 2] + " " for i in range(0, len(raw), 2))


def ipmitool_fields(text):
    """'Key : value' lines of ipmitool output as a dict (first occurrence wins)."""
    fields = {}
    for line in text.splitlines():
        if ":" in line:
            key, _, value = line.partition(":")
            fields.setdefault(key.strip(), value.strip())
    return fields


class SdrListTest(SimTestCase):
    def rows(self, *args):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "sdr", "list", *args)
        self.assertSucceeds(result)
        return result.json()

    def test_rows_have_every_field_in_order_for_the_chosen_node(self):
        for node in (0, 1):
            rows = self.rows("-n", str(node))
            self.assertGreater(len(rows), 0)
            for row in rows:
                self.assertEqual(list(row), SDR_FIELDS)
                self.assertTrue(row["Node-Sensor"].startswith("%d." % node), row)
                self.assertEqual(row["Raw"], "")
                self.assertEqual(row["Formatted-Raw"], "")

    def test_readings_agree_with_ipmitool(self):
        # ipmitool prints threshold readings with three decimals; names that
        # occur once can be paired with our rows by their description.
        listing = self.sim.ipmitool(0, "sensor", "list")
        theirs = {}
        for line in listing.splitlines():
            cols = [c.strip() for c in line.split("|")]
            if len(cols) < 3:
                continue
            try:
                value = float(cols[1])
            except ValueError:
                continue
            theirs.setdefault(cols[0], []).append((value, cols[2]))
        compared = 0
        for row in self.rows("-n", "0", "--include-all-sensors"):
            peer = theirs.get(row["Description"])
            if not peer or len(peer) != 1 or row["Computed Reading"] == "":
                continue
            try:
                ours = float(row["Computed Reading"])
            except ValueError:
                continue  # a discrete sensor: its states are checked by the library's tests
            value, _unit = peer[0]
            self.assertAlmostEqual(ours, value, delta=0.0006 + 1e-5 * abs(value), msg=row)
            compared += 1
        self.assertGreaterEqual(compared, 10)

    def test_include_all_sensors_shows_at_least_as_many_rows(self):
        self.assertGreaterEqual(len(self.rows("-n", "0", "-a")), len(self.rows("-n", "0")))

    def test_raw_dumps_are_hex_and_agree_with_each_other(self):
        for row in self.rows("-n", "0", "-r", "-p"):
            self.assertRegex(row["Raw"], r"^([0-9a-f]{2})+$", row)
            self.assertEqual(row["Formatted-Raw"], spaced(row["Raw"]))

    def test_every_formatter_renders_the_list(self):
        for formatter in ("simple", "table", "json", "xml", "csv", "keyvalue"):
            with self.subTest(formatter=formatter):
                result = self.cli("--formatter", formatter, "hardware", "ipmi", "sdr", "list", "-n", "0")
                self.assertSucceeds(result)
                self.assertIn("Node-Sensor" if formatter != "json" else "0.", result.out)
                if formatter == "xml":
                    ElementTree.fromstring(result.out)
                if formatter == "csv":
                    self.assertGreater(len(list(csv.reader(io.StringIO(result.out)))), 1)

    def test_default_table_lists_one_line_per_row(self):
        result = self.cli("hardware", "ipmi", "sdr", "list", "-n", "0")
        self.assertSucceeds(result)
        rows = self.rows("-n", "0")
        for row in rows:
            self.assertIn(row["Description"], result.out)

    def test_without_device_files_all_and_no_node_give_an_empty_list(self):
        for args in ((), ("-n", "all"), ("-n", "ALL"), ("--node", "aLl")):
            with self.subTest(args=args):
                self.assertEqual(self.rows(*args), [])

    def test_node_failures(self):
        prefix = "Unable to get IPMI Sensor data : "
        cases = [
            (("-n", "2"), prefix + "Access device /dev/ipmi2 failed"),
            (("-n", "x1"), prefix + PARSE_ERROR % "x1"),
            (("-n", ""), prefix + PARSE_ERROR % ""),
            (("-n", "99999999999"), prefix + PARSE_ERROR % "99999999999"),
            (("-n", "7"), prefix + "Access device /dev/ipmi7 failed"),
            (("-n", "-1"), prefix + "Access device /dev/ipmi-1 failed"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = self.cli("hardware", "ipmi", "sdr", "list", *args)
                self.assertFails(result, [message])
                self.assertEqual(result.out, "")
                ignored = self.cli("--formatter", "json", "hardware", "ipmi", "sdr", "list", "-i", *args)
                self.assertSucceeds(ignored)
                self.assertEqual(ignored.json(), [])

    def test_node_with_trailing_text_reads_the_number(self):
        rows = self.rows("-n", "1x")
        self.assertTrue(rows and all(r["Node-Sensor"].startswith("1.") for r in rows))

    def test_invalid_formatter_is_reported_and_the_list_still_printed(self):
        result = self.cli("hardware", "ipmi", "sdr", "list", "-n", "0", "-f", "Table")
        self.assertFails(result, ["Invalid formatter: Table, please set formatter to simple|table"])
        self.assertIn("Node-Sensor", result.out)

    def test_formatter_option_chooses_simple(self):
        simple = self.cli("hardware", "ipmi", "sdr", "list", "-n", "0", "-f", "simple")
        self.assertSucceeds(simple)
        plain = self.cli("--formatter", "simple", "hardware", "ipmi", "sdr", "list", "-n", "0")
        self.assertEqual(self._without_times(simple.out), self._without_times(plain.out))

    @staticmethod
    def _without_times(text):
        return re.sub(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d", "T", text)


class SdrGetTest(SimTestCase):
    def test_repository_properties_agree_with_ipmitool(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "sdr", "get", "-n", "0", "-r", "-p")
        self.assertSucceeds(result)
        config = result.json()
        self.assertEqual(list(config), SDR_CONFIG_FIELDS)
        peer = ipmitool_fields(self.sim.ipmitool(0, "sdr", "info"))
        self.assertEqual(config["Total Records"], [int(peer["Record Count"])])
        free = peer["Free Space"]
        if free.startswith(">"):
            # ipmitool words 0xFFFE and more as "> 64Kb - 2 bytes".
            self.assertGreaterEqual(config["Free Space"][0], 0xFFFE)
        else:
            self.assertEqual(config["Free Space"], [int(free.split()[0])])
        self.assertRegex(config["Version"][0], r"^0x[0-9a-f]+ \(\d+\.\d+\)$")
        self.assertRegex(config["Feature"][0], r"^0x[0-9a-f]{2}$")
        raw = config["Raw"][0]
        self.assertEqual(len(raw), 30)
        self.assertEqual(raw[:2], "00")
        self.assertEqual(int(raw[6:8] + raw[4:6], 16), config["Total Records"][0])
        self.assertEqual(config["Formatted-Raw"], [spaced(raw)])

    def test_without_dump_flags_the_dump_lists_are_empty(self):
        config = self.cli("--formatter", "json", "hardware", "ipmi", "sdr", "get", "-n", "1").json()
        self.assertEqual(config["Raw"], [])
        self.assertEqual(config["Formatted-Raw"], [])
        self.assertEqual(len(config["Version"]), 1)

    def test_failures(self):
        prefix = "Retrieve IPMI Sensor Data Respository Configuration failed : "
        for args, message in [(("-n", "2"), prefix + "Access device /dev/ipmi2 failed"),
                              (("-n", "x1"), prefix + PARSE_ERROR % "x1")]:
            with self.subTest(args=args):
                self.assertFails(self.cli("hardware", "ipmi", "sdr", "get", *args), [message])
                ignored = self.cli("--formatter", "json", "hardware", "ipmi", "sdr", "get", "-i", *args)
                self.assertSucceeds(ignored)
                self.assertEqual(ignored.json(), {f: [] for f in SDR_CONFIG_FIELDS})


class FruTest(SimTestCase):
    def records(self, *args):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "fru", "list", *args)
        self.assertSucceeds(result)
        return result.json()

    def test_builtin_device_fields_agree_with_ipmitool(self):
        records = self.records("-n", "0")
        for record in records:
            self.assertEqual(list(record), FRU_FIELDS)
        builtin = [r for r in records if r["Type"] == "Builtin FRU Device"]
        self.assertEqual(len(builtin), 1, records)
        ours = builtin[0]
        peer = ipmitool_fields(self.sim.ipmitool(0, "fru", "print", "0"))
        pairs = [("Board Serial Number", "Board Serial"), ("Manufacturer Name", "Board Mfg"),
                 ("Part Name", "Board Product"), ("Part Number", "Board Part Number"),
                 ("Version", "Product Version"), ("Serial Number", "Product Serial"),
                 ("Asset Tag", "Product Asset Tag")]
        compared = 0
        for field, key in pairs:
            if key in peer:
                self.assertEqual(ours[field], peer[key], field)
                compared += 1
        self.assertGreaterEqual(compared, 4)

    def test_raw_dumps_cover_the_areas(self):
        for record in self.records("-n", "0", "-r", "-p"):
            self.assertRegex(record["Raw"], r"^([0-9a-f]{2})*$")
            self.assertEqual(record["Formatted-Raw"], spaced(record["Raw"]))

    def test_device_header_agrees_with_get_fru_inventory_area_info(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "fru", "get", "-n", "0", "-r")
        self.assertSucceeds(result)
        config = result.json()
        self.assertEqual(list(config), FRU_CONFIG_FIELDS)
        info = [int(b, 16) for b in self.sim.ipmitool(0, "raw", "0x0a", "0x10", "0x00").split()]
        size = info[0] | info[1] << 8
        self.assertEqual(config["Device IDs"], ["0"])
        self.assertEqual(config["Size-bytes"], [size])
        self.assertEqual(config["Features"], ["0x%x" % info[2]])
        self.assertEqual(config["Raw"], ["00%02x%02x%02x00" % (info[0], info[1], info[2])])
        self.assertEqual(config["Formatted-Raw"], [])

    def test_failures(self):
        cases = [
            ("list", "Unable to get IPMI Field Replaceable Unit (FRU) : ", []),
            ("get", "Unable to get IPMI Field Replaceable Unit (FRU) device : ",
             {f: [] for f in FRU_CONFIG_FIELDS}),
        ]
        for command, prefix, empty in cases:
            for args, text in [(("-n", "2"), "Access device /dev/ipmi2 failed"),
                               (("-n", "x1"), PARSE_ERROR % "x1")]:
                with self.subTest(command=command, args=args):
                    self.assertFails(self.cli("hardware", "ipmi", "fru", command, *args), [prefix + text])
                    ignored = self.cli("--formatter", "json", "hardware", "ipmi", "fru", command, "-i", *args)
                    self.assertSucceeds(ignored)
                    self.assertEqual(ignored.json(), empty)


if __name__ == "__main__":
    unittest.main()

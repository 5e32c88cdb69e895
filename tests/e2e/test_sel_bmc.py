"""ostrelcli hardware ipmi sel and bmc commands against simulated BMCs."""

import unittest

from harness import SimTestCase
from test_sdr_fru import PARSE_ERROR, ipmitool_fields, spaced

SEL_FIELDS = ["Record Id", "When", "Event Type", "SEL Type", "Message", "Sensor Number", "Raw",
              "Formatted-Raw"]
SEL_CONFIG_FIELDS = ["Enabled", "Sel-Clock", "Version", "Total Records", "Maximum Records", "Overflow",
                     "Last Cleared", "Last Added", "Raw", "Formatted-Raw"]
BMC_FIELDS = ["Manufacturer", "BMC Firmware Version", "IPMI Version", "OS Name Reported",
              "Hostname Reported", "MAC Address", "LAN ifAdminStatus", "IPv4 Address", "IPv4 Subnet",
              "IPv4 Gateway", "IPv6 Addresses"]


def ipmitool_sel_ids(listing):
    """Record IDs of `ipmitool sel elist` lines ('   1a | ...', hexadecimal)."""
    return [int(line.split("|")[0], 16) for line in listing.splitlines() if "|" in line]


class SelListTest(SimTestCase):
    def entries(self, *args):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "sel", "list", *args)
        self.assertSucceeds(result)
        return result.json()

    def test_entries_agree_with_ipmitool(self):
        entries = self.entries("-n", "0", "-r", "-p")
        self.assertGreater(len(entries), 0)
        self.assertEqual([e["Record Id"] for e in entries],
                         ipmitool_sel_ids(self.sim.ipmitool(0, "sel", "elist")))
        for e in entries:
            self.assertEqual(list(e), SEL_FIELDS)
            raw = e["Raw"]
            self.assertRegex(raw, r"^[0-9a-f]{32}$")
            self.assertEqual(e["Formatted-Raw"], spaced(raw))
            self.assertEqual(int(raw[2:4] + raw[0:2], 16), e["Record Id"])
            record_type = int(raw[4:6], 16)
            kind = "System Event" if record_type == 2 else "OEM Timestamped"
            self.assertEqual(e["SEL Type"], "%d (%s)" % (record_type, kind))
            self.assertRegex(e["Event Type"], r"^(N/A|[0-7] \([A-Za-z/]+\))$")
            if record_type >= 0xE0:
                self.assertEqual(e["When"], "N/A")

    def test_without_dump_flags_the_dumps_are_empty(self):
        for e in self.entries("-n", "1"):
            self.assertEqual((e["Raw"], e["Formatted-Raw"]), ("", ""))

    def test_failures(self):
        prefix = "Unable to get IPMI System Event Log data : "
        for args, text in [(("-n", "2"), "Access device /dev/ipmi2 failed"),
                           (("-n", "x1"), PARSE_ERROR % "x1")]:
            with self.subTest(args=args):
                self.assertFails(self.cli("hardware", "ipmi", "sel", "list", *args), [prefix + text])
                self.assertEqual(self.entries("--ignore-missing", *args), [])


class SelGetTest(SimTestCase):
    def test_properties_agree_with_ipmitool(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "sel", "get", "-r", "-p")
        self.assertSucceeds(result)
        config = result.json()
        self.assertEqual(list(config), SEL_CONFIG_FIELDS)
        peer = ipmitool_fields(self.sim.ipmitool(0, "sel", "info"))
        self.assertEqual(config["Total Records"], [int(peer["Entries"])])
        self.assertEqual(config["Enabled"], [True])
        self.assertEqual(config["Overflow"], [peer["Overflow"] == "true"])
        raw = config["Raw"][0]
        self.assertEqual(len(raw), 30)
        self.assertEqual(int(raw[6:8] + raw[4:6], 16), config["Total Records"][0])
        self.assertEqual(config["Formatted-Raw"], [spaced(raw)])

    def test_node_is_accepted_and_ignored(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "sel", "get", "-n", "x1")
        self.assertSucceeds(result)
        self.assertEqual(result.json()["Raw"], [])

    def test_default_output_is_simple_without_heading(self):
        self.assertSucceeds(self.cli("hardware", "ipmi", "sel", "get"))


class SelClearTest(SimTestCase):
    def test_clear_empties_the_log_of_the_chosen_node_only(self):
        before_other = ipmitool_sel_ids(self.sim.ipmitool(0, "sel", "elist"))
        result = self.cli("--formatter", "json", "hardware", "ipmi", "sel", "clear", "-n", "1")
        self.assertSucceeds(result)
        self.assertIs(result.json(), True)
        after = self.cli("--formatter", "json", "hardware", "ipmi", "sel", "list", "-n", "1").json()
        self.assertLessEqual(len(after), 1, after)  # a BMC may log the clearing itself
        self.assertEqual(ipmitool_sel_ids(self.sim.ipmitool(0, "sel", "elist")), before_other)

    def test_failures(self):
        prefix = "Unable to clear IPMI System Event Log : "
        for args, text in [(("-n", "2"), "Access device /dev/ipmi2 failed"),
                           (("-n", "x1"), PARSE_ERROR % "x1")]:
            with self.subTest(args=args):
                self.assertFails(self.cli("hardware", "ipmi", "sel", "clear", *args), [prefix + text])
                ignored = self.cli("--formatter", "json", "hardware", "ipmi", "sel", "clear", "-i", *args)
                self.assertSucceeds(ignored)
                self.assertIs(ignored.json(), True)


class BmcTest(SimTestCase):
    def bmc(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "bmc", "get")
        self.assertSucceeds(result)
        return result.json()

    def test_identity_agrees_with_ipmitool(self):
        ours = self.bmc()
        self.assertEqual(list(ours), BMC_FIELDS)
        mc = ipmitool_fields(self.sim.ipmitool(0, "mc", "info"))
        self.assertEqual(ours["BMC Firmware Version"], mc["Firmware Revision"])
        self.assertEqual(ours["IPMI Version"], mc["IPMI Version"])
        self.assertIsInstance(ours["LAN ifAdminStatus"], bool)
        self.assertIsInstance(ours["IPv6 Addresses"], list)
        lan = ipmitool_fields(self.sim.ipmitool(0, "lan", "print"))
        if "MAC Address" in lan:
            self.assertEqual(ours["MAC Address"], lan["MAC Address"])
        if "IP Address" in lan:
            self.assertEqual(ours["IPv4 Address"], lan["IP Address"])

    def test_set_reports_what_the_bmc_accepted(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "bmc", "set", "-n", "Debian GNU/Linux",
                          "-v", "12.8", "-H", "e2e-host")
        self.assertSucceeds(result)
        accepted = result.json()
        self.assertIsInstance(accepted, bool)
        after = self.bmc()
        if accepted:
            self.assertEqual(after["OS Name Reported"], "Debian GNU/Linux")
            self.assertEqual(after["Hostname Reported"], "e2e-host")
        else:
            # Then the BMC refuses Set System Info Parameters to ipmitool as well.
            with self.assertRaises(AssertionError):
                self.sim.ipmitool(0, "raw", "0x06", "0x58", "0x04", "0x00", "0x00", "0x02", "0x41")

    def test_set_without_parameters_still_answers(self):
        result = self.cli("--formatter", "json", "hardware", "ipmi", "bmc", "set")
        self.assertSucceeds(result)
        self.assertIsInstance(result.json(), bool)


if __name__ == "__main__":
    unittest.main()
